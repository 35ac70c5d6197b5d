// A DCB for a raw line of the given format, with DTR and RTS on and the
// usual XON/XOFF characters: the starting point of the line-setting tests.
#pragma once

#include "platform/posix_win32.h"

inline DCB LineDcb(DWORD rate, BYTE size, BYTE parity, BYTE stop) {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    dcb.BaudRate = rate;
    dcb.fBinary = TRUE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.ByteSize = size;
    dcb.Parity = parity;
    dcb.StopBits = stop;
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
    return dcb;
}
