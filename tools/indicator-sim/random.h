// A small seeded generator whose sequence is the same on every platform and
// standard library, so a fault pattern can be replayed from its seed.
#pragma once

#include <cstdint>

namespace sim {

class Random {
  public:
    explicit Random(uint64_t seed) : state_(seed) {}

    uint64_t Next() { // SplitMix64
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    // Uniform in [0, 1).
    double Unit() { return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0); }

    // Uniform in [0, bound), bound > 0.
    uint32_t Below(uint32_t bound) { return static_cast<uint32_t>(Unit() * bound); }

    bool Chance(double rate) { return rate > 0 && Unit() < rate; }

  private:
    uint64_t state_;
};

} // namespace sim
