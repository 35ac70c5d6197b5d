// Only the kernel's own termios header is used here, for termios2 and BOTHER;
// it cannot share a translation unit with the C library's <termios.h>.
#include "platform/dcb_termios.h"

#include <asm/termbits.h>

namespace {

struct StandardRate {
    uint32_t rate;
    uint32_t code;
};

constexpr StandardRate standardRates[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

constexpr uint32_t maxRate = 4000000;

uint32_t SpeedCode(uint32_t rate) {
    for (const StandardRate& entry : standardRates) {
        if (entry.rate == rate) {
            return entry.code;
        }
    }
    return BOTHER;
}

uint32_t RateOfCode(uint32_t code) {
    for (const StandardRate& entry : standardRates) {
        if (entry.code == code) {
            return entry.rate;
        }
    }
    return 0;
}

bool ParityFlags(BYTE parity, uint32_t* flags) {
    switch (parity) {
    case NOPARITY:
        *flags = 0;
        return true;
    case ODDPARITY:
        *flags = PARENB | PARODD;
        return true;
    case EVENPARITY:
        *flags = PARENB;
        return true;
    case MARKPARITY:
        *flags = PARENB | CMSPAR | PARODD;
        return true;
    case SPACEPARITY:
        *flags = PARENB | CMSPAR;
        return true;
    default:
        return false;
    }
}

bool SizeFlags(BYTE byteSize, uint32_t* flags) {
    switch (byteSize) {
    case 5:
        *flags = CS5;
        return true;
    case 6:
        *flags = CS6;
        return true;
    case 7:
        *flags = CS7;
        return true;
    case 8:
        *flags = CS8;
        return true;
    default:
        return false;
    }
}

// 1.5 stop bits exist only with 5 data bits, 2 only with 6 to 8: a UART sends
// 1.5 where 2 are asked with 5 data bits.
bool StopFlags(BYTE stopBits, BYTE byteSize, uint32_t* flags) {
    switch (stopBits) {
    case ONESTOPBIT:
        *flags = 0;
        return true;
    case ONE5STOPBITS:
        *flags = CSTOPB;
        return byteSize == 5;
    case TWOSTOPBITS:
        *flags = CSTOPB;
        return byteSize != 5;
    default:
        return false;
    }
}

} // namespace

bool DcbToTermios(const DCB& dcb, const LineTermios& current, LineTermios* next) {
    if (dcb.BaudRate == 0 || dcb.BaudRate > maxRate) {
        return false;
    }
    uint32_t parity = 0;
    uint32_t size = 0;
    uint32_t stop = 0;
    if (!ParityFlags(dcb.Parity, &parity) || !SizeFlags(dcb.ByteSize, &size) ||
        !StopFlags(dcb.StopBits, dcb.ByteSize, &stop)) {
        return false;
    }
    if (dcb.fDtrControl == DTR_CONTROL_HANDSHAKE || dcb.fRtsControl == RTS_CONTROL_TOGGLE ||
        dcb.fOutxDsrFlow || dcb.fDsrSensitivity || dcb.fNull || dcb.fErrorChar ||
        dcb.fAbortOnError) {
        return false;
    }
    if ((dcb.fOutX || dcb.fInX) && dcb.XonChar == dcb.XoffChar) {
        return false;
    }

    // Raw input: no break or parity handling by the kernel (a break arrives as
    // a NUL byte, a byte with a parity error as received), no stripping, no
    // translation of line ends; XON/XOFF only when the DCB asks for it.
    uint32_t iflag =
        current.iflag &
        ~static_cast<uint32_t>(IGNBRK | BRKINT | IGNPAR | PARMRK | INPCK | ISTRIP | INLCR | IGNCR |
                               ICRNL | IXON | IXOFF | IXANY | IMAXBEL | IUCLC | IUTF8);
    if (dcb.fOutX) {
        iflag |= IXON;
    }
    if (dcb.fInX) {
        iflag |= IXOFF;
    }

    // Hardware flow: the kernel ties CTS output flow and RTS input handshake
    // to one flag; either asks for it.
    uint32_t cflag = current.cflag & ~static_cast<uint32_t>(CBAUD | CIBAUD | CSIZE | CSTOPB |
                                                            PARENB | PARODD | CMSPAR | CRTSCTS);
    cflag |= SpeedCode(dcb.BaudRate) | size | parity | stop | CREAD | CLOCAL;
    if (dcb.fOutxCtsFlow || dcb.fRtsControl == RTS_CONTROL_HANDSHAKE) {
        cflag |= CRTSCTS;
    }

    next->iflag = iflag;
    next->oflag = current.oflag & ~static_cast<uint32_t>(OPOST);
    next->cflag = cflag;
    next->lflag = current.lflag &
                  ~static_cast<uint32_t>(ISIG | ICANON | ECHO | ECHOE | ECHOK | ECHONL | ECHOCTL |
                                         ECHOPRT | ECHOKE | IEXTEN | NOFLSH | TOSTOP);
    next->rate = dcb.BaudRate;
    next->vmin = 0;
    next->vtime = 0;
    next->vstart = static_cast<uint8_t>(dcb.XonChar);
    next->vstop = static_cast<uint8_t>(dcb.XoffChar);
    return true;
}

void TermiosToDcb(const LineTermios& line, const DCB& kept, DCB* dcb) {
    *dcb = kept;
    dcb->DCBlength = sizeof(DCB);
    uint32_t code = line.cflag & CBAUD;
    dcb->BaudRate = code == BOTHER ? line.rate : RateOfCode(code);
    if (dcb->BaudRate == 0) {
        dcb->BaudRate = line.rate;
    }
    switch (line.cflag & CSIZE) {
    case CS5:
        dcb->ByteSize = 5;
        break;
    case CS6:
        dcb->ByteSize = 6;
        break;
    case CS7:
        dcb->ByteSize = 7;
        break;
    default:
        dcb->ByteSize = 8;
        break;
    }
    if ((line.cflag & PARENB) == 0) {
        dcb->Parity = NOPARITY;
    } else if ((line.cflag & CMSPAR) != 0) {
        dcb->Parity = (line.cflag & PARODD) != 0 ? MARKPARITY : SPACEPARITY;
    } else {
        dcb->Parity = (line.cflag & PARODD) != 0 ? ODDPARITY : EVENPARITY;
    }
    if ((line.cflag & CSTOPB) == 0) {
        dcb->StopBits = ONESTOPBIT;
    } else {
        dcb->StopBits = dcb->ByteSize == 5 ? ONE5STOPBITS : TWOSTOPBITS;
    }
    dcb->fBinary = TRUE;
    // The kernel's one hardware-flow flag stands for both CTS output flow and
    // RTS handshake: keep the modes last set while they agree with it.
    if ((line.cflag & CRTSCTS) == 0) {
        dcb->fOutxCtsFlow = FALSE;
        if (dcb->fRtsControl == RTS_CONTROL_HANDSHAKE) {
            dcb->fRtsControl = RTS_CONTROL_ENABLE;
        }
    } else if (!dcb->fOutxCtsFlow && dcb->fRtsControl != RTS_CONTROL_HANDSHAKE) {
        dcb->fOutxCtsFlow = TRUE;
    }
    dcb->fOutX = (line.iflag & IXON) != 0;
    dcb->fInX = (line.iflag & IXOFF) != 0;
    dcb->XonChar = static_cast<char>(line.vstart);
    dcb->XoffChar = static_cast<char>(line.vstop);
}
