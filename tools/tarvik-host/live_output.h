// What tarvik-host prints while the driver runs: the status line, and the
// records of the json and csv formats.
#pragma once

#include <string>

#include "pelkcore.h"

namespace host {

enum class CommView { Waiting, Ok, Lost };

struct StatusView {
    double weight = 0;
    double tare = 0;
    bool motion = false;
    bool negative = false;
    bool weightFailed = false;
    bool anyValue = false;
    CommView comm = CommView::Waiting;
    double updatesPerSecond = 0;
    double ageSeconds = -1; // of the last weight; < 0 before the first
};

// A value as the indicator's display shows it: six significant digits (at
// most five decimals), no trailing zeros.
std::string DisplayValue(double value);

std::string StatusLine(const StatusView& view);

// Exact enough to hold a float's value bit for bit.
std::string JsonNumber(double value);
std::string JsonString(const std::string& text);
// Seconds since the start, to the millisecond.
std::string JsonTime(double seconds);

std::string JsonUpdate(double t, const pelkcore::GateState& gate);
std::string CsvUpdate(double t, const pelkcore::GateState& gate);
inline constexpr const char* csvHeader = "t,gate,value,failed,count";

} // namespace host
