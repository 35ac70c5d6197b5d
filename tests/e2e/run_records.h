// What the two programs leave behind: the simulator's send log and the host
// program's json records, read back for the checks.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <tuple>
#include <vector>

struct SentFrame {
    int64_t ms = 0;
    std::string status; // "intact", "damaged:<kind>", "unsent:<why>"
    std::vector<uint8_t> bytes;
};

std::vector<SentFrame> ReadSendLog(const std::string& path);

// The four values a frame puts into the host's gates: weight, tare, motion, sign.
using GateTuple = std::tuple<double, double, double, double>;

// Decodes every intact frame with the driver's own decoder into the values
// the host's gates must then hold (digital gates as the runtime cooks them).
std::set<GateTuple> IntactTuples(const std::vector<SentFrame>& frames);

struct Update {
    double t = 0;
    std::string gate;
    double value = 0;
    bool failed = false;
};

// The host's json records of one kind, in order.
std::vector<Update> ParseUpdates(const std::string& output);
std::vector<std::string> ParseEvents(const std::string& output);
std::vector<std::string> ParseReplies(const std::string& output);

// Runs of WEIGHT, TARE, MOTION, NEGATIVE updates in a row: one polling cycle each.
std::vector<GateTuple> CycleTuples(const std::vector<Update>& updates);

std::string ReadText(const std::string& path);
size_t CountOf(const std::string& text, const std::string& what);
