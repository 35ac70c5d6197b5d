// The checks of a complete frame before the capture accepts it.
#include "scale/capture.h"
#include "scale/frame.h"

int32_t CheckFrame(const uint8_t* frame) {
    if (frame[0] != frameStx) {
        return FrameNoStx;
    }
    if (frame[frameCrPosition] != frameCr) {
        return FrameNoCr;
    }
    if (VerifyChecksum(frame) != 0) {
        return FrameBadChecksum;
    }
    return FrameGood;
}
