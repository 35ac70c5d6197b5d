// ComPortSetTimeout's arithmetic and ComPortPurge's drain, on a scripted port
// (which records each read) and on a pty.
// These cases drive Linux devices and the POSIX stand-in.
#if !defined(_WIN32)

#include <chrono>
#include <gtest/gtest.h>
#include <vector>

#include "platform/scripted_device.h"
#include "serial/com_port.h"
#include "support/pty_pair.h"

namespace {

using namespace std::chrono_literals;

constexpr LineSettings line7E1 = {9600, 7, 0, 2};
constexpr char portName[] = "SCRIPTPURGE";

class ScriptedPort : public testing::Test {
  protected:
    void SetUp() override {
        ScriptedDeviceCreate(portName);
        ASSERT_EQ(ComPortOpen(portName, &line7E1, 0x0303, &handle), ComOk);
    }
    void TearDown() override {
        ComPortClose(handle);
        ScriptedDeviceRemove(portName);
    }
    void SetConstantMs(DWORD ms) {
        COMMTIMEOUTS timeouts{};
        ASSERT_TRUE(GetCommTimeouts(handle, &timeouts));
        timeouts.ReadTotalTimeoutConstant = ms;
        ASSERT_TRUE(SetCommTimeouts(handle, &timeouts));
    }
    ScriptedDeviceRecord Record() {
        ScriptedDeviceRecord record{};
        EXPECT_TRUE(ScriptedDeviceInspect(portName, &record));
        return record;
    }
    void AddBytes(size_t count) {
        std::vector<uint8_t> bytes(count, 0x55);
        ScriptedDeviceAddBytes(portName, bytes.data(), bytes.size());
    }

