// The frame buffers in the log, for diagnosing the line.
#include "host/host_runtime.h"
#include "host/shared_field.h"
#include "scale/capture.h"

void Dump(DriverContext* context) {
    if (LoadShared(context->debug) == 0) {
        return;
    }
    static constexpr char prefix[] = "TARVIK> Dump()";
    static constexpr char hexDigits[] = "0123456789abcdef";
    constexpr int prefixLength = sizeof prefix - 1;
    char line[prefixLength + 2 * frameSize * 3 + 1];

    char* out = line;
    for (int i = 0; i < prefixLength; ++i) {
        *out++ = prefix[i];
    }
    for (const uint8_t(&buffer)[frameSize] : context->frameBuffers) {
        for (const uint8_t byte : buffer) {
            *out++ = ' ';
            *out++ = hexDigits[byte >> 4];
            *out++ = hexDigits[byte & 0x0F];
        }
    }
    *out = '\0';
    err(logInfo, "%s", line);

    const int begin = context->currentFrame == context->frameBuffers[0] ? frameSize : 0;
    err(logInfo, "TARVIK> Dump() Index %d, Begin %d", context->received, begin);
}
