// Helpers of the INT file tests: the settings of a context and the log lines
// the reader writes.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "host/driver_context.h"
#include "host/host_runtime.h"
#include "support/recording_host.h"

struct Settings {
    uint32_t sample, reaction, sync, retries, debug;
    bool operator==(const Settings&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Settings& s) {
    return out << "{sample " << s.sample << ", reaction " << s.reaction << ", sync " << s.sync
               << ", retries " << s.retries << ", debug " << s.debug << "}";
}

inline std::ostream& operator<<(std::ostream& out, const LogLine& line) {
    return out << line.level << " \"" << line.text << "\"";
}

// A context as ColdStart leaves it before the file is read.
inline DriverContext DefaultContext() {
    DriverContext context{};
    context.sample = 35;
    context.reaction = 0;
    context.sync = 10;
    context.retries = 5;
    context.debug = 0;
    return context;
}

inline Settings SettingsOf(const DriverContext& c) {
    return {c.sample, c.reaction, c.sync, c.retries, c.debug};
}

inline LogLine Info(const std::string& text) {
    return {logInfo, "TARVIK> " + text};
}

inline LogLine Illegal(unsigned number, const std::string& file) {
    return {logError,
            "TARVIK> ReadIntFile() illegal line " + std::to_string(number) + " in '" + file + "'"};
}
