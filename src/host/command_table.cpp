#include "host/commands.h"

// Indexed by command code; the empty entries (0, 8, 9, 16) are refused.
const CommandHandler CommandTable[CommandTableSize] = {
    nullptr,             // 0
    ColdStart,           // 1
    WarmStart,           // 2
    SingleAddressParser, // 3
    BlockAddressParser,  // 4
    SingleRead,          // 5
    BlockRead,           // 6
    SingleWrite,         // 7
    nullptr,             // 8
    nullptr,             // 9
    BlockWrite,          // 10
    EndVpi,              // 11
    CloseCom,            // 12
    ReOpenCom,           // 13
    GetVpiInfo,          // 14
    ChangeVpiParams,     // 15
    nullptr,             // 16
};
