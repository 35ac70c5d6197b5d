// The seven functions the driver imports from the host runtime.
#include <cstdarg>
#include <cstdio>
#include <string>

#include "gate_store.h"
#include "host/host_runtime.h"
#include "host_log.h"
#include "pelkcore.h"

#if defined(_WIN32)
#define PELKCORE_EXPORT // exported through the module definition file
#else
#define PELKCORE_EXPORT __attribute__((visibility("default")))
#endif

using namespace pelkcore;

extern "C" {

PELKCORE_EXPORT int err(int level, const char* format, ...) {
    if (format == nullptr) {
        return 0;
    }
    char small[256];
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    int length = std::vsnprintf(small, sizeof small, format, args);
    va_end(args);
    std::string text;
    if (length < 0) {
        text = format; // not formattable: keep the format text itself
    } else if (static_cast<size_t>(length) < sizeof small) {
        text.assign(small, static_cast<size_t>(length));
    } else {
        text.resize(static_cast<size_t>(length) + 1);
        std::vsnprintf(text.data(), text.size(), format, again);
        text.resize(static_cast<size_t>(length));
    }
    va_end(again);
    QueueLogLine(level, std::move(text));
    return 0;
}

PELKCORE_EXPORT uint16_t Pelk5GetGateIdByAddressStr(uint32_t, uint8_t instance, const char* address,
                                                    uint32_t* id) {
    return LookupGate(instance, address, id);
}

PELKCORE_EXPORT uint16_t Pelk5Cook(uint32_t, uint32_t gateId, uint32_t raw, double* cooked) {
    uint32_t format = 0;
    if (uint16_t status = GateFormat(gateId, &format); status != StatusOk) {
        return status;
    }
    return CookRaw(format, raw, cooked);
}

PELKCORE_EXPORT uint16_t Pelk5PutGateVal(uint32_t, uint32_t gateId, uint32_t, double value,
                                         uint32_t, uint32_t) {
    return StoreGateValue(gateId, value);
}

PELKCORE_EXPORT uint16_t Pelk5SetGateFlag(uint32_t, uint32_t gateId, uint32_t, uint32_t) {
    return MarkGateFailed(gateId);
}

PELKCORE_EXPORT uint16_t Pelk5GetGateVal(uint32_t, uint32_t, uint32_t gateId, double* value,
                                         uint32_t, uint32_t) {
    return GateValue(gateId, value);
}

PELKCORE_EXPORT uint16_t Pelk5UnCook(uint32_t, uint32_t gateId, double value, RawValue* rawValue) {
    uint32_t format = 0;
    if (uint16_t status = GateFormat(gateId, &format); status != StatusOk) {
        return status;
    }
    return UnCookValue(format, value, rawValue);
}

} // extern "C"
