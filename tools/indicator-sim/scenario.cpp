#include "scenario.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <sstream>

namespace sim {
namespace {

bool ParseNumber(const std::string& text, double* value) {
    if (text.empty()) {
        return false;
    }
    char* end = nullptr;
    double parsed = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || !std::isfinite(parsed)) {
        return false;
    }
    *value = parsed;
    return true;
}

bool ParseDuration(const std::string& text, int64_t* ms) {
    double scale = 0;
    std::string number;
    if (text.size() > 2 && text.ends_with("ms")) {
        scale = 1;
        number = text.substr(0, text.size() - 2);
    } else if (text.size() > 1 && text.ends_with("s")) {
        scale = 1000;
        number = text.substr(0, text.size() - 1);
    } else {
        return false;
    }
    double value = 0;
    if (!ParseNumber(number, &value) || value < 0 || value > 1e9) {
        return false;
    }
    *ms = static_cast<int64_t>(std::llround(value * scale));
    return true;
}

struct Line {
    std::string word;
    std::vector<std::string> positional;
    std::map<std::string, std::string> named;
};

Line SplitLine(const std::string& text) {
    Line line;
    std::istringstream in(text.substr(0, text.find('#')));
    std::string token;
    while (in >> token) {
        if (line.word.empty()) {
            line.word = token;
        } else if (auto eq = token.find('='); eq != std::string::npos) {
            line.named[token.substr(0, eq)] = token.substr(eq + 1);
        } else {
            line.positional.push_back(token);
        }
    }
    return line;
}

class Parser {
  public:
    std::optional<Scenario> Run(const std::string& text, std::string* error) {
        std::istringstream in(text);
        std::string raw;
        while (std::getline(in, raw)) {
            ++lineNumber_;
            Line line = SplitLine(raw);
            if (line.word.empty()) {
                continue;
            }
            if (scenario_.loop) {
                return Fail(error, "nothing may follow \"loop\"");
            }
            if (!Take(line)) {
                return Fail(error, problem_);
            }
        }
        if (scenario_.TotalMs() == 0) {
            return Fail(error, "the scenario has no step that takes time");
        }
        return scenario_;
    }

  private:
    std::optional<Scenario> Fail(std::string* error, const std::string& why) {
        if (error != nullptr) {
            *error = "line " + std::to_string(lineNumber_) + ": " + why;
        }
        return std::nullopt;
    }

    bool Problem(const std::string& why) {
        problem_ = why;
        return false;
    }

    bool Number(const Line& line, const std::string& key, double* value, bool required) {
        auto it = line.named.find(key);
        if (it == line.named.end()) {
            return required ? Problem("\"" + line.word + "\" needs " + key + "=") : true;
        }
        return ParseNumber(it->second, value) ? true
                                              : Problem("\"" + it->second + "\" is not a number");
    }

