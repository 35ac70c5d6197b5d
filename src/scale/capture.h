// Locking onto the indicator's byte stream and capturing checked messages
// into the two frame buffers of the driver context. All of it runs on the
// polling thread.
#pragma once

#include <cstdint>

#include "host/driver_context.h"

// Drains the port, then reads single bytes up to the first CR and the one
// byte after it. 0 when locked on (received and commState are then 0); 1 when
// the drain failed or a stop was requested; otherwise the failed read's code.
uint8_t Synchronise(DriverContext* context);

// Up to `attempts` runs of Synchronise, each after a pause of `sync` ms, until
// one succeeds or a stop is requested. 0 on success; 1 when no attempt was
// made; otherwise the last Synchronise's result.
uint8_t RetryFirst(DriverContext* context, uint8_t attempts);

// Collects REACTION + 1 good frames, switching currentFrame after each, so the
// last good frame is then in the buffer currentFrame does not point at.
// 0 on success, 2 when the capture failed.
uint8_t CatchValue(DriverContext* context);

// With DEBUG on, logs both frame buffers in hexadecimal and where the current
// and the last good frame stand.
void Dump(DriverContext* context);

// The buffer that holds the last good frame: the one currentFrame does not
// point at.
inline uint8_t* LastGoodFrame(DriverContext* context) {
    return context->currentFrame == context->frameBuffers[0] ? context->frameBuffers[1]
                                                             : context->frameBuffers[0];
}

// ---- Parsing on a plain byte buffer ------------------------------------------

// The checks a complete frame must pass, in this order.
enum FrameCheck : int32_t {
    FrameGood = 0,
    FrameNoStx = 1,       // position 0 is not STX
    FrameNoCr = 2,        // position 16 is not CR
    FrameBadChecksum = 3, // the checksum byte does not match
};

// Checks a complete 18-byte frame.
int32_t CheckFrame(const uint8_t* frame);

// What one byte did to the synchronisation scan (bits of SyncScanByte's result).
enum SyncEvent : uint32_t {
    SyncSawStx = 1,   // an STX: now at position 0 of the frame
    SyncSawCr = 2,    // a CR
    SyncOverflow = 4, // 18 bytes without a CR: the position starts again at 0
    SyncLocked = 8,   // this was the byte after the first CR: the scan is over
};

// The state of one synchronisation scan over an 18-byte frame buffer.
struct SyncScan {
    uint8_t* frame;    // the buffer the bytes go to
    int32_t position;  // where the next byte goes; 18 only after a CR at 17
    int32_t arrivedAt; // position at which the last byte arrived
    uint8_t crSeen;    // the first CR has been read
};

void SyncScanStart(SyncScan* scan, uint8_t* frame);

// Takes the next byte of the stream. It is stored at its position within the
// 18 bytes; the byte that follows a CR at position 17 has no place there and
// is dropped (unless it is an STX, which always goes to position 0).
uint32_t SyncScanByte(SyncScan* scan, uint8_t byte);
