// The request record of every command the host sends through VpiMain.
#pragma once

#include <cstdint>

#include "host/layout.h"

struct DriverContext;

struct VpiRequest {
    DriverContext* context; // the instance's private area
    uint32_t command;       // command code 0 to 16
    uint32_t instance;      // the host's number of this instance
    uint32_t reserved;      // neither read nor written
    void* data;             // the command's data record
};

PIN_OFFSET(VpiRequest, context, 0);
PIN_OFFSET(VpiRequest, command, 4);
PIN_OFFSET(VpiRequest, instance, 8);
PIN_OFFSET(VpiRequest, reserved, 12);
PIN_OFFSET(VpiRequest, data, 16);
PIN_SIZE(VpiRequest, 20);

// Command codes of the 17-entry command table.
enum CommandCode : uint32_t {
    CmdColdStart = 1,
    CmdWarmStart = 2,
    CmdSingleAddressParser = 3,
    CmdBlockAddressParser = 4,
    CmdSingleRead = 5,
    CmdBlockRead = 6,
    CmdSingleWrite = 7,
    CmdBlockWrite = 10,
    CmdEndVpi = 11,
    CmdCloseCom = 12,
    CmdReOpenCom = 13,
    CmdGetVpiInfo = 14,
    CmdChangeVpiParams = 15,
    CommandTableSize = 17,
};

// Results of the command handlers.
enum CommandResult : int32_t {
    ResultOk = 0,
    ResultRefused = 1, // a refused gate address or value
    ResultFailed = 2,  // a refused or failed command
};
