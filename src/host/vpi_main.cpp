#include "host/vpi_main.h"

#include "host/commands.h"
#include "host/stop_flag.h"

extern "C" int32_t VpiMain(VpiRequest* request) {
    // While the driver shuts down (or after it has), every command is a no-op.
    if (LoadStopFlag() >= StopRequested) {
        return ResultOk;
    }
    uint32_t command = request->command;
    if (command >= CommandTableSize) {
        return ResultFailed;
    }
    CommandHandler handler = CommandTable[command];
    if (handler == nullptr) {
        return ResultFailed;
    }
    return handler(request);
}
