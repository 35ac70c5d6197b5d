// The gate store behind the host functions: one table of gates for all
// instances, keyed by instance and address, guarded by one mutex.
#pragma once

#include <cstdint>

namespace pelkcore {

uint16_t LookupGate(uint8_t instance, const char* address, uint32_t* id);
uint16_t GateFormat(uint32_t id, uint32_t* formatType);
uint16_t StoreGateValue(uint32_t id, double value);
uint16_t MarkGateFailed(uint32_t id);
uint16_t GateValue(uint32_t id, double* value);

} // namespace pelkcore
