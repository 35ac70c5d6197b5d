#include "host/commands.h"

// Indexed by command code; the empty entries (0, 8, 9, 16) are refused.
const CommandHandler CommandTable[CommandTableSize] = {
    nullptr,             // 0
    nullptr, // ColdStart (pending)           // 1
    nullptr, // WarmStart (pending)           // 2
    SingleAddressParser, // 3
    BlockAddressParser,  // 4
    SingleRead,          // 5
    BlockRead,           // 6
    SingleWrite,         // 7
    nullptr,             // 8
    nullptr,             // 9
    BlockWrite,          // 10
    nullptr, // EndVpi (pending)              // 11
    nullptr, // CloseCom (pending)            // 12
    nullptr, // ReOpenCom (pending)           // 13
    GetVpiInfo,          // 14
    nullptr, // ChangeVpiParams (pending)     // 15
    nullptr,             // 16
};
