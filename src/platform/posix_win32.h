// Declarations of our POSIX stand-in for the Win32 calls the driver uses.
// Only what the driver needs is declared, with the documented Win32 meaning:
// the serial-communication calls, Sleep, the thread start and the process
// heap. Handles are entries of a small table (platform/handle_table.h); a
// serial port opened here drives a real terminal device through termios.
#pragma once

#include <cstddef>
#include <cstdint>

using BOOL = int;
using BYTE = uint8_t;
using WORD = uint16_t;
using DWORD = uint32_t;
using SIZE_T = size_t;
using HANDLE = void*;
using LPVOID = void*;
using LPCVOID = const void*;
using LPCSTR = const char*;
using LPDWORD = DWORD*;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

// Calling convention of callbacks; the x86 Windows one has no meaning here.
#define WINAPI

// The value CreateFileA returns when it fails.
#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1)))

inline constexpr DWORD MAXDWORD = 0xFFFFFFFFu;

// CreateFileA: access rights, creation disposition.
inline constexpr DWORD GENERIC_READ = 0x80000000u;
inline constexpr DWORD GENERIC_WRITE = 0x40000000u;
inline constexpr DWORD OPEN_EXISTING = 3;

// Security attributes and overlapped I/O are never used: the driver passes
// null pointers, and the stand-in refuses anything else.
struct SECURITY_ATTRIBUTES;
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;
struct OVERLAPPED;
using LPOVERLAPPED = OVERLAPPED*;

// Device control block: the line settings of a serial port.
struct DCB {
    DWORD DCBlength;             // size of this structure, set by the caller
    DWORD BaudRate;              // bits per second
    DWORD fBinary : 1;           // binary mode, no end-of-file check (always TRUE)
    DWORD fParity : 1;           // parity checking on input
    DWORD fOutxCtsFlow : 1;      // output held while CTS is off
    DWORD fOutxDsrFlow : 1;      // output held while DSR is off
    DWORD fDtrControl : 2;       // DTR_CONTROL_*
    DWORD fDsrSensitivity : 1;   // input ignored while DSR is off
    DWORD fTXContinueOnXoff : 1; // keep sending after XoffChar was sent
    DWORD fOutX : 1;             // XON/XOFF flow control of output
    DWORD fInX : 1;              // XON/XOFF flow control of input
    DWORD fErrorChar : 1;        // replace bytes with parity errors by ErrorChar
    DWORD fNull : 1;             // discard received NUL bytes
    DWORD fRtsControl : 2;       // RTS_CONTROL_*
    DWORD fAbortOnError : 1;     // abort reads and writes after an error
    DWORD fDummy2 : 17;          // reserved
    WORD wReserved;              // reserved, 0
    WORD XonLim;                 // input queue fill below which XON is sent
    WORD XoffLim;                // free input queue space below which XOFF is sent
    BYTE ByteSize;               // data bits, 5 to 8
    BYTE Parity;                 // NOPARITY .. SPACEPARITY
    BYTE StopBits;               // ONESTOPBIT, ONE5STOPBITS, TWOSTOPBITS
    char XonChar;                // XON character
    char XoffChar;               // XOFF character
    char ErrorChar;              // replacement for bytes with parity errors
    char EofChar;                // end-of-input character
    char EvtChar;                // character that signals an event
    WORD wReserved1;             // reserved
};
using LPDCB = DCB*;

inline constexpr DWORD DTR_CONTROL_DISABLE = 0;
inline constexpr DWORD DTR_CONTROL_ENABLE = 1;
inline constexpr DWORD DTR_CONTROL_HANDSHAKE = 2;
inline constexpr DWORD RTS_CONTROL_DISABLE = 0;
inline constexpr DWORD RTS_CONTROL_ENABLE = 1;
inline constexpr DWORD RTS_CONTROL_HANDSHAKE = 2;
inline constexpr DWORD RTS_CONTROL_TOGGLE = 3;

