#include "gates/gate_table.h"

#include "gates/gate_record.h"

const GateAddressRow GateAddressTable[gateCount] = {
    {"WEIGHT", 6, 32, FormatFloat, 1},    {"TARE", 4, 16, FormatFloat, 1},
    {"MOTION", 6, 1, FormatDigital, 1},   {"NEGATIVE", 8, 1, FormatDigital, 1},
    {"SAMPLE", 6, 16, FormatAnalog16, 0}, {"REACTION", 8, 16, FormatAnalog16, 0},
    {"SYNC", 4, 16, FormatAnalog16, 0},   {"RETRIES", 7, 16, FormatAnalog16, 0},
    {"DEBUG", 5, 16, FormatDigital, 0},
};
