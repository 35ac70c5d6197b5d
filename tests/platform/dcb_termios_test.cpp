// The DCB-to-termios mapping as a table. A pty cannot show most of it (it
// forces CS8 and no parity), so the mapping is checked on its own.
// These cases drive Linux devices and the POSIX stand-in.
#if !defined(_WIN32)

#include <asm/termbits.h>
#include <gtest/gtest.h>

#include "platform/dcb_termios.h"
#include "support/line_dcb.h"

namespace {

// A fresh terminal: canonical, echoing, translating.
LineTermios Cooked() {
    LineTermios line{};
    line.iflag = ICRNL | IXON | IMAXBEL | BRKINT | ISTRIP | INPCK;
    line.oflag = OPOST | ONLCR;
    line.cflag = B38400 | CS8 | CREAD | HUPCL;
    line.lflag = ISIG | ICANON | ECHO | ECHOE | ECHOK | ECHOCTL | ECHOKE | IEXTEN;
    line.rate = 38400;
    line.vmin = 1;
    line.vtime = 0;
    return line;
}

constexpr uint32_t formatBits = CBAUD | CSIZE | CSTOPB | PARENB | PARODD | CMSPAR | CRTSCTS;

TEST(DcbToTermios, LineFormats) {
    struct Case {
        const char* what;
        DCB dcb;
        uint32_t cflag; // the format bits expected
        uint32_t rate;
    };
    auto cts = LineDcb(9600, 8, NOPARITY, ONESTOPBIT);
    cts.fOutxCtsFlow = TRUE;
    auto rtsHandshake = LineDcb(9600, 8, NOPARITY, ONESTOPBIT);
    rtsHandshake.fRtsControl = RTS_CONTROL_HANDSHAKE;
    const Case cases[] = {
        {"9600 7E1", LineDcb(9600, 7, EVENPARITY, ONESTOPBIT), B9600 | CS7 | PARENB, 9600},
        {"9600 8N1", LineDcb(9600, 8, NOPARITY, ONESTOPBIT), B9600 | CS8, 9600},
        {"2400 7O2", LineDcb(2400, 7, ODDPARITY, TWOSTOPBITS),
         B2400 | CS7 | PARENB | PARODD | CSTOPB, 2400},
        {"19200 8M1", LineDcb(19200, 8, MARKPARITY, ONESTOPBIT),
         B19200 | CS8 | PARENB | PARODD | CMSPAR, 19200},
        {"57600 8S1", LineDcb(57600, 8, SPACEPARITY, ONESTOPBIT), B57600 | CS8 | PARENB | CMSPAR,
         57600},
        {"110 5N1.5", LineDcb(110, 5, NOPARITY, ONE5STOPBITS), B110 | CS5 | CSTOPB, 110},
        {"300 6N2", LineDcb(300, 6, NOPARITY, TWOSTOPBITS), B300 | CS6 | CSTOPB, 300},
        {"non-standard 1234", LineDcb(1234, 8, NOPARITY, ONESTOPBIT), BOTHER | CS8, 1234},
        {"non-standard 65535", LineDcb(65535, 8, NOPARITY, ONESTOPBIT), BOTHER | CS8, 65535},
        {"CTS output flow", cts, B9600 | CS8 | CRTSCTS, 9600},
        {"RTS handshake", rtsHandshake, B9600 | CS8 | CRTSCTS, 9600},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LineTermios next{};
        ASSERT_TRUE(DcbToTermios(c.dcb, Cooked(), &next));
        EXPECT_EQ(next.cflag & formatBits, c.cflag);
        EXPECT_EQ(next.rate, c.rate);
        EXPECT_NE(next.cflag & CREAD, 0u);
        EXPECT_NE(next.cflag & CLOCAL, 0u);
        EXPECT_NE(next.cflag & HUPCL, 0u); // kept as it was
    }
}

TEST(DcbToTermios, TheLineIsRaw) {
    LineTermios next{};
    ASSERT_TRUE(DcbToTermios(LineDcb(9600, 7, EVENPARITY, ONESTOPBIT), Cooked(), &next));
    EXPECT_EQ(next.iflag, 0u); // no translation, stripping, parity marking or XON/XOFF
    EXPECT_EQ(next.oflag & OPOST, 0u);
    EXPECT_EQ(next.lflag & (ICANON | ECHO | ECHOE | ECHOK | ECHONL | ISIG | IEXTEN), 0u);
    EXPECT_EQ(next.vmin, 0);
    EXPECT_EQ(next.vtime, 0);

    auto xonXoff = LineDcb(9600, 8, NOPARITY, ONESTOPBIT);
    xonXoff.fOutX = TRUE;
    xonXoff.fInX = TRUE;
    ASSERT_TRUE(DcbToTermios(xonXoff, Cooked(), &next));
    EXPECT_EQ(next.iflag, static_cast<uint32_t>(IXON | IXOFF));
    EXPECT_EQ(next.vstart, 0x11);
    EXPECT_EQ(next.vstop, 0x13);
}

TEST(DcbToTermios, RefusesWhatTheLineCannotDo) {
    struct Case {
        const char* what;
        DCB dcb;
    };
    auto with = [](auto edit) {
        DCB dcb = LineDcb(9600, 8, NOPARITY, ONESTOPBIT);
        edit(dcb);
        return dcb;
    };
    const Case cases[] = {
        {"rate 0", LineDcb(0, 8, NOPARITY, ONESTOPBIT)},
        {"rate above 4000000", LineDcb(4000001, 8, NOPARITY, ONESTOPBIT)},
        {"4 data bits", LineDcb(9600, 4, NOPARITY, ONESTOPBIT)},
        {"9 data bits", LineDcb(9600, 9, NOPARITY, ONESTOPBIT)},
        {"parity 5", LineDcb(9600, 8, 5, ONESTOPBIT)},
        {"1.5 stop bits with 8 data bits", LineDcb(9600, 8, NOPARITY, ONE5STOPBITS)},
        {"2 stop bits with 5 data bits", LineDcb(9600, 5, NOPARITY, TWOSTOPBITS)},
        {"stop bits 3", LineDcb(9600, 8, NOPARITY, 3)},
        {"DTR handshake", with([](DCB& d) { d.fDtrControl = DTR_CONTROL_HANDSHAKE; })},
        {"RTS toggle", with([](DCB& d) { d.fRtsControl = RTS_CONTROL_TOGGLE; })},
        {"DSR output flow", with([](DCB& d) { d.fOutxDsrFlow = TRUE; })},
        {"DSR sensitivity", with([](DCB& d) { d.fDsrSensitivity = TRUE; })},
        {"NUL stripping", with([](DCB& d) { d.fNull = TRUE; })},
        {"error replacement", with([](DCB& d) { d.fErrorChar = TRUE; })},
        {"abort on error", with([](DCB& d) { d.fAbortOnError = TRUE; })},
        {"XON equal to XOFF", with([](DCB& d) {
             d.fOutX = TRUE;
             d.XoffChar = d.XonChar;
         })},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LineTermios next{};
        EXPECT_FALSE(DcbToTermios(c.dcb, Cooked(), &next));
    }
}

TEST(TermiosToDcb, ReportsWhatWasSet) {
    const DCB cases[] = {
        LineDcb(9600, 7, EVENPARITY, ONESTOPBIT),
        LineDcb(1234, 8, ODDPARITY, TWOSTOPBITS),
        LineDcb(110, 5, MARKPARITY, ONE5STOPBITS),
        LineDcb(115200, 6, SPACEPARITY, ONESTOPBIT),
    };
    for (const DCB& set : cases) {
        SCOPED_TRACE(set.BaudRate);
        LineTermios line{};
        ASSERT_TRUE(DcbToTermios(set, Cooked(), &line));
        DCB kept = set;
        kept.ErrorChar = static_cast<char>(0xFC);
        DCB got{};
        TermiosToDcb(line, kept, &got);
        EXPECT_EQ(got.BaudRate, set.BaudRate);
        EXPECT_EQ(got.ByteSize, set.ByteSize);
        EXPECT_EQ(got.Parity, set.Parity);
        EXPECT_EQ(got.StopBits, set.StopBits);
        EXPECT_EQ(got.fDtrControl, set.fDtrControl);
        EXPECT_EQ(got.fRtsControl, set.fRtsControl);
        EXPECT_EQ(static_cast<uint8_t>(got.ErrorChar), 0xFC);
        EXPECT_EQ(got.DCBlength, sizeof(DCB));
    }
}

} // namespace

#endif
