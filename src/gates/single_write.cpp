#include "gates/gate_record.h"
#include "gates/gate_table.h"
#include "gates/settings.h"
#include "host/commands.h"
#include "host/host_runtime.h"
#include "host/shared_field.h"

int32_t SingleWrite(VpiRequest* request) {
    DriverContext& context = *request->context;
    auto* record = static_cast<GateRecordAccess*>(request->data);

    // Measured gates are fed by the indicator; a write is accepted and dropped.
    if (record->gateAddr.polled != 0) {
        return ResultOk;
    }
    int32_t nr = record->gateAddr.nr;
    if (nr < RowSample || nr > RowDebug) {
        err(logInfo, "TARVIK> SingleWrite() Impossible gateAddr");
        return ResultRefused;
    }
    uint16_t value = RawWord(*record->rawValue);
    switch (nr) {
    case RowSample:
        if (value > maxSample) {
            return ResultRefused;
        }
        StoreShared(context.sample, value);
        err(logInfo, "TARVIK> SingleWrite() SAMPLE = %d", value);
        break;
    case RowReaction:
        if (value > maxReaction) {
            return ResultRefused;
        }
        StoreShared(context.reaction, value);
        err(logInfo, "TARVIK> SingleWrite() REACTION = %d", value);
        break;
    case RowSync:
        if (value > maxSync) {
            return ResultRefused;
        }
        StoreShared(context.sync, value);
        err(logInfo, "TARVIK> SingleWrite() SYNC = %d", value);
        break;
    case RowRetries:
        if (value > maxRetries) {
            return ResultRefused;
        }
        StoreShared(context.retries, value);
        err(logInfo, "TARVIK> SingleWrite() RETRIES = %d", value);
        break;
    default:
        if (value > 1) {
            return ResultRefused;
        }
        StoreShared(context.debug, value);
        err(logInfo, "TARVIK> SingleWrite() Debug information flag = %d", value);
        break;
    }
    return ResultOk;
}