    HANDLE handle = nullptr;
};

TEST_F(ScriptedPort, SetTimeoutReportsThePreviousConstantInTensOfMs) {
    struct Case {
        DWORD beforeMs;
        int32_t units;
        int32_t result;
        DWORD afterMs;
        bool written;
    };
    const Case cases[] = {
        {1000, 10, 100, 100, true},
        {105, 10, 10, 100, true},  // remainder dropped
        {100, 10, 10, 100, false}, // already set: nothing written
        {9, 5, 0, 50, true},       // below 10 ms reads as 0
        {0, 0, 0, 0, false},
        {50, -1, 5, 0xFFFFFFF6u, true}, // 32-bit arithmetic
        {0xFFFFFFFFu, 1, 429496729, 10, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.beforeMs << " ms, " << c.units << " units");
        SetConstantMs(c.beforeMs);
        int callsBefore = Record().setTimeoutsCalls;
        EXPECT_EQ(ComPortSetTimeout(handle, c.units), c.result);
        ScriptedDeviceRecord record = Record();
        EXPECT_EQ(record.timeouts.ReadTotalTimeoutConstant, c.afterMs);
        EXPECT_EQ(record.setTimeoutsCalls - callsBefore, c.written ? 1 : 0);
    }
}

TEST_F(ScriptedPort, SetTimeoutKeepsTheOtherMembers) {
    COMMTIMEOUTS timeouts{7, 8, 1000, 9, 11};
    ASSERT_TRUE(SetCommTimeouts(handle, &timeouts));
    EXPECT_EQ(ComPortSetTimeout(handle, 3), 100);
    ScriptedDeviceRecord record = Record();
    EXPECT_EQ(record.timeouts.ReadIntervalTimeout, 7u);
    EXPECT_EQ(record.timeouts.ReadTotalTimeoutMultiplier, 8u);
    EXPECT_EQ(record.timeouts.ReadTotalTimeoutConstant, 30u);
    EXPECT_EQ(record.timeouts.WriteTotalTimeoutMultiplier, 9u);
    EXPECT_EQ(record.timeouts.WriteTotalTimeoutConstant, 11u);
}

TEST(ComPortSetTimeout, FailsAsZeroOnAHandleWithoutTimeouts) {
    HANDLE handle = CreateFileA("NUL", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(ComPortSetTimeout(handle, 10), 0);
    CloseHandle(handle);
    EXPECT_EQ(ComPortSetTimeout(handle, 10), 0); // closed
}

TEST_F(ScriptedPort, PurgeOfAQuietLineDoesNotRead) {
    ComPortSetTimeout(handle, 10);
    int callsBefore = Record().setTimeoutsCalls;
    EXPECT_EQ(ComPortPurge(handle), ComOk);
    ScriptedDeviceRecord record = Record();
    EXPECT_TRUE(record.reads.empty());
    EXPECT_EQ(record.setTimeoutsCalls, callsBefore);
    EXPECT_EQ(record.timeouts.ReadTotalTimeoutConstant, 100u);
}

TEST_F(ScriptedPort, PurgeDrainsInChunksOf512At50MsAndRestoresTheTimeout) {
    ComPortSetTimeout(handle, 10);
    AddBytes(700);
    EXPECT_EQ(ComPortPurge(handle), ComOk);
    ScriptedDeviceRecord record = Record();
    ASSERT_EQ(record.reads.size(), 2u);
    EXPECT_EQ(record.reads[0].asked, 512u);
    EXPECT_EQ(record.reads[0].delivered, 512u);
    EXPECT_EQ(record.reads[0].totalTimeoutMs, 50u);
    EXPECT_EQ(record.reads[1].asked, 512u);
    EXPECT_EQ(record.reads[1].delivered, 188u);
    EXPECT_EQ(record.reads[1].totalTimeoutMs, 50u);
    EXPECT_EQ(record.timeouts.ReadTotalTimeoutConstant, 100u);
}

TEST_F(ScriptedPort, PurgeReadsAgainAfterEveryFullChunk) {
    ComPortSetTimeout(handle, 10);
    AddBytes(1024);
    EXPECT_EQ(ComPortPurge(handle), ComOk);
    ScriptedDeviceRecord record = Record();
    ASSERT_EQ(record.reads.size(), 3u);
    EXPECT_EQ(record.reads[2].delivered, 0u); // the quiet read that ends the drain
}

TEST_F(ScriptedPort, PurgeDoesNotRestoreAConstantBelowTenMs) {
    SetConstantMs(5);
    AddBytes(10);
    EXPECT_EQ(ComPortPurge(handle), ComOk);
    EXPECT_EQ(Record().timeouts.ReadTotalTimeoutConstant, 50u);
}

TEST_F(ScriptedPort, PurgeReportsAFailedDrainRead) {
    ComPortSetTimeout(handle, 10);
    AddBytes(512);
    ScriptedDeviceAddReadFailure(portName);
    EXPECT_EQ(ComPortPurge(handle), ComOpenFailed);
    ScriptedDeviceRecord record = Record();
    EXPECT_EQ(record.reads.size(), 2u);
    EXPECT_EQ(record.timeouts.ReadTotalTimeoutConstant, 100u); // restored all the same
}

TEST_F(ScriptedPort, PurgeDrainsWhenClearCommErrorFails) {
    ComPortSetTimeout(handle, 10);
    ScriptedDeviceRefuse(portName, ScriptedClearError);
    EXPECT_EQ(ComPortPurge(handle), ComOk); // the failure alone is no error
    ScriptedDeviceRecord record = Record();
    ASSERT_EQ(record.reads.size(), 1u);
    EXPECT_EQ(record.reads[0].totalTimeoutMs, 50u);
    EXPECT_EQ(record.timeouts.ReadTotalTimeoutConstant, 100u);
}

TEST_F(ScriptedPort, PurgeDrainsWhenTheTimeoutsCannotBeRead) {
    ComPortSetTimeout(handle, 10);
    AddBytes(10);
    ScriptedDeviceRefuse(portName, ScriptedGetTimeouts);
    EXPECT_EQ(ComPortPurge(handle), ComOk);
    ScriptedDeviceRecord record = Record();
    ASSERT_EQ(record.reads.size(), 1u);
    EXPECT_EQ(record.reads[0].delivered, 10u);
    // Nothing could be set or restored: the constant is still the old one.
    EXPECT_EQ(record.timeouts.ReadTotalTimeoutConstant, 100u);
}

TEST(ComPortPurge, NullDeviceDrainsNothing) {
    HANDLE handle = nullptr;
    ASSERT_EQ(ComPortOpen("NUL", &line7E1, 0x0303, &handle), ComOk);
    EXPECT_EQ(ComPortPurge(handle), ComOk); // ClearCommError fails, the read delivers 0
    ComPortClose(handle);
}

TEST(ComPortPurge, DrainsAPseudoTerminal) {
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    HANDLE handle = nullptr;
    ASSERT_EQ(ComPortOpen(pty.path().c_str(), &line7E1, 0x0303, &handle), ComOk);
    ComPortSetTimeout(handle, 10);
    std::vector<uint8_t> bytes(700, 0x33);
    ASSERT_TRUE(pty.Send(bytes));
    ASSERT_TRUE(pty.WaitUntilQueued(700, 5s));
    EXPECT_EQ(ComPortPurge(handle), ComOk);
    DWORD errors = 0;
    COMSTAT stat{};
    ASSERT_TRUE(ClearCommError(handle, &errors, &stat));
    EXPECT_EQ(stat.cbInQue, 0u);
    COMMTIMEOUTS timeouts{};
    ASSERT_TRUE(GetCommTimeouts(handle, &timeouts));
    EXPECT_EQ(timeouts.ReadTotalTimeoutConstant, 100u);
    // What comes after the drain is read normally.
    ASSERT_TRUE(pty.Send("\x02", 1));
    uint8_t byte = 0;
    uint32_t got = 0;
    EXPECT_EQ(ComPortRead(handle, &byte, 1, &got), ComOk);
    EXPECT_EQ(byte, 0x02);
    ComPortClose(handle);
}

} // namespace

#endif