    bool Take(const Line& line) {
        const std::string& w = line.word;
        if (w == "loop") {
            scenario_.loop = true;
            return true;
        }
        if (w == "seed" || w == "dp" || w == "tare") {
            double value = 0;
            if (line.positional.size() != 1 || !ParseNumber(line.positional[0], &value)) {
                return Problem("\"" + w + "\" needs one number");
            }
            if (w == "seed") {
                scenario_.seed = static_cast<uint64_t>(std::fabs(value));
            } else if (w == "dp") {
                if (value < 0 || value > 7 || value != std::floor(value)) {
                    return Problem("the decimal-point code is 0 to 7");
                }
                decimalCode_ = static_cast<uint8_t>(value);
            } else {
                if (value < 0) {
                    return Problem("a tare is not negative");
                }
                tare_ = value;
            }
            return true;
        }
        if (w == "faults") {
            return TakeFaults(line);
        }
        static const std::map<std::string, SegmentKind> kinds = {
            {"hold", SegmentKind::Hold},   {"ramp", SegmentKind::Ramp},
            {"steps", SegmentKind::Steps}, {"silence", SegmentKind::Silence},
            {"away", SegmentKind::Away},
        };
        auto kind = kinds.find(w);
        if (kind == kinds.end()) {
            return Problem("unknown step \"" + w + "\"");
        }
        Segment segment;
        segment.kind = kind->second;
        segment.tare = tare_;
        segment.decimalCode = decimalCode_;
        segment.faults = faults_;
        segment.line = lineNumber_;
        if (line.positional.size() != 1 ||
            !ParseDuration(line.positional[0], &segment.durationMs)) {
            return Problem("\"" + w + "\" needs a duration such as 2s or 500ms");
        }
        switch (segment.kind) {
        case SegmentKind::Hold: {
            double motion = 0;
            if (!Number(line, "weight", &segment.from, true) ||
                !Number(line, "motion", &motion, false)) {
                return false;
            }
            segment.to = segment.from;
            segment.motion = motion != 0;
            break;
        }
        case SegmentKind::Ramp: {
            if (!Number(line, "from", &segment.from, true) ||
                !Number(line, "to", &segment.to, true)) {
                return false;
            }
            if (auto it = line.named.find("settle"); it != line.named.end()) {
                if (!ParseDuration(it->second, &segment.settleMs)) {
                    return Problem("settle= needs a duration");
                }
            }
            segment.durationMs += segment.settleMs;
            break;
        }
        case SegmentKind::Steps: {
            double count = 1;
            if (!Number(line, "from", &segment.from, true) ||
                !Number(line, "to", &segment.to, true) || !Number(line, "count", &count, true)) {
                return false;
            }
            if (count < 1 || count > 1000 || count != std::floor(count)) {
                return Problem("count= is 1 to 1000");
            }
            segment.count = static_cast<int>(count);
            break;
        }
        case SegmentKind::Silence:
        case SegmentKind::Away:
            break;
        }
        scenario_.segments.push_back(segment);
        return true;
    }

    bool TakeFaults(const Line& line) {
        if (line.positional.size() == 1 && line.positional[0] == "off" && line.named.empty()) {
            faults_ = {};
            return true;
        }
        if (!line.positional.empty() || line.named.empty()) {
            return Problem("\"faults\" needs kind=chance pairs or \"off\"");
        }
        FaultRates rates;
        std::map<std::string, double*> fields = {{"checksum", &rates.checksum},
                                                 {"drop", &rates.drop},
                                                 {"noise", &rates.noise},
                                                 {"truncate", &rates.truncate},
                                                 {"cr", &rates.cr}};
        for (const auto& [key, text] : line.named) {
            auto field = fields.find(key);
            if (field == fields.end()) {
                return Problem("unknown fault \"" + key + "\"");
            }
            double value = 0;
            if (!ParseNumber(text, &value) || value < 0 || value > 1) {
                return Problem("a chance is 0 to 1, not \"" + text + "\"");
            }
            *field->second = value;
        }
        faults_ = rates;
        return true;
    }

    Scenario scenario_;
    int lineNumber_ = 0;
    std::string problem_;
    double tare_ = 0;
    uint8_t decimalCode_ = 2;
    FaultRates faults_;
};

// Weight and motion of a timed step, `t` ms into it.
std::pair<double, bool> WeightAt(const Segment& s, int64_t t) {
    switch (s.kind) {
    case SegmentKind::Ramp: {
        int64_t moving = s.durationMs - s.settleMs;
        if (t < moving) {
            double p = static_cast<double>(t) / static_cast<double>(moving);
            return {s.from + (s.to - s.from) * p, true};
        }
        // Settling: a small overshoot that dies away, still in motion, then at rest.
        int64_t into = t - moving;
        if (into * 2 < s.settleMs) {
            double left = 1.0 - static_cast<double>(into * 2) / static_cast<double>(s.settleMs);
            return {s.to + (s.to - s.from) * 0.005 * left, true};
        }
        return {s.to, false};
    }
    case SegmentKind::Steps: {
        int64_t each = std::max<int64_t>(1, s.durationMs / s.count);
        int64_t level = std::min<int64_t>(t / each, s.count - 1) + 1;
        bool moving = (t % each) * 4 < each;
        return {s.from + (s.to - s.from) * static_cast<double>(level) / s.count, moving};
    }
    default:
        return {s.from, s.motion};
    }
}

} // namespace

