#include "run_records.h"

#include <bit>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "scale/frame.h"

namespace {

std::string Field(const std::string& line, const std::string& key) {
    std::string tag = "\"" + key + "\":";
    auto at = line.find(tag);
    if (at == std::string::npos) {
        return {};
    }
    at += tag.size();
    if (line[at] == '"') {
        auto end = line.find('"', at + 1);
        return line.substr(at + 1, end - at - 1);
    }
    auto end = line.find_first_of(",}", at);
    return line.substr(at, end - at);
}

std::vector<std::string> Lines(const std::string& text, const std::string& type) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (line.find("\"type\":\"" + type + "\"") != std::string::npos) {
            lines.push_back(line);
        }
    }
    return lines;
}

double FloatOf(const RawValue& raw) {
    uint32_t word = raw.bytes[0] | (raw.bytes[1] << 8) | (raw.bytes[2] << 16) |
                    (static_cast<uint32_t>(raw.bytes[3]) << 24);
    return static_cast<double>(std::bit_cast<float>(word));
}

} // namespace

std::string ReadText(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

size_t CountOf(const std::string& text, const std::string& what) {
    size_t count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++count;
    }
    return count;
}

std::vector<SentFrame> ReadSendLog(const std::string& path) {
    std::vector<SentFrame> frames;
    std::istringstream in(ReadText(path));
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        SentFrame frame;
        std::string kind, hex;
        if (!(words >> frame.ms >> kind >> frame.status >> hex) || kind != "frame") {
            continue;
        }
        for (size_t i = 0; i + 1 < hex.size(); i += 2) {
            frame.bytes.push_back(
                static_cast<uint8_t>(std::strtoul(hex.substr(i, 2).c_str(), nullptr, 16)));
        }
        frames.push_back(frame);
    }
    return frames;
}

std::set<GateTuple> IntactTuples(const std::vector<SentFrame>& frames) {
    std::set<GateTuple> tuples;
    for (const SentFrame& frame : frames) {
        if (frame.status != "intact" || frame.bytes.size() != 18 ||
            VerifyChecksum(frame.bytes.data()) != 0) {
            continue;
        }
        RawValue weight{}, tare{}, motion{}, negative{};
        if (DecodeValue(frame.bytes.data(), &weight, 0) != 0 ||
            DecodeValue(frame.bytes.data(), &tare, 1) != 0 ||
            DecodeValue(frame.bytes.data(), &motion, 2) != 0 ||
            DecodeValue(frame.bytes.data(), &negative, 3) != 0) {
            continue;
        }
        tuples.emplace(FloatOf(weight), FloatOf(tare), RawWord(motion) != 0 ? 1.0 : 0.0,
                       RawWord(negative) != 0 ? 1.0 : 0.0);
    }
    return tuples;
}

std::vector<Update> ParseUpdates(const std::string& output) {
    std::vector<Update> updates;
    for (const std::string& line : Lines(output, "update")) {
        Update update;
        update.t = std::strtod(Field(line, "t").c_str(), nullptr);
        update.gate = Field(line, "gate");
        update.value = std::strtod(Field(line, "value").c_str(), nullptr);
        update.failed = Field(line, "failed") == "true";
        updates.push_back(update);
    }
    return updates;
}

std::vector<std::string> ParseEvents(const std::string& output) {
    std::vector<std::string> events;
    for (const std::string& line : Lines(output, "event")) {
        events.push_back(Field(line, "event"));
    }
    return events;
}

std::vector<std::string> ParseReplies(const std::string& output) {
    std::vector<std::string> replies;
    for (const std::string& line : Lines(output, "reply")) {
        replies.push_back(Field(line, "text"));
    }
    return replies;
}

std::vector<GateTuple> CycleTuples(const std::vector<Update>& updates) {
    std::vector<GateTuple> tuples;
    for (size_t i = 0; i + 3 < updates.size(); ++i) {
        if (updates[i].gate == "WEIGHT" && updates[i + 1].gate == "TARE" &&
            updates[i + 2].gate == "MOTION" && updates[i + 3].gate == "NEGATIVE") {
            tuples.emplace_back(updates[i].value, updates[i + 1].value, updates[i + 2].value,
                                updates[i + 3].value);
            i += 3;
        }
    }
    return tuples;
}
