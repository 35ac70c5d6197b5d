// The stand-in's calls on a real pseudo-terminal: exclusive open, the raw
// line, modem lines, the input queue's bound, ReadFile's time-outs and a close
// that ends a read running on another thread.
// These cases drive Linux devices and the POSIX stand-in.
#if !defined(_WIN32)

#include <chrono>
#include <gtest/gtest.h>
#include <termios.h>
#include <thread>
#include <vector>

#include "platform/posix_win32.h"
#include "support/line_dcb.h"
#include "support/pty_pair.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

long long MsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

HANDLE Open(const std::string& path) {
    return CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                       nullptr);
}

class Terminal : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(pty.ok());
        handle = Open(pty.path());
        ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    }
    void TearDown() override { CloseHandle(handle); }
    void SetTimeouts(DWORD interval, DWORD multiplier, DWORD constant) {
        COMMTIMEOUTS timeouts{interval, multiplier, constant, 0, 0};
        ASSERT_TRUE(SetCommTimeouts(handle, &timeouts));
    }

    PtyPair pty;
    HANDLE handle = INVALID_HANDLE_VALUE;
};

TEST_F(Terminal, OpenIsExclusiveUntilClosed) {
    EXPECT_EQ(Open(pty.path()), INVALID_HANDLE_VALUE);
    ASSERT_TRUE(CloseHandle(handle));
    EXPECT_FALSE(CloseHandle(handle));
    handle = Open(pty.path());
    EXPECT_NE(handle, INVALID_HANDLE_VALUE);
}

TEST_F(Terminal, SetCommStateMakesTheLineRaw) {
    // Undo the pair's raw mode, as a fresh terminal would be.
    termios cooked{};
    ASSERT_EQ(tcgetattr(pty.slaveFd(), &cooked), 0);
    cooked.c_lflag |= ICANON | ECHO | ISIG;
    cooked.c_iflag |= ICRNL | ISTRIP;
    cooked.c_oflag |= OPOST | ONLCR;
    ASSERT_EQ(tcsetattr(pty.slaveFd(), TCSANOW, &cooked), 0);

    DCB dcb = LineDcb(9600, 8, NOPARITY, ONESTOPBIT);
    ASSERT_TRUE(SetCommState(handle, &dcb)); // DTR and RTS on a pty: no error
    termios now{};
    ASSERT_EQ(tcgetattr(pty.slaveFd(), &now), 0);
    EXPECT_EQ(now.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(now.c_iflag & (ICRNL | ISTRIP), 0u);
    EXPECT_EQ(now.c_oflag & OPOST, 0u);
    EXPECT_EQ(now.c_cc[VMIN], 0);
    EXPECT_EQ(now.c_cc[VTIME], 0);
    EXPECT_EQ(cfgetospeed(&now), static_cast<speed_t>(B9600));

    // Bytes pass unchanged in both directions: CR, LF, high bit, XON.
    const uint8_t bytes[] = {'\r', '\n', 0xFC, 0x11, 0x00, 0x7F};
    ASSERT_TRUE(pty.Send(bytes, sizeof bytes));
    SetTimeouts(0, 0, 2000);
    uint8_t got[sizeof bytes] = {};
    DWORD count = 0;
    ASSERT_TRUE(ReadFile(handle, got, sizeof got, &count, nullptr));
    ASSERT_EQ(count, sizeof bytes);
    EXPECT_EQ(std::vector<uint8_t>(got, got + count), std::vector<uint8_t>(bytes, bytes + 6));
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(handle, bytes, sizeof bytes, &written, nullptr));
    EXPECT_EQ(pty.Receive(sizeof bytes, 5s), std::vector<uint8_t>(bytes, bytes + 6));
}

TEST_F(Terminal, KeepsANonStandardRateAndRefusesInvalidSettings) {
    DCB dcb = LineDcb(1234, 8, NOPARITY, ONESTOPBIT);
    ASSERT_TRUE(SetCommState(handle, &dcb));
    DCB back{};
    ASSERT_TRUE(GetCommState(handle, &back));
    EXPECT_EQ(back.BaudRate, 1234u);
    DCB bad = LineDcb(9600, 9, NOPARITY, ONESTOPBIT);
    EXPECT_FALSE(SetCommState(handle, &bad));
    ASSERT_TRUE(GetCommState(handle, &back));
    EXPECT_EQ(back.BaudRate, 1234u); // unchanged by the refused call
}