int64_t Scenario::TotalMs() const {
    int64_t total = 0;
    for (const Segment& s : segments) {
        total += s.durationMs;
    }
    return total;
}

std::optional<Scenario> ParseScenario(const std::string& text, std::string* error) {
    return Parser().Run(text, error);
}

Moment MomentAt(const Scenario& scenario, int64_t elapsedMs) {
    Moment moment;
    int64_t total = scenario.TotalMs();
    if (total <= 0 || scenario.segments.empty()) {
        moment.finished = true;
        moment.kind = SegmentKind::Silence;
        return moment;
    }
    if (elapsedMs >= total && !scenario.loop) {
        moment.finished = true;
        elapsedMs = total - 1; // hold the last reading
    }
    int64_t t = std::max<int64_t>(0, elapsedMs) % total;
    for (size_t i = 0; i < scenario.segments.size(); ++i) {
        const Segment& s = scenario.segments[i];
        if (t < s.durationMs) {
            auto [weight, motion] = WeightAt(s, t);
            moment.kind = s.kind;
            moment.reading = ReadingFor(weight, s.tare, s.decimalCode, motion);
            moment.faults = s.faults;
            moment.segment = i;
            return moment;
        }
        t -= s.durationMs;
    }
    return moment;
}

std::vector<std::string> BuiltinScenarioNames() {
    return {"fill", "constant", "steps", "negative", "codes", "faults"};
}

std::string BuiltinScenario(const std::string& name) {
    if (name == "fill") {
        return "# A filling cycle: a drum is put on and tared, filled to 500 kg,\n"
               "# emptied and lifted off again.\n"
               "dp 3\n"
               "hold 2s weight=0\n"
               "ramp 1s from=0 to=25.4 settle=800ms   # the empty drum is put on\n"
               "tare 25.4\n"
               "hold 1500ms weight=0                  # tared: net zero\n"
               "ramp 12s from=0 to=500 settle=2s     # filling\n"
               "hold 3s weight=500\n"
               "ramp 4s from=500 to=0 settle=1s      # emptying\n"
               "ramp 1s from=0 to=-25.4 settle=800ms # the drum is lifted off\n"
               "tare 0\n"
               "hold 2s weight=0\n"
               "loop\n";
    }
    if (name == "constant") {
        return "dp 3\ntare 10\nhold 10s weight=123.4\nloop\n";
    }
    if (name == "steps") {
        return "dp 2\nsteps 12s from=0 to=1200 count=4\nsteps 6s from=1200 to=0 count=2\nloop\n";
    }
    if (name == "negative") {
        return "dp 3\nramp 5s from=20 to=-20\nhold 3s weight=-12.3\nramp 5s from=-20 to=20\nloop\n";
    }
    if (name == "codes") {
        std::string text;
        for (int code = 0; code <= 7; ++code) {
            text += "dp " + std::to_string(code) + "\nhold 1500ms weight=" +
                    (code <= 2 ? std::string("1200") : std::string("1.2345")) + "\n";
        }
        return text + "loop\n";
    }
    if (name == "faults") {
        return "seed 11\n"
               "dp 3\n"
               "tare 5\n"
               "hold 4s weight=100\n"
               "faults checksum=0.05 drop=0.02 noise=0.02 truncate=0.02 cr=0.02\n"
               "ramp 6s from=100 to=200 settle=1s\n"
               "faults off\n"
               "silence 3s\n"
               "hold 4s weight=200\n"
               "faults checksum=1\n"
               "hold 2s weight=200\n"
               "faults off\n"
               "hold 4s weight=150\n"
               "loop\n";
    }
    return {};
}

} // namespace sim
