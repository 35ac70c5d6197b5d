// Fuzz target of the gate address parser: any bytes as a gate's address text,
// the first four of them as its host format type.
//
// Besides what the sanitizers catch, it checks that a refused address leaves
// the record untouched, that an accepted one names the row whose text it is,
// and that the parser never reads the text past its working copy.
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "gates/address_parser.h"
#include "gates/gate_table.h"
#include "host/commands.h"

extern "C" int err(int, const char*, ...) {
    return 0;
}

namespace {
void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    uint32_t formatType = 0;
    if (size >= 4) {
        std::memcpy(&formatType, data, 4);
        data += 4;
        size -= 4;
    }
    // The text on the heap with nothing behind its NUL but what AddressSanitizer
    // guards: no terminator within 32 bytes must not lead to a longer read.
    std::vector<char> text(data, data + size);
    text.push_back('\0');

    GateRecordParse record;
    std::memset(&record, 0x5A, sizeof record);
    record.address = text.data();
    record.formatType = formatType;
    GateRecordParse before = record;

    VpiRequest request{nullptr, 3, 0, 0, &record};
    int32_t parsed = Parse(&record);
    if (parsed != 0) {
        Check(std::memcmp(&before, &record, sizeof record) == 0);
        Check(SingleAddressParser(&request) == 1);
        return 0;
    }
    Check(record.gateAddr.nr >= 0 && record.gateAddr.nr < gateCount);
    const GateAddressRow& row = GateAddressTable[record.gateAddr.nr];
    Check(std::strcmp(row.address, text.data()) == 0);
    Check(record.gateAddr.polled == row.polled && record.gateAddr.bits == row.bits);
    Check(record.gateAddr.fixedZero == 0 && record.gateAddr.fixedMinusOne == -1);
    int32_t accepted = SingleAddressParser(&request);
    Check(accepted == (formatType == row.kind ? 0 : 1));
    return 0;
}
