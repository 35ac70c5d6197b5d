// Repeated synchronisation attempts with a pause before each.
#include "host/host_runtime.h"
#include "host/shared_field.h"
#include "host/stop_flag.h"
#include "platform/win32.h"
#include "scale/capture.h"

uint8_t RetryFirst(DriverContext* context, uint8_t attempts) {
    if (attempts == 0) {
        return 1;
    }
    uint8_t result = 1;
    int made = 0;
    while (made < attempts && LoadStopFlag() == StopRunning) {
        ++made;
        Sleep(LoadShared(context->sync));
        result = Synchronise(context);
        if (result == 0) {
            break;
        }
    }
    // While the link is lost, only a success is worth a line.
    if (LoadShared(context->commState) == CommLost) {
        return result;
    }
    if (result == 0) {
        err(logInfo, "TARVIK> RetryFirst() Com. synchr. succesful (rl %d)", attempts - made);
    } else {
        err(logInfo, "TARVIK> RetryFirst() Com. synchr. error for all retries");
    }
    return result;
}
