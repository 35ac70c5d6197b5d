#include "faults.h"

namespace sim {

SentBytes ApplyFaults(const Frame& frame, const FaultRates& rates, Random& random) {
    SentBytes out{{frame.begin(), frame.end()}, {}};
    // One draw per kind and message, whether it hits or not, so that the
    // pattern of one kind does not shift when another kind's rate changes.
    bool checksum = random.Chance(rates.checksum);
    bool drop = random.Chance(rates.drop);
    bool noise = random.Chance(rates.noise);
    bool truncate = random.Chance(rates.truncate);
    bool cr = random.Chance(rates.cr);
    uint32_t pick = static_cast<uint32_t>(random.Next() >> 32);

    if (checksum) {
        uint8_t flip = static_cast<uint8_t>(1 + pick % 0x7F); // 1 to 127: always another value
        out.bytes[17] = static_cast<uint8_t>((out.bytes[17] ^ flip) & 0x7F);
        out.damage = "checksum";
    } else if (drop) {
        out.bytes.erase(out.bytes.begin() + pick % frameBytes);
        out.damage = "drop";
    } else if (noise) {
        uint32_t count = 1 + pick % 3;
        // Inside the message, so that its 18 bytes never arrive whole.
        auto where = out.bytes.begin() + 1 + (pick >> 8) % (frameBytes - 1);
        std::vector<uint8_t> stray;
        for (uint32_t i = 0; i < count; ++i) {
            stray.push_back(static_cast<uint8_t>(random.Next() & 0xFF));
        }
        out.bytes.insert(where, stray.begin(), stray.end());
        out.damage = "noise";
    } else if (truncate) {
        out.bytes.resize(1 + pick % (frameBytes - 1)); // 1 to 17 bytes
        out.damage = "truncate";
    } else if (cr) {
        size_t where = 4 + pick % 12; // somewhere in the digit fields
        out.bytes[where] = 0x0D;
        out.bytes[16] = '0';
        out.bytes[17] = FrameChecksum(out.bytes.data());
        out.damage = "cr";
    }
    return out;
}

} // namespace sim
