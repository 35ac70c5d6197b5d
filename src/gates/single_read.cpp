#include "gates/gate_record.h"
#include "gates/settings.h"
#include "host/commands.h"
#include "host/host_runtime.h"
#include "host/shared_field.h"

int32_t SingleRead(VpiRequest* request) {
    DriverContext& context = *request->context;
    auto* record = static_cast<GateRecordAccess*>(request->data);

    uint8_t state = LoadShared(context.commState);
    if (state == CommLost) {
        err(logInfo, "TARVIK> SingleRead() no PLC communication");
        return ResultFailed;
    }
    // Not synchronised yet, or another measured-gate read is inside the host.
    if (state != CommSynchronised) {
        return ResultOk;
    }

    int32_t nr = record->gateAddr.nr;
    double value = 0.0;
    if (record->gateAddr.polled != 0) {
        StoreShared(context.commState, CommNotSynchronised);
        uint16_t status = Pelk5GetGateVal(0, 16, record->gateId, &value, 0, 0);
        // A failure the polling thread stored meanwhile must survive.
        CompareAndSetShared(context.commState, CommNotSynchronised, CommSynchronised);
        if (status != 0) {
            err(logInfo, "TARVIK> SingleRead() Pelk5GetGateVal() returned %d for gate %s", status,
                GateAddressText(nr));
            return status;
        }
    } else {
        uint32_t setting = 0;
        if (ReadSetting(context, nr, &setting)) {
            value = static_cast<double>(setting);
        } else {
            // A block the parser never filled: the host gets 0.
            err(logInfo, "TARVIK> SingleRead() Unexpected gateAddr.nr. %d", nr);
        }
    }

    uint16_t status = Pelk5UnCook(0, record->gateId, value, record->rawValue);
    if (status != 0) {
        err(logInfo, "TARVIK> SingleRead() UnCook err. %d for gate %s", status,
            GateAddressText(nr));
    }
    return status;
}
