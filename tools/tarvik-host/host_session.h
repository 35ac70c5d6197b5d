// One instance of the driver as a host runs it: the context memory the host
// reserves, the nine gates bound and checked by the driver's parser, and the
// commands sent through VpiMain. Commands are sent one at a time.
#pragma once

#include <array>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "driver_module.h"
#include "gates/gate_record.h"
#include "host/line_settings.h"

namespace host {

struct GateDef {
    const char* address;
    uint32_t formatType;
};

// The driver's gates with the format types a host gives them.
inline constexpr std::array<GateDef, 9> driverGates = {{
    {"WEIGHT", 3},
    {"TARE", 3},
    {"MOTION", 6},
    {"NEGATIVE", 6},
    {"SAMPLE", 0},
    {"REACTION", 0},
    {"SYNC", 0},
    {"RETRIES", 0},
    {"DEBUG", 6},
}};
inline constexpr int measuredGates = 4;

// Index of the gate in driverGates, for an address in any case.
std::optional<int> GateIndex(const std::string& address);

struct DriverInfo {
    std::string maker;
    std::string device;
    std::string banner; // code page 437
    uint32_t contextSize = 0;
    LineSettings lineSettings{};
};

class HostSession {
  public:
    HostSession(const DriverModule& module, uint32_t instance);

    int32_t GetVpiInfo(DriverInfo* info);
    // Binds the nine gates in the runtime and has the driver check each.
    bool BindGates(std::string* error);
    int32_t ColdStart(const std::string& port, const LineSettings& line);
    int32_t WarmStart();
    int32_t CloseCom();
    int32_t ReOpenCom();
    int32_t ChangeVpiParams(const std::string& port, uint32_t readTimeout,
                            const LineSettings& line);
    int32_t EndVpi();

    // SingleRead of a gate. On result 0 `filled` tells whether the driver
    // handed a value over (it does not before the link is synchronised), and
    // `value` holds it, cooked.
    int32_t Read(int gate, double* value, bool* filled);
    // SingleWrite of a gate with the value in its raw form.
    int32_t Write(int gate, double value);

    uint32_t GateId(int gate) const { return gates_[static_cast<size_t>(gate)].id; }
    uint8_t Instance() const { return static_cast<uint8_t>(instance_); }

  private:
    int32_t Send(uint32_t command, void* data);

    struct Gate {
        uint32_t id = 0;
        GateAddr addr{};
        RawValue raw{};
    };
    const DriverModule& module_;
    uint32_t instance_;
    std::vector<uint64_t> context_; // zeroed, 8-byte aligned
    std::array<Gate, 9> gates_{};
    std::mutex commandMutex_;
};

} // namespace host
