// Capturing checked frames into the two alternating frame buffers.
#include "host/host_runtime.h"
#include "host/shared_field.h"
#include "platform/win32.h"
#include "scale/capture.h"
#include "serial/com_port.h"

namespace {
const char* const rejectionLines[] = {
    nullptr,
    "TARVIK> CatchValue() Message starts not with STX (%d)",
    "TARVIK> CatchValue() no CR where expected (%d)",
    "TARVIK> CatchValue() Checksum compare failure (%d)",
};
} // namespace

uint8_t CatchValue(DriverContext* context) {
    // The polling thread keeps received within the frame; should it ever hold
    // more, start the frame afresh rather than read past the buffer.
    if (context->received >= frameSize) {
        context->received = 0;
    }
    int attempts = 0;
    int goodFrames = 0;
    uint32_t wanted = frameSize - context->received;

    for (;;) {
        if (attempts > LoadShared(context->retries)) {
            err(logInfo, "TARVIK> CatchValue() COM reading failure for all retries");
            return 2;
        }
        ++attempts;
        uint32_t count = 0;
        const int32_t result =
            ComPortRead(LoadShared(context->portHandle), context->currentFrame + context->received,
                        wanted, &count);
        if (result != 0 || count == 0) {
            if (LoadShared(context->debug) != 0) {
                err(logInfo,
                    "TARVIK> CatchValue() Message not complete but nothing more to receive (%d)",
                    attempts);
            }
            const uint16_t sync = LoadShared(context->sync);
            if (sync != 0) {
                Sleep(sync);
            }
            continue;
        }
        if (count < wanted) {
            if (LoadShared(context->debug) != 0) {
                err(logInfo, "TARVIK> CatchValue() Message incomplete %d < %d - %d",
                    static_cast<int>(count), frameSize, context->received);
            }
            context->received = static_cast<uint8_t>(context->received + count);
            wanted = frameSize - context->received;
            attempts = 0;
            continue;
        }

        const int32_t check = CheckFrame(context->currentFrame);
        if (check != FrameGood) {
            err(logInfo, rejectionLines[check], attempts);
            if (RetryFirst(context, LoadShared(context->retries)) != 0) {
                return 2;
            }
            wanted = frameSize;
            continue;
        }

        attempts = 0;
        context->received = 0;
        wanted = frameSize;
        context->currentFrame = LastGoodFrame(context);
        ++goodFrames;
        if (goodFrames > LoadShared(context->reaction)) {
            return 0;
        }
    }
}
