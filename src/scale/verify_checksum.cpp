// The checksum test of a received indicator message.
#include "scale/frame.h"

// The indicator sends the two's complement of the 8-bit sum of STX to CR,
// keeping only its low 7 bits; a checksum byte with bit 7 set never matches.
int32_t VerifyChecksum(const uint8_t* frame) {
    uint8_t sum = 0;
    for (int position = 0; position < frameChecksumPosition; ++position) {
        sum = static_cast<uint8_t>(sum + frame[position]);
    }
    const uint8_t expected = static_cast<uint8_t>(-sum) & 0x7F;
    return frame[frameChecksumPosition] == expected ? 0 : 1;
}
