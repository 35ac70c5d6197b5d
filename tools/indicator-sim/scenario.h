// A scenario: a few lines of text that string weight profiles, tare and
// decimal-point changes, faults, silence and line outages together.
//
//   # comment
//   seed 7
//   dp 3                               decimal-point code for what follows
//   tare 12.5                          tare for what follows
//   faults checksum=0.05 truncate=0.01 chances per message (also drop, noise, cr); "faults off"
//   hold 2s weight=0 [motion=1]        a constant reading
//   ramp 10s from=0 to=500 [settle=2s] moving (motion on), then settling at "to"
//   steps 6s from=0 to=300 count=3     jumps, each in motion briefly before it rests
//   silence 3s                         nothing on the line
//   away 2s                            the line goes away and comes back
//   loop                               start again from the top (last line)
//
// Durations are written as 1500ms, 2s or 2.5s. Weights may be negative.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "faults.h"
#include "frame_builder.h"

namespace sim {

enum class SegmentKind { Hold, Ramp, Steps, Silence, Away };

struct Segment {
    SegmentKind kind = SegmentKind::Hold;
    int64_t durationMs = 0;
    int64_t settleMs = 0; // ramp: part of durationMs spent settling at the end
    double from = 0;      // hold: the weight
    double to = 0;
    int count = 1;
    bool motion = false; // hold: motion flag
    double tare = 0;
    uint8_t decimalCode = 2;
    FaultRates faults;
    int line = 0; // in the scenario text
};

struct Scenario {
    std::vector<Segment> segments;
    uint64_t seed = 1;
    bool loop = false;
    int64_t TotalMs() const;
};

// What the line carries at one moment of the scenario.
struct Moment {
    SegmentKind kind = SegmentKind::Hold; // Silence and Away send nothing
    Reading reading;
    FaultRates faults;
    size_t segment = 0;
    bool finished = false; // past the end of a scenario that does not loop
};

// Parses the text; on an error returns nothing and says which line and why.
std::optional<Scenario> ParseScenario(const std::string& text, std::string* error);

Moment MomentAt(const Scenario& scenario, int64_t elapsedMs);

// Built-in scenarios by name ("fill", "constant", "steps", "negative",
// "codes", "faults"); empty when the name is unknown.
std::string BuiltinScenario(const std::string& name);
std::vector<std::string> BuiltinScenarioNames();

} // namespace sim
