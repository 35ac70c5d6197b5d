// A serial port whose every read the test scripts, through the platform's
// scripted device and the real serial layer. A bytes step is what has
// arrived; a quiet step ends the read that reaches it with what it has (a
// read time-out; a read that has nothing fails); a failure step fails the
// read that reaches it empty. After the script every read times out at once.
// Bytes queued when a synchronisation starts are drained by it, as on a real
// port: AfterDrain() scripts bytes that arrive once the drain is over.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "host/line_settings.h"
#include "platform/scripted_device.h"
#include "serial/com_port.h"

class ScriptedLine {
  public:
    explicit ScriptedLine(const char* name = "SCALE-LINE") : name_(name) {
        ScriptedDeviceCreate(name_.c_str());
        const LineSettings settings{9600, 7, 0, 2};
        EXPECT_EQ(ComPortOpen(name_.c_str(), &settings, 0x0303, &handle_), 0);
        ComPortSetTimeout(handle_, 10);
    }
    ~ScriptedLine() {
        ComPortClose(handle_);
        ScriptedDeviceRemove(name_.c_str());
    }
    ScriptedLine(const ScriptedLine&) = delete;
    ScriptedLine& operator=(const ScriptedLine&) = delete;

    HANDLE Handle() const { return handle_; }

    void Add(const std::vector<uint8_t>& bytes) {
        ScriptedDeviceAddBytes(name_.c_str(), bytes.data(), bytes.size());
        added_ += bytes.size();
    }
    void Quiet() { ScriptedDeviceAddTimeout(name_.c_str()); }
    void Fail() { ScriptedDeviceAddReadFailure(name_.c_str()); }
    // Something for the drain to take, the drain's time-out, then `bytes`.
    void AfterDrain(const std::vector<uint8_t>& bytes) {
        Add({'?', '?', '?'});
        Quiet();
        Add(bytes);
    }

    std::vector<ScriptedRead> Reads() const {
        ScriptedDeviceRecord record{};
        ScriptedDeviceInspect(name_.c_str(), &record);
        return record.reads;
    }
    // Reads of the driver itself: without the drain's 512-byte reads.
    std::vector<uint32_t> ReadSizes() const {
        std::vector<uint32_t> sizes;
        for (const auto& read : Reads()) {
            if (read.asked != 512) {
                sizes.push_back(read.asked);
            }
        }
        return sizes;
    }
    // Bytes of the script not read yet.
    size_t Pending() const {
        size_t delivered = 0;
        for (const auto& read : Reads()) {
            delivered += read.delivered;
        }
        return added_ - delivered;
    }

  private:
    std::string name_;
    HANDLE handle_ = nullptr;
    size_t added_ = 0;
};
