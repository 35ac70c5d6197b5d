// The byte-by-byte scan that locks onto the indicator's stream.
#include "scale/capture.h"
#include "scale/frame.h"

void SyncScanStart(SyncScan* scan, uint8_t* frame) {
    scan->frame = frame;
    scan->position = 0;
    scan->arrivedAt = 0;
    scan->crSeen = 0;
}

uint32_t SyncScanByte(SyncScan* scan, uint8_t byte) {
    uint32_t events = 0;
    const bool afterCr = scan->crSeen != 0;
    scan->arrivedAt = scan->position;
    if (scan->position < frameSize) {
        scan->frame[scan->position] = byte;
    }
    if (byte == frameStx) {
        events |= SyncSawStx;
        scan->frame[0] = frameStx;
        scan->position = 0;
    } else if (byte == frameCr) {
        events |= SyncSawCr;
        scan->crSeen = 1;
    }
    ++scan->position;
    if (scan->position >= frameSize && scan->crSeen == 0) {
        events |= SyncOverflow;
        scan->position = 0;
    }
    if (afterCr) {
        events |= SyncLocked;
    }
    return events;
}
