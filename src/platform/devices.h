// The device kinds behind the stand-in's handles. Each takes an open
// descriptor (or none), builds its record and enters it in the handle table;
// on failure the descriptor is closed and INVALID_HANDLE_VALUE returned.
#pragma once

#include "platform/posix_win32.h"

// A terminal: a serial port or a pseudo-terminal, driven through termios.
HANDLE TerminalDeviceOpen(int fd);
// Anything else that opened: a regular file, /dev/null by its path. Reads
// and writes work; every communication call fails.
HANDLE FileDeviceOpen(int fd);
// "NUL": reads deliver nothing at once, writes take everything.
HANDLE NullDeviceOpen();