TEST_F(Terminal, InputQueueDropsWhatDoesNotFitAndReportsAnOverrun) {
    ASSERT_TRUE(SetupComm(handle, 1200, 1200));
    std::vector<uint8_t> bytes(2000);
    for (size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<uint8_t>(i % 251);
    }
    ASSERT_TRUE(pty.Send(bytes));
    ASSERT_TRUE(pty.WaitUntilQueued(2000, 5s));
    DWORD errors = 0;
    COMSTAT stat{};
    ASSERT_TRUE(ClearCommError(handle, &errors, &stat));
    EXPECT_EQ(stat.cbInQue, 1200u);
    EXPECT_EQ(errors & CE_RXOVER, CE_RXOVER);
    ASSERT_TRUE(ClearCommError(handle, &errors, &stat));
    EXPECT_EQ(errors, 0u); // cleared by the first call

    SetTimeouts(MAXDWORD, 0, 0);
    std::vector<uint8_t> got(2000);
    DWORD count = 0;
    ASSERT_TRUE(ReadFile(handle, got.data(), 2000, &count, nullptr));
    ASSERT_EQ(count, 1200u); // the oldest bytes, in order
    EXPECT_TRUE(std::equal(got.begin(), got.begin() + 1200, bytes.begin()));
}

TEST_F(Terminal, ReadTimeouts) {
    // MAXDWORD/0/0: at once, with what is there.
    SetTimeouts(MAXDWORD, 0, 0);
    uint8_t buffer[32];
    DWORD count = 99;
    auto start = Clock::now();
    ASSERT_TRUE(ReadFile(handle, buffer, sizeof buffer, &count, nullptr));
    EXPECT_EQ(count, 0u);
    EXPECT_LT(MsSince(start), 2000);

    // MAXDWORD/MAXDWORD/c: returns with the first bytes, long before c.
    SetTimeouts(MAXDWORD, MAXDWORD, 10000);
    std::thread sender([&] {
        std::this_thread::sleep_for(100ms);
        pty.Send("abc", 3);
    });
    start = Clock::now();
    ASSERT_TRUE(ReadFile(handle, buffer, sizeof buffer, &count, nullptr));
    sender.join();
    EXPECT_GE(count, 1u);
    EXPECT_LT(MsSince(start), 8000);
    // Collect the rest of "abc" so that it cannot reach the next read.
    SetTimeouts(MAXDWORD, 0, 0);
    DWORD total = count;
    auto end = Clock::now() + 5s;
    while (total < 3 && Clock::now() < end) {
        ASSERT_TRUE(ReadFile(handle, buffer, sizeof buffer, &count, nullptr));
        total += count;
    }
    ASSERT_EQ(total, 3u);

    // Interval only: the gap after the last byte ends the read.
    SetTimeouts(100, 0, 0);
    ASSERT_TRUE(pty.Send("xyz", 3));
    start = Clock::now();
    ASSERT_TRUE(ReadFile(handle, buffer, sizeof buffer, &count, nullptr));
    EXPECT_EQ(count, 3u);
    EXPECT_GE(MsSince(start), 80);
    EXPECT_LT(MsSince(start), 5000);

    // Multiplier: 10 ms per byte asked for.
    SetTimeouts(0, 10, 0);
    start = Clock::now();
    ASSERT_TRUE(ReadFile(handle, buffer, 20, &count, nullptr));
    EXPECT_EQ(count, 0u);
    EXPECT_GE(MsSince(start), 180);
    EXPECT_LT(MsSince(start), 5000);
}

TEST_F(Terminal, CloseEndsAReadWaitingOnAnotherThread) {
    SetTimeouts(0, 0, 0); // no time-out at all
    BOOL ok = TRUE;
    std::thread reader([&] {
        uint8_t buffer[4];
        DWORD count = 0;
        ok = ReadFile(handle, buffer, sizeof buffer, &count, nullptr);
    });
    std::this_thread::sleep_for(100ms);
    auto start = Clock::now();
    ASSERT_TRUE(CloseHandle(handle));
    // The close returns with the port free again, before the reader has even
    // been joined: a host may reopen at once.
    handle = Open(pty.path());
    EXPECT_NE(handle, INVALID_HANDLE_VALUE);
    reader.join();
    EXPECT_FALSE(ok);
    EXPECT_LT(MsSince(start), 5000);
}

TEST(NotATerminal, CommunicationCallsFail) {
    for (const char* path : {"/dev/null", "/dev/zero"}) {
        SCOPED_TRACE(path);
        HANDLE handle =
            CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(handle, INVALID_HANDLE_VALUE);
        DCB dcb{};
        COMMTIMEOUTS timeouts{};
        DWORD errors = 0;
        COMSTAT stat{};
        EXPECT_FALSE(GetCommState(handle, &dcb));
        EXPECT_FALSE(SetCommState(handle, &dcb));
        EXPECT_FALSE(GetCommTimeouts(handle, &timeouts));
        EXPECT_FALSE(SetCommTimeouts(handle, &timeouts));
        EXPECT_FALSE(SetupComm(handle, 1200, 1200));
        EXPECT_FALSE(ClearCommError(handle, &errors, &stat));
        EXPECT_FALSE(SetCommBreak(handle));
        DWORD written = 0;
        EXPECT_TRUE(WriteFile(handle, "x", 1, &written, nullptr));
        EXPECT_EQ(written, 1u);
        EXPECT_TRUE(CloseHandle(handle));
    }
    EXPECT_EQ(CreateFileA("/tmp", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE); // a directory
}

} // namespace

#endif
