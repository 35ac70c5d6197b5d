#include "gates/address_parser.h"

#include <cstring>

#include "gates/gate_table.h"
#include "host/commands.h"
#include "host/host_runtime.h"

int32_t Parse(GateRecordParse* record) {
    // Never look further than the working copy holds: a longer text can match
    // no row (the longest address has 8 characters) and is refused as illegal.
    size_t length = strnlen(record->address, addressBufferSize);
    if (length == 0) {
        return ResultRefused;
    }
    if (length >= static_cast<size_t>(addressBufferSize)) {
        err(logInfo, "TARVIK> Parse() Illegal address string %s", record->address);
        return ResultRefused;
    }
    char text[addressBufferSize];
    std::memcpy(text, record->address, length + 1);

    for (int32_t nr = 0; nr < gateCount; ++nr) {
        const GateAddressRow& row = GateAddressTable[nr];
        if (row.length == length && std::memcmp(row.address, text, length) == 0) {
            record->gateAddr.fixedZero = 0;
            record->gateAddr.polled = row.polled;
            record->gateAddr.nr = nr;
            record->gateAddr.fixedMinusOne = -1;
            record->gateAddr.bits = row.bits;
            return ResultOk;
        }
    }
    err(logInfo, "TARVIK> Parse() Illegal address string %s", text);
    return ResultRefused;
}

int32_t SingleAddressParser(VpiRequest* request) {
    auto* record = static_cast<GateRecordParse*>(request->data);
    int32_t found = Parse(record);
    if (found != ResultOk) {
        return found;
    }
    uint32_t format = record->formatType;
    const char* address = record->address;
    if (format == FormatString) {
        err(logInfo, "TARVIK> SingleParse() no STRING gates allowed gate '%s'", address);
        return ResultRefused;
    }
    if (format != FormatAnalog16 && format != FormatFloat && format != FormatDigital) {
        err(logInfo, "TARVIK> SingleParse() Gate '%s' has wrong format type", address);
        return ResultRefused;
    }
    uint8_t kind = GateAddressTable[record->gateAddr.nr].kind;
    if (kind != format) {
        switch (kind) {
        case FormatAnalog16:
            err(logInfo, "TARVIK> SingleParse() Gate '%s' should be analog 16 unsigned", address);
            break;
        case FormatFloat:
            err(logInfo, "TARVIK> SingleParse() Gate '%s' should be float", address);
            break;
        default:
            err(logInfo, "TARVIK> SingleParse() Gate '%s' should be DIGITAL", address);
            break;
        }
        return ResultRefused;
    }
    return ResultOk;
}

int32_t BlockAddressParser(VpiRequest*) {
    return ResultRefused;
}