inline constexpr BYTE NOPARITY = 0;
inline constexpr BYTE ODDPARITY = 1;
inline constexpr BYTE EVENPARITY = 2;
inline constexpr BYTE MARKPARITY = 3;
inline constexpr BYTE SPACEPARITY = 4;

inline constexpr BYTE ONESTOPBIT = 0;
inline constexpr BYTE ONE5STOPBITS = 1;
inline constexpr BYTE TWOSTOPBITS = 2;

// Read and write time-outs of a port, in milliseconds.
struct COMMTIMEOUTS {
    DWORD ReadIntervalTimeout;         // longest gap between two bytes of one read
    DWORD ReadTotalTimeoutMultiplier;  // per byte asked for
    DWORD ReadTotalTimeoutConstant;    // added to the multiplier's total
    DWORD WriteTotalTimeoutMultiplier; // per byte written
    DWORD WriteTotalTimeoutConstant;   // added to the multiplier's total
};
using LPCOMMTIMEOUTS = COMMTIMEOUTS*;

// Port status that ClearCommError reports.
struct COMSTAT {
    DWORD fCtsHold : 1;  // output waits for CTS
    DWORD fDsrHold : 1;  // output waits for DSR
    DWORD fRlsdHold : 1; // output waits for RLSD (carrier)
    DWORD fXoffHold : 1; // output waits because XOFF was received
    DWORD fXoffSent : 1; // output waits because XOFF was sent
    DWORD fEof : 1;      // EofChar received
    DWORD fTxim : 1;     // a character waits for immediate transmission
    DWORD fReserved : 25;
    DWORD cbInQue;  // bytes received and not yet read
    DWORD cbOutQue; // bytes not yet sent
};
using LPCOMSTAT = COMSTAT*;

// Error bits ClearCommError reports.
inline constexpr DWORD CE_RXOVER = 0x0001;   // input queue overflow: bytes were dropped
inline constexpr DWORD CE_OVERRUN = 0x0002;  // hardware overrun
inline constexpr DWORD CE_RXPARITY = 0x0004; // parity error
inline constexpr DWORD CE_FRAME = 0x0008;    // framing error
inline constexpr DWORD CE_BREAK = 0x0010;    // break received

HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode,
                   LPSECURITY_ATTRIBUTES securityAttributes, DWORD creationDisposition,
                   DWORD flagsAndAttributes, HANDLE templateFile);
BOOL CloseHandle(HANDLE object);
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD numberOfBytesToRead, LPDWORD numberOfBytesRead,
              LPOVERLAPPED overlapped);
BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD numberOfBytesToWrite,
               LPDWORD numberOfBytesWritten, LPOVERLAPPED overlapped);
BOOL GetCommState(HANDLE file, LPDCB dcb);
BOOL SetCommState(HANDLE file, LPDCB dcb);
BOOL GetCommTimeouts(HANDLE file, LPCOMMTIMEOUTS timeouts);
BOOL SetCommTimeouts(HANDLE file, LPCOMMTIMEOUTS timeouts);
BOOL SetupComm(HANDLE file, DWORD inQueue, DWORD outQueue);
BOOL ClearCommError(HANDLE file, LPDWORD errors, LPCOMSTAT stat);
BOOL SetCommBreak(HANDLE file);
BOOL ClearCommBreak(HANDLE file);
void Sleep(DWORD milliseconds);

// Threads: the routine gets the one pointer argument; the thread runs
// detached, and its handle may be closed at once with CloseHandle.
using LPTHREAD_START_ROUTINE = DWORD(WINAPI*)(LPVOID parameter);
HANDLE CreateThread(LPSECURITY_ATTRIBUTES threadAttributes, SIZE_T stackSize,
                    LPTHREAD_START_ROUTINE startAddress, LPVOID parameter, DWORD creationFlags,
                    LPDWORD threadId);

// The process heap.
inline constexpr DWORD HEAP_ZERO_MEMORY = 0x00000008u;
HANDLE GetProcessHeap();
LPVOID HeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes);
BOOL HeapFree(HANDLE heap, DWORD flags, LPVOID memory);
