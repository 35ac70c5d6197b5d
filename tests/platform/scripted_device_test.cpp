// The scripted port: reads served from the script, exclusive open, records.
// These cases drive Linux devices and the POSIX stand-in.
#if !defined(_WIN32)

#include <gtest/gtest.h>
#include <string>

#include "platform/scripted_device.h"

namespace {

std::string Read(HANDLE handle, DWORD count, BOOL* ok) {
    char buffer[64] = {};
    DWORD got = 0;
    *ok = ReadFile(handle, buffer, count, &got, nullptr);
    return std::string(buffer, got);
}

TEST(ScriptedDevice, ServesReadsFromItsScript) {
    ScriptedDeviceCreate("SCRIPTTEST");
    ScriptedDeviceAddBytes("SCRIPTTEST", "abcdef", 6);
    ScriptedDeviceAddBytes("SCRIPTTEST", "gh", 2);
    ScriptedDeviceAddTimeout("SCRIPTTEST");
    ScriptedDeviceAddBytes("SCRIPTTEST", "ij", 2);
    ScriptedDeviceAddReadFailure("SCRIPTTEST");
    ScriptedDeviceAddBytes("SCRIPTTEST", "k", 1);

    HANDLE handle = CreateFileA("SCRIPTTEST", GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    EXPECT_EQ(CreateFileA("SCRIPTTEST", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE); // exclusive, like a port

    DWORD errors = 0;
    COMSTAT stat{};
    ASSERT_TRUE(ClearCommError(handle, &errors, &stat));
    EXPECT_EQ(stat.cbInQue, 8u); // up to the first time-out

    BOOL ok = FALSE;
    EXPECT_EQ(Read(handle, 4, &ok), "abcd");
    EXPECT_TRUE(ok);
    EXPECT_EQ(Read(handle, 18, &ok), "efgh"); // runs into the next bytes, ends at the time-out
    EXPECT_TRUE(ok);
    EXPECT_EQ(Read(handle, 18, &ok), "ij"); // bytes before a failure are delivered
    EXPECT_TRUE(ok);
    EXPECT_EQ(Read(handle, 18, &ok), "");
    EXPECT_FALSE(ok);
    EXPECT_EQ(Read(handle, 18, &ok), "k");
    EXPECT_EQ(Read(handle, 18, &ok), ""); // the end: a quiet line
    EXPECT_TRUE(ok);

    ScriptedDeviceRecord record{};
    ASSERT_TRUE(ScriptedDeviceInspect("SCRIPTTEST", &record));
    EXPECT_TRUE(record.open);
    ASSERT_EQ(record.reads.size(), 6u);
    EXPECT_EQ(record.reads[1].asked, 18u);
    EXPECT_EQ(record.reads[1].delivered, 4u);
    EXPECT_FALSE(record.reads[3].ok);

    ASSERT_TRUE(CloseHandle(handle));
    ASSERT_TRUE(ScriptedDeviceInspect("SCRIPTTEST", &record));
    EXPECT_FALSE(record.open);
    ScriptedDeviceRemove("SCRIPTTEST");
    EXPECT_FALSE(ScriptedDeviceInspect("SCRIPTTEST", &record));
}

TEST(ScriptedDevice, OutlivesItsRemovalWhileOpen) {
    ScriptedDeviceCreate("SCRIPTGONE");
    ScriptedDeviceAddBytes("SCRIPTGONE", "z", 1);
    HANDLE handle = CreateFileA("SCRIPTGONE", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    ScriptedDeviceRemove("SCRIPTGONE");
    BOOL ok = FALSE;
    EXPECT_EQ(Read(handle, 1, &ok), "z");
    EXPECT_TRUE(CloseHandle(handle));
}

} // namespace

#endif
