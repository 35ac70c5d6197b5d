// The functions of the host's runtime library that the driver imports.
// Any host supplies them: on Windows from PELKCORE.DLL, on Linux from
// libPELKCORE.so under the symbol version PELKCORE.
#pragma once

#include <cstdint>

#include "gates/raw_value.h"

// Log levels of err().
inline constexpr int logInfo = 8;
inline constexpr int logError = 32;

// Host status of a gate id lookup for a gate not bound yet.
inline constexpr uint16_t hostGateNotBound = 5;

// The driver's mark for a gate id not yet resolved.
inline constexpr uint32_t unresolvedGateId = 0xFFFF;

extern "C" {
int err(int level, const char* format, ...);
uint16_t Pelk5GetGateIdByAddressStr(uint32_t zero, uint8_t instance, const char* address,
                                    uint32_t* id);
uint16_t Pelk5Cook(uint32_t zero, uint32_t gateId, uint32_t raw, double* cooked);
uint16_t Pelk5PutGateVal(uint32_t zero, uint32_t gateId, uint32_t two, double value, uint32_t zero2,
                         uint32_t zero3);
uint16_t Pelk5SetGateFlag(uint32_t zero, uint32_t gateId, uint32_t one, uint32_t one2);
uint16_t Pelk5GetGateVal(uint32_t zero, uint32_t sixteen, uint32_t gateId, double* value,
                         uint32_t zero2, uint32_t zero3);
uint16_t Pelk5UnCook(uint32_t zero, uint32_t gateId, double value, RawValue* rawValue);
}
