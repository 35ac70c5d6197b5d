// The translation between a DCB and a terminal's line settings, kept pure so
// that it can be checked case by case without a device. The flags use the
// kernel's termios bit values; `cflag` carries the speed code (a standard
// Bnnn, or BOTHER with the rate in `rate`).
#pragma once

#include <cstdint>

#include "platform/posix_win32.h"

struct LineTermios {
    uint32_t iflag;
    uint32_t oflag;
    uint32_t cflag;
    uint32_t lflag;
    uint32_t rate; // bits per second
    uint8_t vmin;
    uint8_t vtime;
    uint8_t vstart; // XON
    uint8_t vstop;  // XOFF
};

// Builds the raw line the DCB asks for from the current settings: no echo, no
// canonical mode, no translation of characters, reads that never wait in the
// kernel. Returns false, leaving `next` unspecified, for what a terminal line
// cannot do: rates of 0 or above 4000000, data bits outside 5..8, unknown
// parity, 1.5 stop bits with more than 5 data bits or 2 with 5, DTR handshake,
// RTS toggle, DSR flow control or sensitivity, NUL stripping, error
// replacement, abort on error, equal XON and XOFF characters with XON/XOFF on.
bool DcbToTermios(const DCB& dcb, const LineTermios& current, LineTermios* next);

// The DCB a terminal reports: what its settings hold, and for the members the
// line does not keep (modem-line modes, limits, special characters) the
// values of `kept`, the DCB last set.
void TermiosToDcb(const LineTermios& line, const DCB& kept, DCB* dcb);
