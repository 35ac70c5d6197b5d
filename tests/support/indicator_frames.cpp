#include "support/indicator_frames.h"

#include <cstring>

uint8_t FrameChecksum(const uint8_t* frame) {
    uint8_t sum = 0;
    for (int i = 0; i < 17; ++i) {
        sum = static_cast<uint8_t>(sum + frame[i]);
    }
    return static_cast<uint8_t>((0x100 - sum) & 0x7F);
}

FrameBytes MakeFrame(const std::string& weight, const std::string& tare, int decimals,
                     bool negative, bool motion) {
    FrameBytes f{};
    f[0] = 0x02;
    f[1] = static_cast<uint8_t>(0x20 | (decimals & 7));
    f[2] = static_cast<uint8_t>(0x20 | (negative ? 0x02 : 0) | (motion ? 0x08 : 0));
    f[3] = 0x20;
    auto field = [&](const std::string& text, int at) {
        std::string padded =
            text.size() >= 6 ? text.substr(0, 6) : std::string(6 - text.size(), '0') + text;
        std::memcpy(&f[static_cast<size_t>(at)], padded.data(), 6);
    };
    field(weight, 4);
    field(tare, 10);
    f[16] = 0x0D;
    f[17] = FrameChecksum(f.data());
    return f;
}
