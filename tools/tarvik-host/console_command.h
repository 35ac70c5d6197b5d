// The commands tarvik-host takes on standard input, one per line:
//   set KEY=VALUE | set KEY VALUE   SingleWrite of a setting gate
//   read GATE                        SingleRead of any gate
//   close | reopen | warm            CloseCom, ReOpenCom, WarmStart
//   change PORT [timeout=N] [baud=N] ChangeVpiParams (timeout in 10 ms units)
//   quit                             end through EndVpi
//   help
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace host {

struct ConsoleCommand {
    enum Kind { Empty, Invalid, Help, Set, Read, Close, Reopen, Warm, Change, Quit } kind = Empty;
    int gate = -1;            // Set, Read: index in driverGates
    double value = 0;         // Set
    std::string port;         // Change
    uint32_t readTimeout = 0; // Change: 0 keeps the driver's
    uint16_t baud = 0;        // Change: 0 keeps the line settings
    std::string error;        // Invalid: what is wrong
};

ConsoleCommand ParseConsoleCommand(const std::string& line);

// KEY=VALUE as given to --set and "set": a setting gate and a number.
bool ParseSetting(const std::string& text, int* gate, double* value, std::string* error);

extern const char* const consoleHelp;

} // namespace host
