// ComPortRead, ComPortWrite and ComPortBreak on a pty whose master plays the
// indicator. Time-dependent checks allow wide margins: the machine is shared.
// These cases drive Linux devices and the POSIX stand-in.
#if !defined(_WIN32)

#include <chrono>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

#include "platform/scripted_device.h"
#include "serial/com_port.h"
#include "support/pty_pair.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr LineSettings line7E1 = {9600, 7, 0, 2};

std::vector<uint8_t> Bytes(size_t count, uint8_t first = 0) {
    std::vector<uint8_t> bytes(count);
    for (size_t i = 0; i < count; ++i) {
        bytes[i] = static_cast<uint8_t>(first + i);
    }
    return bytes;
}

class OpenPty : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(pty.ok());
        ASSERT_EQ(ComPortOpen(pty.path().c_str(), &line7E1, 0x0303, &handle), ComOk);
    }
    void TearDown() override {
        if (handle != nullptr && handle != INVALID_HANDLE_VALUE) {
            ComPortClose(handle);
        }
    }
    long long MsSince(Clock::time_point start) {
        return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    }

    PtyPair pty;
    HANDLE handle = nullptr;
};

TEST_F(OpenPty, ReadOfAWholeFrameReturnsAtOnce) {
    ComPortSetTimeout(handle, 500); // 5 s: the read must not wait for it
    auto frame = Bytes(18, 0x20);
    ASSERT_TRUE(pty.Send(frame));
    std::vector<uint8_t> buffer(18);
    uint32_t got = 0;
    auto start = Clock::now();
    ASSERT_EQ(ComPortRead(handle, buffer.data(), 18, &got), ComOk);
    EXPECT_EQ(got, 18u);
    EXPECT_EQ(buffer, frame);
    EXPECT_LT(MsSince(start), 4000);
}

TEST_F(OpenPty, ShortReadEndsAfterTheTimeoutWithWhatCame) {
    ComPortSetTimeout(handle, 30); // 300 ms
    auto part = Bytes(11, 0x41);
    ASSERT_TRUE(pty.Send(part));
    std::vector<uint8_t> buffer(18, 0);
    uint32_t got = 0;
    auto start = Clock::now();
    ASSERT_EQ(ComPortRead(handle, buffer.data(), 18, &got), ComOk);
    long long elapsed = MsSince(start);
    EXPECT_EQ(got, 11u);
    EXPECT_TRUE(std::equal(part.begin(), part.end(), buffer.begin()));
    EXPECT_GE(elapsed, 250);
    EXPECT_LT(elapsed, 5000);
}

TEST_F(OpenPty, ReadOfAQuietLineGivesSevenAfterTheTimeout) {
    ComPortSetTimeout(handle, 20); // 200 ms
    uint8_t buffer[18];
    uint32_t got = 99;
    auto start = Clock::now();
    EXPECT_EQ(ComPortRead(handle, buffer, sizeof buffer, &got), ComIoFailed);
    long long elapsed = MsSince(start);
    EXPECT_EQ(got, 0u);
    EXPECT_GE(elapsed, 150);
    EXPECT_LT(elapsed, 5000);
}

TEST_F(OpenPty, ReadCountUsesItsLowSixteenBitsOnly) {
    ComPortSetTimeout(handle, 500);
    ASSERT_TRUE(pty.Send(Bytes(4)));
    ASSERT_TRUE(pty.WaitUntilQueued(4, 5s));
    uint8_t buffer[4];
    uint32_t got = 99;
    auto start = Clock::now();
    EXPECT_EQ(ComPortRead(handle, buffer, 0, &got), ComIoFailed);
    EXPECT_EQ(ComPortRead(handle, buffer, 0x10000, &got), ComIoFailed);
    EXPECT_EQ(got, 0u);
    EXPECT_LT(MsSince(start), 4000); // a read of nothing does not wait
    EXPECT_EQ(ComPortRead(handle, buffer, 0x10002, &got), ComOk);
    EXPECT_EQ(got, 2u);
}

