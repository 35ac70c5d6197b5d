// The indicator's Continuous Output Format message and its decoding.
#pragma once

#include <cstdint>

#include "gates/raw_value.h"
#include "host/driver_context.h"

inline constexpr uint8_t frameStx = 0x02;
inline constexpr uint8_t frameCr = 0x0D;
inline constexpr int frameCrPosition = 16;
inline constexpr int frameChecksumPosition = 17;

// One message as received on the line: frameSize (18) bytes.
using ScaleFrame = uint8_t[frameSize];

// 0 when the checksum byte matches, 1 when it does not.
int32_t VerifyChecksum(const uint8_t* frame);

// Decodes value `index` (0 WEIGHT, 1 TARE, 2 MOTION, 3 NEGATIVE) of the frame
// into raw. 0 when written, 1 when the frame or the field was refused.
int32_t DecodeValue(const uint8_t* frame, RawValue* raw, int32_t index);
