#include "live_output.h"

#include <cmath>
#include <cstdio>

namespace host {

std::string DisplayValue(double value) {
    // Six significant digits, as many as the indicator's display has: the
    // single-precision steps of the decoder leave noise below them.
    int decimals = 5;
    for (double bound = 10; bound <= 1e5 && std::fabs(value) >= bound; bound *= 10) {
        --decimals;
    }
    if (std::fabs(value) >= 1e5) {
        decimals = 0;
    }
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    std::string out = text;
    if (out.find('.') != std::string::npos) {
        out.erase(out.find_last_not_of('0') + 1);
        if (out.back() == '.') {
            out.pop_back();
        }
    }
    if (out == "-0") {
        out = "0";
    }
    return out;
}

std::string StatusLine(const StatusView& view) {
    const char* comm = view.comm == CommView::Ok     ? "OK  "
                       : view.comm == CommView::Lost ? "LOST"
                                                     : "wait";
    char line[200];
    if (!view.anyValue) {
        std::snprintf(line, sizeof line,
                      "weight %10s | tare %9s | %-6s | %-3s | comm %s | %5.1f/s | age   -", "-",
                      "-", "-", "-", comm, view.updatesPerSecond);
        return line;
    }
    char age[16];
    std::snprintf(age, sizeof age, view.ageSeconds < 10 ? "%4.2fs" : "%4.0fs", view.ageSeconds);
    std::string weight = DisplayValue(view.weight) + (view.weightFailed ? "?" : "");
    std::snprintf(
        line, sizeof line, "weight %10s | tare %9s | %-6s | %-3s | comm %s | %5.1f/s | age %s",
        weight.c_str(), DisplayValue(view.tare).c_str(), view.motion ? "moving" : "steady",
        view.negative ? "neg" : "pos", comm, view.updatesPerSecond, age);
    return line;
}

std::string JsonNumber(double value) {
    if (!std::isfinite(value)) {
        return "null";
    }
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

std::string JsonTime(double seconds) {
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%.3f", seconds);
    return stamp;
}

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", byte);
            out += escape;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string JsonUpdate(double t, const pelkcore::GateState& gate) {
    return "{\"type\":\"update\",\"t\":" + JsonTime(t) + ",\"gate\":" + JsonString(gate.address) +
           ",\"value\":" + JsonNumber(gate.value) +
           ",\"failed\":" + (gate.failed ? "true" : "false") +
           ",\"count\":" + std::to_string(gate.updates) + "}";
}

std::string CsvUpdate(double t, const pelkcore::GateState& gate) {
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%.3f", t);
    return std::string(stamp) + "," + gate.address + "," + JsonNumber(gate.value) + "," +
           (gate.failed ? "1" : "0") + "," + std::to_string(gate.updates);
}

} // namespace host
