#include "gates/settings.h"

#include "gates/gate_table.h"
#include "host/shared_field.h"

bool ReadSetting(DriverContext& context, int32_t nr, uint32_t* value) {
    switch (nr) {
    case RowSample:
        *value = LoadShared(context.sample);
        return true;
    case RowReaction:
        *value = LoadShared(context.reaction);
        return true;
    case RowSync:
        *value = LoadShared(context.sync);
        return true;
    case RowRetries:
        *value = LoadShared(context.retries);
        return true;
    case RowDebug:
        *value = LoadShared(context.debug);
        return true;
    default:
        return false;
    }
}

const char* GateAddressText(int32_t nr) {
    if (nr < 0 || nr >= gateCount) {
        return "(no such gate)";
    }
    return GateAddressTable[nr].address;
}
