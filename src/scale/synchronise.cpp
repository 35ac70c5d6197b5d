// Locking onto the indicator's byte stream.
#include "host/host_runtime.h"
#include "host/shared_field.h"
#include "host/stop_flag.h"
#include "scale/capture.h"
#include "serial/com_port.h"

uint8_t Synchronise(DriverContext* context) {
    SyncScan scan;
    SyncScanStart(&scan, context->currentFrame);

    const int32_t purged = ComPortPurge(LoadShared(context->portHandle));
    if (purged != 0) {
        return static_cast<uint8_t>(purged);
    }

    uint8_t byte = 0;
    for (;;) {
        // A stream of STX bytes that never brings a CR would otherwise hold a
        // stopping driver here for good: give up on a stop request before
        // every byte.
        if (LoadStopFlag() != StopRunning) {
            return 1;
        }
        uint32_t count = 0;
        int32_t result = ComPortRead(LoadShared(context->portHandle), &byte, 1, &count);
        if (result == 0 && count != 1) {
            result = ComIoFailed;
        }
        if (result != 0) {
            if (LoadShared(context->commState) != CommLost) {
                err(logInfo, "TARVIK> Synchronise() Error %d reading char", result);
            }
            return static_cast<uint8_t>(result);
        }

        const uint32_t events = SyncScanByte(&scan, byte);
        if (events & SyncSawStx) {
            err(logInfo, "TARVIK> Synchronise() Received STX char at count = %d", scan.arrivedAt);
        }
        if (events & SyncSawCr) {
            err(logInfo, "TARVIK> Synchronise() Received CR char at count = %d", scan.arrivedAt);
        }
        if (events & SyncOverflow) {
            err(logInfo, "TARVIK> Synchronise() Counter overflow. Set 0");
            if (LoadStopFlag() != StopRunning) {
                return 1;
            }
        }
        if (events & SyncLocked) {
            break;
        }
    }

    err(logInfo, "TARVIK> Synchronise() Last ascii = %d at count = %d", byte, scan.position - 1);
    context->received = 0;
    StoreShared(context->commState, CommSynchronised);
    return 0;
}
