#include "send_log.h"

namespace sim {

std::string DisplayText(uint32_t counts, bool negative, uint8_t decimalCode) {
    int places = static_cast<int>(decimalCode & 7) - 2; // digits after the point
    std::string digits = std::to_string(counts);
    std::string text;
    if (places <= 0) {
        text = digits + (counts == 0 ? "" : std::string(static_cast<size_t>(-places), '0'));
    } else {
        if (digits.size() <= static_cast<size_t>(places)) {
            digits.insert(0, static_cast<size_t>(places) + 1 - digits.size(), '0');
        }
        text = digits.substr(0, digits.size() - static_cast<size_t>(places)) + "." +
               digits.substr(digits.size() - static_cast<size_t>(places));
    }
    return (negative ? "-" : "") + text;
}

std::string FrameLogLine(int64_t ms, const std::string& status, const std::vector<uint8_t>& bytes,
                         const Reading& reading) {
    return std::to_string(ms) + " frame " + status + " " + HexOf(bytes.data(), bytes.size()) +
           " w=" + DisplayText(reading.weightCounts, reading.negative, reading.decimalCode) +
           " t=" + DisplayText(reading.tareCounts, false, reading.decimalCode) +
           " dp=" + std::to_string(reading.decimalCode) + " m=" + (reading.motion ? "1" : "0") +
           " n=" + (reading.negative ? "1" : "0");
}

SendLog::~SendLog() {
    if (file_ != nullptr) {
        std::fclose(file_);
    }
}

bool SendLog::Open(const std::string& path) {
    file_ = std::fopen(path.c_str(), "w");
    return file_ != nullptr;
}

void SendLog::Frame(int64_t ms, const std::string& status, const std::vector<uint8_t>& bytes,
                    const Reading& reading) {
    if (file_ != nullptr) {
        std::fprintf(file_, "%s\n", FrameLogLine(ms, status, bytes, reading).c_str());
        std::fflush(file_);
    }
}

void SendLog::Event(int64_t ms, const std::string& what, const std::string& detail) {
    if (file_ != nullptr) {
        std::fprintf(file_, "%lld event %s%s%s\n", static_cast<long long>(ms), what.c_str(),
                     detail.empty() ? "" : " ", detail.c_str());
        std::fflush(file_);
    }
}

} // namespace sim