TEST_F(OpenPty, HangUpOfTheIndicatorSideFailsTheReadWithoutWaiting) {
    ComPortSetTimeout(handle, 1000); // 10 s
    ASSERT_TRUE(pty.Send(Bytes(3)));
    ASSERT_TRUE(pty.WaitUntilQueued(3, 5s));
    // The port's queue takes the bytes now; the kernel would flush them at
    // the hang-up.
    DWORD errors = 0;
    COMSTAT stat{};
    ASSERT_TRUE(ClearCommError(handle, &errors, &stat));
    ASSERT_EQ(stat.cbInQue, 3u);
    pty.CloseMaster();
    uint8_t buffer[18];
    uint32_t got = 0;
    auto start = Clock::now();
    EXPECT_EQ(ComPortRead(handle, buffer, sizeof buffer, &got), ComOk); // what came first
    EXPECT_EQ(got, 3u);
    EXPECT_EQ(ComPortRead(handle, buffer, sizeof buffer, &got), ComIoFailed);
    EXPECT_LT(MsSince(start), 5000);
}

TEST_F(OpenPty, WriteReachesTheIndicator) {
    auto bytes = Bytes(40, 1);
    uint32_t written = 0;
    ASSERT_EQ(ComPortWrite(handle, bytes.data(), 40, &written), ComOk);
    EXPECT_EQ(written, 40u);
    EXPECT_EQ(pty.Receive(40, 5s), bytes); // the raw line does not translate
    EXPECT_EQ(ComPortWrite(handle, bytes.data(), 5, nullptr), ComOk);
}

TEST_F(OpenPty, BreakIsHeldForItsDurationAndAlwaysSucceeds) {
    auto start = Clock::now();
    EXPECT_EQ(ComPortBreak(100, handle), ComOk);
    EXPECT_GE(MsSince(start), 90);
    EXPECT_EQ(ComPortBreak(0, INVALID_HANDLE_VALUE), ComOk);
}

TEST(ComPortWrite, ShortAndFailedWrites) {
    ScriptedDeviceCreate("SCRIPTWRITE");
    ScriptedDeviceLimitWrites("SCRIPTWRITE", 3);
    HANDLE handle = nullptr;
    ASSERT_EQ(ComPortOpen("SCRIPTWRITE", &line7E1, 0x0303, &handle), ComOk);
    const char text[] = "ABCDEF";
    uint32_t written = 99;
    EXPECT_EQ(ComPortWrite(handle, text, 6, &written), ComShortWrite);
    EXPECT_EQ(written, 3u);
    ScriptedDeviceRecord record{};
    ASSERT_TRUE(ScriptedDeviceInspect("SCRIPTWRITE", &record));
    EXPECT_EQ(std::string(record.written.begin(), record.written.end()), "ABC");
    ASSERT_EQ(ComPortClose(handle), ComOk);
    written = 99;
    EXPECT_EQ(ComPortWrite(handle, text, 6, &written), ComIoFailed);
    EXPECT_EQ(written, 99u); // left untouched
    ScriptedDeviceRemove("SCRIPTWRITE");
}

TEST(ComPortBreak, SetsAndClearsTheBreak) {
    ScriptedDeviceCreate("SCRIPTBREAK");
    HANDLE handle = nullptr;
    ASSERT_EQ(ComPortOpen("SCRIPTBREAK", &line7E1, 0x0303, &handle), ComOk);
    EXPECT_EQ(ComPortBreak(10, handle), ComOk);
    ScriptedDeviceRecord record{};
    ASSERT_TRUE(ScriptedDeviceInspect("SCRIPTBREAK", &record));
    EXPECT_EQ(record.breaksSet, 1);
    EXPECT_EQ(record.breaksCleared, 1);
    ComPortClose(handle);
    ScriptedDeviceRemove("SCRIPTBREAK");
}

TEST(ComPortSleep, SleepsAndReturnsZero) {
    auto start = Clock::now();
    EXPECT_EQ(ComPortSleep(60), ComOk);
    EXPECT_GE(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count(),
              50);
}

} // namespace

#endif
