#include "host_session.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "host/port_records.h"
#include "host/vpi_info.h"
#include "pelkcore.h"

namespace host {

std::optional<int> GateIndex(const std::string& address) {
    std::string upper = address;
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    for (size_t i = 0; i < driverGates.size(); ++i) {
        if (upper == driverGates[i].address) {
            return static_cast<int>(i);
        }
    }
    return std::nullopt;
}

HostSession::HostSession(const DriverModule& module, uint32_t instance)
    : module_(module), instance_(instance) {}

int32_t HostSession::Send(uint32_t command, void* data) {
    std::lock_guard lock(commandMutex_);
    VpiRequest request{};
    request.context =
        context_.empty() ? nullptr : reinterpret_cast<DriverContext*>(context_.data());
    request.command = command;
    request.instance = instance_;
    request.data = data;
    return module_.Call(&request);
}

int32_t HostSession::GetVpiInfo(DriverInfo* info) {
    VpiInfo record{};
    int32_t result = Send(CmdGetVpiInfo, &record);
    if (result != ResultOk || record.makerName == nullptr) {
        return result != ResultOk ? result : ResultFailed;
    }
    info->maker = record.makerName;
    info->device = record.makerName + info->maker.size() + 1; // right behind the maker's NUL
    info->banner = record.banner != nullptr ? record.banner : "";
    info->contextSize = record.contextSize;
    info->lineSettings = record.lineSettings;
    // The context is the host's memory: reserved once, with the size the driver asks for.
    context_.assign((record.contextSize + sizeof(uint64_t) - 1) / sizeof(uint64_t), 0);
    return result;
}

bool HostSession::BindGates(std::string* error) {
    for (size_t i = 0; i < driverGates.size(); ++i) {
        const GateDef& def = driverGates[i];
        Gate& gate = gates_[i];
        gate.id = pelkcore::BindGate(Instance(), def.address, def.formatType);
        GateRecordParse record{};
        record.address = def.address;
        record.formatType = def.formatType;
        int32_t result = Send(CmdSingleAddressParser, &record);
        if (result != ResultOk) {
            *error = std::string("the driver refused gate ") + def.address + " (result " +
                     std::to_string(result) + "); is the module the TARVIK driver?";
            return false;
        }
        gate.addr = record.gateAddr;
    }
    return true;
}

int32_t HostSession::ColdStart(const std::string& port, const LineSettings& line) {
    ColdStartRecord record{};
    std::strncpy(record.portName, port.c_str(), sizeof record.portName - 1);
    record.portEnabled = 1;
    record.lineSettings = line;
    return Send(CmdColdStart, &record);
}

int32_t HostSession::WarmStart() {
    return Send(CmdWarmStart, nullptr);
}
int32_t HostSession::CloseCom() {
    return Send(CmdCloseCom, nullptr);
}
int32_t HostSession::ReOpenCom() {
    return Send(CmdReOpenCom, nullptr);
}
int32_t HostSession::EndVpi() {
    return Send(CmdEndVpi, nullptr);
}

int32_t HostSession::ChangeVpiParams(const std::string& port, uint32_t readTimeout,
                                     const LineSettings& line) {
    ChangeParamsRecord record{};
    std::strncpy(record.portName, port.c_str(), sizeof record.portName - 1);
    record.readTimeout = readTimeout;
    record.lineSettings = line;
    return Send(CmdChangeVpiParams, &record);
}

int32_t HostSession::Read(int index, double* value, bool* filled) {
    Gate& gate = gates_[static_cast<size_t>(index)];
    static constexpr RawValue untouched{{0xA5, 0x5A, 0xA5, 0x5A}};
    RawValue raw = untouched;
    GateRecordAccess record{};
    record.gateAddr = gate.addr;
    record.gateId = gate.id;
    record.rawValue = &raw;
    int32_t result = Send(CmdSingleRead, &record);
    *filled = std::memcmp(raw.bytes, untouched.bytes, sizeof raw.bytes) != 0;
    if (result == ResultOk && *filled) {
        pelkcore::CookRaw(driverGates[static_cast<size_t>(index)].formatType,
                          pelkcore::RawWordOf(raw), value);
    }
    return result;
}

int32_t HostSession::Write(int index, double value) {
    Gate& gate = gates_[static_cast<size_t>(index)];
    RawValue raw{};
    pelkcore::UnCookValue(driverGates[static_cast<size_t>(index)].formatType, value, &raw);
    GateRecordAccess record{};
    record.gateAddr = gate.addr;
    record.gateId = gate.id;
    record.rawValue = &raw;
    return Send(CmdSingleWrite, &record);
}

} // namespace host
