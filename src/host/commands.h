// The command handlers reached through VpiMain's command table. Each takes
// the host's request and returns a 32-bit status.
#pragma once

#include <cstdint>

#include "host/vpi_request.h"

using CommandHandler = int32_t (*)(VpiRequest* request);

// Host interface
int32_t ColdStart(VpiRequest* request);
int32_t WarmStart(VpiRequest* request);
int32_t EndVpi(VpiRequest* request);
int32_t CloseCom(VpiRequest* request);
int32_t ReOpenCom(VpiRequest* request);
int32_t GetVpiInfo(VpiRequest* request);
int32_t ChangeVpiParams(VpiRequest* request);

// Gates
int32_t SingleAddressParser(VpiRequest* request);
int32_t BlockAddressParser(VpiRequest* request);
int32_t SingleRead(VpiRequest* request);
int32_t BlockRead(VpiRequest* request);
int32_t SingleWrite(VpiRequest* request);
int32_t BlockWrite(VpiRequest* request);

extern const CommandHandler CommandTable[CommandTableSize];
