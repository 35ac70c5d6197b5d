// The kernel's termios2 comes from its own header, which cannot share a
// translation unit with the C library's <termios.h>.
#include "platform/terminal_line.h"

#include <asm/termbits.h>
#include <cerrno>
#include <sys/ioctl.h>

namespace {

// ENOTTY (EINVAL on older kernels): the line has no modem lines.
bool NoModemLines(int error) {
    return error == ENOTTY || error == EINVAL;
}

bool ChangeModemBit(int fd, int bit, bool on) {
    if (ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &bit) == 0) {
        return true;
    }
    return NoModemLines(errno);
}

} // namespace

bool TerminalGetLine(int fd, LineTermios* line) {
    struct termios2 settings {};
    if (ioctl(fd, TCGETS2, &settings) != 0) {
        return false;
    }
    line->iflag = settings.c_iflag;
    line->oflag = settings.c_oflag;
    line->cflag = settings.c_cflag;
    line->lflag = settings.c_lflag;
    line->rate = settings.c_ospeed;
    line->vmin = settings.c_cc[VMIN];
    line->vtime = settings.c_cc[VTIME];
    line->vstart = settings.c_cc[VSTART];
    line->vstop = settings.c_cc[VSTOP];
    return true;
}

bool TerminalSetLine(int fd, const LineTermios& line) {
    struct termios2 settings {};
    if (ioctl(fd, TCGETS2, &settings) != 0) {
        return false;
    }
    settings.c_iflag = line.iflag;
    settings.c_oflag = line.oflag;
    settings.c_cflag = line.cflag;
    settings.c_lflag = line.lflag;
    settings.c_ispeed = line.rate;
    settings.c_ospeed = line.rate;
    settings.c_cc[VMIN] = line.vmin;
    settings.c_cc[VTIME] = line.vtime;
    settings.c_cc[VSTART] = line.vstart;
    settings.c_cc[VSTOP] = line.vstop;
    return ioctl(fd, TCSETS2, &settings) == 0;
}

bool TerminalGetModemLines(int fd, bool* present, bool* dtr, bool* rts) {
    int bits = 0;
    if (ioctl(fd, TIOCMGET, &bits) != 0) {
        *present = false;
        *dtr = false;
        *rts = false;
        return NoModemLines(errno);
    }
    *present = true;
    *dtr = (bits & TIOCM_DTR) != 0;
    *rts = (bits & TIOCM_RTS) != 0;
    return true;
}

bool TerminalSetDtr(int fd, bool on) {
    return ChangeModemBit(fd, TIOCM_DTR, on);
}

bool TerminalSetRts(int fd, bool on) {
    return ChangeModemBit(fd, TIOCM_RTS, on);
}

bool TerminalSetBreak(int fd, bool on) {
    return ioctl(fd, on ? TIOCSBRK : TIOCCBRK) == 0;
}

void TerminalSetExclusive(int fd, bool on) {
    ioctl(fd, on ? TIOCEXCL : TIOCNXCL);
}
