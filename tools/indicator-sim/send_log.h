// The simulator's log of what went onto the line, one line per message or
// event, so that a test can hold every value a host received against what
// was sent:
//
//   <ms> frame intact <hex> w=<weight> t=<tare> dp=<code> m=<0|1> n=<0|1>
//   <ms> frame damaged:<kind> <hex> w=... (the reading it was meant to carry)
//   <ms> frame unsent:<why> <hex> w=...   (never reached the line)
//   <ms> event <what> [detail]
//
// <ms> counts from the start of the run; <hex> is every byte written.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "frame_builder.h"

namespace sim {

// The displayed value as the indicator shows it: "-123.4", "1200", "0.00012".
std::string DisplayText(uint32_t counts, bool negative, uint8_t decimalCode);

std::string FrameLogLine(int64_t ms, const std::string& status, const std::vector<uint8_t>& bytes,
                         const Reading& reading);

class SendLog {
  public:
    SendLog() = default;
    ~SendLog();
    SendLog(const SendLog&) = delete;
    SendLog& operator=(const SendLog&) = delete;

    bool Open(const std::string& path);
    void Frame(int64_t ms, const std::string& status, const std::vector<uint8_t>& bytes,
               const Reading& reading);
    void Event(int64_t ms, const std::string& what, const std::string& detail = {});

  private:
    std::FILE* file_ = nullptr;
};

} // namespace sim
