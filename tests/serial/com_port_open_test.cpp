// ComPortOpen against real devices (a pty, a regular file, /dev/null, a
// missing path) and, for the DCB it builds, against a scripted port that
// keeps what was set on it.
// These cases drive Linux devices and the POSIX stand-in.
#if !defined(_WIN32)

#include <cstdio>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <string>
#include <sys/file.h>
#include <unistd.h>

#include "platform/scripted_device.h"
#include "serial/com_port.h"
#include "support/pty_pair.h"

namespace {

constexpr LineSettings line7E1 = {9600, 7, 0, 2};

// True when `handle` no longer names an open object.
bool IsClosed(HANDLE handle) {
    DWORD errors = 0;
    COMSTAT stat{};
    DWORD got = 0;
    char byte = 0;
    return !ClearCommError(handle, &errors, &stat) && !ReadFile(handle, &byte, 1, &got, nullptr);
}

TEST(ComPortOpen, OpensAPseudoTerminalAndClosesIt) {
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    HANDLE handle = nullptr;
    ASSERT_EQ(ComPortOpen(pty.path().c_str(), &line7E1, 0x0303, &handle), ComOk);
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    ASSERT_TRUE(GetCommState(handle, &dcb));
    EXPECT_EQ(dcb.BaudRate, 9600u); // a pty keeps the rate (and forces 8N1)
    EXPECT_EQ(static_cast<uint8_t>(dcb.ErrorChar), 0xFC);
    EXPECT_FALSE(dcb.fErrorChar);
    EXPECT_EQ(dcb.fDtrControl, DTR_CONTROL_ENABLE);
    EXPECT_EQ(dcb.fRtsControl, RTS_CONTROL_ENABLE);
    COMMTIMEOUTS timeouts{};
    ASSERT_TRUE(GetCommTimeouts(handle, &timeouts));
    EXPECT_EQ(timeouts.ReadTotalTimeoutConstant, 1000u);
    EXPECT_EQ(timeouts.ReadIntervalTimeout, 0u);
    EXPECT_EQ(timeouts.ReadTotalTimeoutMultiplier, 0u);
    EXPECT_EQ(ComPortClose(handle), ComOk);
    EXPECT_EQ(ComPortClose(handle), ComIoFailed); // already closed
}

TEST(ComPortOpen, FailuresLeaveNoHandleOpen) {
    char file[] = "/tmp/com_port_open_XXXXXX";
    int fd = mkstemp(file);
    ASSERT_GE(fd, 0);
    close(fd);

    struct Case {
        const char* what;
        std::string name;
        int32_t result;
    };
    const Case cases[] = {
        {"missing path", "/dev/no_such_port_here", ComOpenFailed},
        {"missing name under /dev", "ttyNOSUCH9", ComOpenFailed},
        {"empty name", "", ComOpenFailed},
        {"regular file", file, ComNotSerial},
        {"null device by its path", "/dev/null", ComNotSerial},
        {"null device by a name other than NUL", "nul", ComNotSerial},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HANDLE handle = nullptr;
        EXPECT_EQ(ComPortOpen(c.name.c_str(), &line7E1, 0x0303, &handle), c.result);
        if (c.result == ComOpenFailed) {
            EXPECT_EQ(handle, INVALID_HANDLE_VALUE);
        } else {
            EXPECT_NE(handle, INVALID_HANDLE_VALUE);
            EXPECT_TRUE(IsClosed(handle));
        }
    }
    // The file was closed again: an exclusive open of it succeeds.
    HANDLE again = CreateFileA(file, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(again, INVALID_HANDLE_VALUE);
    CloseHandle(again);
    unlink(file);
}

TEST(ComPortOpen, NullDeviceOpensWithoutSettingsAndReadsNothing) {
    HANDLE handle = nullptr;
    ASSERT_EQ(ComPortOpen("NUL", &line7E1, 0x0303, &handle), ComOk);
    char buffer[18];
    uint32_t got = 99;
    EXPECT_EQ(ComPortRead(handle, buffer, sizeof buffer, &got), ComIoFailed);
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(ComPortSetTimeout(handle, 10), 0); // no time-outs on the null device
    EXPECT_EQ(ComPortClose(handle), ComOk);
}

TEST(ComPortOpen, RefusedLineSettingsGiveFiveAndCloseThePort) {
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    const LineSettings refused[] = {
        {9600, 9, 0, 0}, // nine data bits
        {9600, 8, 0, 5}, // unknown parity
        {9600, 8, 1, 0}, // 1.5 stop bits with 8 data bits
        {0, 8, 0, 0},    // no rate
    };
    for (const LineSettings& settings : refused) {
        SCOPED_TRACE(testing::Message() << settings.baudRate << " " << settings.dataBits << " "
                                        << settings.stopBits << " " << settings.parity);
        HANDLE handle = nullptr;
        EXPECT_EQ(ComPortOpen(pty.path().c_str(), &settings, 0x0303, &handle), ComBadSettings);
        EXPECT_TRUE(IsClosed(handle));
    }
    HANDLE handle = nullptr;
    const LineSettings odd = {1234, 5, 1, 1}; // non-standard rate, 5O1.5
    EXPECT_EQ(ComPortOpen(pty.path().c_str(), &odd, 0x0303, &handle), ComOk);
    ComPortClose(handle);
}

TEST(ComPortOpen, IsExclusive) {
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    HANDLE first = nullptr;
    ASSERT_EQ(ComPortOpen(pty.path().c_str(), &line7E1, 0x0303, &first), ComOk);
    HANDLE second = nullptr;
    EXPECT_EQ(ComPortOpen(pty.path().c_str(), &line7E1, 0x0303, &second), ComOpenFailed);
    EXPECT_EQ(second, INVALID_HANDLE_VALUE);
    ASSERT_EQ(ComPortClose(first), ComOk);
    ASSERT_EQ(ComPortOpen(pty.path().c_str(), &line7E1, 0x0303, &second), ComOk);
    ComPortClose(second);

    // Another program holding the port (its own lock on the device).
    int other = open(pty.path().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(other, 0);
    ASSERT_EQ(flock(other, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(ComPortOpen(pty.path().c_str(), &line7E1, 0x0303, &second), ComOpenFailed);
    close(other);
}

// The DCB the open hands to SetCommState, seen on a scripted port.
struct DcbCase {
    const char* what;
    LineSettings settings;
    uint16_t lineControl;
    DCB before; // what GetCommState reports
    DCB expected;
};

DCB PortDefaults() {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    dcb.BaudRate = 19200;
    dcb.fBinary = TRUE;
    dcb.fDtrControl = DTR_CONTROL_DISABLE;
    dcb.fRtsControl = RTS_CONTROL_DISABLE;
    dcb.fTXContinueOnXoff = TRUE;
    dcb.fOutX = TRUE;
    dcb.fNull = TRUE;
    dcb.XonLim = 100;
    dcb.XoffLim = 200;
    dcb.ByteSize = 8;
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
    dcb.ErrorChar = 'E';
    dcb.fErrorChar = TRUE;
    dcb.EofChar = 0x1A;
    dcb.EvtChar = 0x7E;
    return dcb;
}

// The defaults after the line settings and the open's fixed changes.
DCB Configured(LineSettings settings) {
    DCB dcb = PortDefaults();
    dcb.BaudRate = settings.baudRate;
    dcb.ByteSize = static_cast<BYTE>(settings.dataBits);
    dcb.Parity = static_cast<BYTE>(settings.parity);
    dcb.fParity = settings.parity != 0 ? TRUE : FALSE;
    dcb.StopBits = static_cast<BYTE>(settings.stopBits);
    dcb.ErrorChar = static_cast<char>(0xFC);
    dcb.fErrorChar = FALSE;
    return dcb;
}

template <typename Edit> DCB With(DCB dcb, Edit edit) {
    edit(dcb);
    return dcb;
}

void ExpectSameDcb(const DCB& got, const DCB& want) {
    EXPECT_EQ(got.BaudRate, want.BaudRate);
    EXPECT_EQ(got.ByteSize, want.ByteSize);
    EXPECT_EQ(got.Parity, want.Parity);
    EXPECT_EQ(got.StopBits, want.StopBits);
    EXPECT_EQ(got.fParity, want.fParity);
    EXPECT_EQ(got.fBinary, want.fBinary);
    EXPECT_EQ(got.fOutxCtsFlow, want.fOutxCtsFlow);
    EXPECT_EQ(got.fOutxDsrFlow, want.fOutxDsrFlow);
    EXPECT_EQ(got.fDtrControl, want.fDtrControl);
    EXPECT_EQ(got.fRtsControl, want.fRtsControl);
    EXPECT_EQ(got.fDsrSensitivity, want.fDsrSensitivity);
    EXPECT_EQ(got.fTXContinueOnXoff, want.fTXContinueOnXoff);
    EXPECT_EQ(got.fOutX, want.fOutX);
    EXPECT_EQ(got.fInX, want.fInX);
    EXPECT_EQ(got.fErrorChar, want.fErrorChar);
    EXPECT_EQ(got.fNull, want.fNull);
    EXPECT_EQ(got.fAbortOnError, want.fAbortOnError);
    EXPECT_EQ(got.XonLim, want.XonLim);
    EXPECT_EQ(got.XoffLim, want.XoffLim);
    EXPECT_EQ(got.XonChar, want.XonChar);
    EXPECT_EQ(got.XoffChar, want.XoffChar);
    EXPECT_EQ(got.ErrorChar, want.ErrorChar);
    EXPECT_EQ(got.EofChar, want.EofChar);
    EXPECT_EQ(got.EvtChar, want.EvtChar);
}

TEST(ComPortOpen, BuildsTheDcbFromLineSettingsAndLineControl) {
    const LineSettings s7E1 = {9600, 7, 0, 2};
    const LineSettings s8N2 = {4800, 8, 2, 0};
    // High bytes of the three small fields are not used.
    const LineSettings highBytes = {65535, 0x1207, 0x3400, 0x5601};
    const DcbCase cases[] = {
        {"0x0303: DTR and RTS on, nothing else", s7E1, 0x0303, PortDefaults(),
         With(Configured(s7E1),
              [](DCB& d) {
                  d.fDtrControl = DTR_CONTROL_ENABLE;
                  d.fRtsControl = RTS_CONTROL_ENABLE;
              })},
        {"0x0031: DTR on, RTS kept, CTS flow wins over DSR flow", s8N2, 0x0031, PortDefaults(),
         With(Configured(s8N2),
              [](DCB& d) {
                  d.fDtrControl = DTR_CONTROL_ENABLE;
                  d.fOutxCtsFlow = TRUE;
              })},
        {"0x0100 and 0x0200: the high bits of the enable masks", s7E1, 0x0300, PortDefaults(),
         With(Configured(s7E1),
              [](DCB& d) {
                  d.fDtrControl = DTR_CONTROL_ENABLE;
                  d.fRtsControl = RTS_CONTROL_ENABLE;
              })},
        {"0x9000: DTR and RTS handshake", s7E1, 0x9000, PortDefaults(),
         With(Configured(s7E1),
              [](DCB& d) {
                  d.fDtrControl = DTR_CONTROL_HANDSHAKE;
                  d.fRtsControl = RTS_CONTROL_HANDSHAKE;
              })},
        {"0xB101: enable wins over handshake, handshake over toggle", s7E1, 0xB101, PortDefaults(),
         With(Configured(s7E1),
              [](DCB& d) {
                  d.fDtrControl = DTR_CONTROL_ENABLE;
                  d.fRtsControl = RTS_CONTROL_HANDSHAKE;
              })},
        {"0x2000: RTS toggle", s7E1, 0x2000, PortDefaults(),
         With(Configured(s7E1), [](DCB& d) { d.fRtsControl = RTS_CONTROL_TOGGLE; })},
        {"0x0020: DSR output flow", s7E1, 0x0020, PortDefaults(),
         With(Configured(s7E1), [](DCB& d) { d.fOutxDsrFlow = TRUE; })},
        {"0x4000: DSR sensitivity", s7E1, 0x4000, PortDefaults(),
         With(Configured(s7E1), [](DCB& d) { d.fDsrSensitivity = TRUE; })},
        {"0x0CCC: bits without effect still configure", s7E1, 0x0CCC, PortDefaults(),
         Configured(s7E1)},
        {"flow flags the port had are never cleared", s7E1, 0x0010,
         With(PortDefaults(),
              [](DCB& d) {
                  d.fOutxDsrFlow = TRUE;
                  d.fDsrSensitivity = TRUE;
              }),
         With(Configured(s7E1),
              [](DCB& d) {
                  d.fOutxCtsFlow = TRUE;
                  d.fOutxDsrFlow = TRUE;
                  d.fDsrSensitivity = TRUE;
              })},
        {"parity 0 keeps fParity as the port had it", s8N2, 0x0303,
         With(PortDefaults(), [](DCB& d) { d.fParity = TRUE; }),
         With(Configured(s8N2),
              [](DCB& d) {
                  d.fParity = TRUE;
                  d.fDtrControl = DTR_CONTROL_ENABLE;
                  d.fRtsControl = RTS_CONTROL_ENABLE;
              })},
        {"only the low bytes count", highBytes, 0x0303, PortDefaults(),
         With(PortDefaults(),
              [](DCB& d) {
                  d.BaudRate = 65535;
                  d.ByteSize = 7;
                  d.StopBits = 0;
                  d.Parity = 1;
                  d.fParity = TRUE;
                  d.ErrorChar = static_cast<char>(0xFC);
                  d.fErrorChar = FALSE;
                  d.fDtrControl = DTR_CONTROL_ENABLE;
                  d.fRtsControl = RTS_CONTROL_ENABLE;
              })},
    };
    for (const DcbCase& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedDeviceCreate("SCRIPTOPEN");
        ScriptedDeviceSetState("SCRIPTOPEN", c.before);
        HANDLE handle = nullptr;
        ASSERT_EQ(ComPortOpen("SCRIPTOPEN", &c.settings, c.lineControl, &handle), ComOk);
        ScriptedDeviceRecord record{};
        ASSERT_TRUE(ScriptedDeviceInspect("SCRIPTOPEN", &record));
        EXPECT_EQ(record.setStateCalls, 1);
        ExpectSameDcb(record.dcb, c.expected);
        EXPECT_EQ(record.timeouts.ReadIntervalTimeout, 0u);
        EXPECT_EQ(record.timeouts.ReadTotalTimeoutMultiplier, 0u);
        EXPECT_EQ(record.timeouts.ReadTotalTimeoutConstant, 1000u);
        EXPECT_EQ(record.timeouts.WriteTotalTimeoutMultiplier, 0u);
        EXPECT_EQ(record.timeouts.WriteTotalTimeoutConstant, 0u);
        EXPECT_EQ(record.inQueue, 1200u);
        EXPECT_EQ(record.outQueue, 1200u);
        ComPortClose(handle);
    }
    ScriptedDeviceRemove("SCRIPTOPEN");
}

TEST(ComPortOpen, EachFailedStepClosesThePort) {
    struct Case {
        const char* what;
        unsigned refused;
        int32_t result;
        int setStateCalls;
    };
    const Case cases[] = {
        {"GetCommState", ScriptedGetState, ComNotSerial, 0},
        {"SetCommTimeouts", ScriptedSetTimeouts, ComOpenFailed, 0},
        {"SetCommState", ScriptedSetState, ComBadSettings, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedDeviceCreate("SCRIPTFAIL");
        ScriptedDeviceRefuse("SCRIPTFAIL", c.refused);
        HANDLE handle = nullptr;
        EXPECT_EQ(ComPortOpen("SCRIPTFAIL", &line7E1, 0x0303, &handle), c.result);
        EXPECT_NE(handle, INVALID_HANDLE_VALUE); // the closed handle's value
        ScriptedDeviceRecord record{};
        ASSERT_TRUE(ScriptedDeviceInspect("SCRIPTFAIL", &record));
        EXPECT_FALSE(record.open);
        EXPECT_EQ(record.setStateCalls, c.setStateCalls);
        EXPECT_EQ(record.inQueue, 0u); // SetupComm not reached
        EXPECT_EQ(ComPortClose(handle), ComIoFailed);
    }
    ScriptedDeviceRemove("SCRIPTFAIL");
}

TEST(ComPortOpen, LineControlZeroLeavesThePortAsItWas) {
    ScriptedDeviceCreate("SCRIPTKEEP");
    HANDLE handle = nullptr;
    ASSERT_EQ(ComPortOpen("SCRIPTKEEP", &line7E1, 0, &handle), ComOk);
    ScriptedDeviceRecord record{};
    ASSERT_TRUE(ScriptedDeviceInspect("SCRIPTKEEP", &record));
    EXPECT_EQ(record.getStateCalls, 1);
    EXPECT_EQ(record.setStateCalls, 0);
    EXPECT_EQ(record.setTimeoutsCalls, 0);
    EXPECT_EQ(record.inQueue, 0u);
    EXPECT_EQ(record.dcb.BaudRate, 9600u);
    EXPECT_EQ(record.dcb.ByteSize, 8);
    ComPortClose(handle);
    ScriptedDeviceRemove("SCRIPTKEEP");
}

} // namespace

#endif
