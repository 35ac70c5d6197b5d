// The kernel calls on a terminal descriptor: line settings through termios2
// (any rate), modem lines and break.
#pragma once

#include "platform/dcb_termios.h"

bool TerminalGetLine(int fd, LineTermios* line);
bool TerminalSetLine(int fd, const LineTermios& line);
// A line without modem lines (a pseudo-terminal) reports present = false and
// takes any setting without error.
bool TerminalGetModemLines(int fd, bool* present, bool* dtr, bool* rts);
bool TerminalSetDtr(int fd, bool on);
bool TerminalSetRts(int fd, bool on);
bool TerminalSetBreak(int fd, bool on);
// Exclusive use against other opens of the device by unprivileged processes.
void TerminalSetExclusive(int fd, bool on);
