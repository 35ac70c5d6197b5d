// Damage done to a message on its way, on demand and reproducible from a seed.
#pragma once

#include <string>
#include <vector>

#include "frame_builder.h"
#include "random.h"

namespace sim {

// Chances per message, 0 to 1. At most one kind of damage hits a message;
// they are tried in the order of the fields.
struct FaultRates {
    double checksum = 0; // a wrong checksum byte
    double drop = 0;     // one byte left out
    double noise = 0;    // one to three stray bytes put in
    double truncate = 0; // the message breaks off early
    double cr = 0;       // the CR sits at another position

    bool Any() const { return checksum > 0 || drop > 0 || noise > 0 || truncate > 0 || cr > 0; }
    bool operator==(const FaultRates&) const = default;
};

struct SentBytes {
    std::vector<uint8_t> bytes;
    std::string damage; // empty when the message goes out intact
};

SentBytes ApplyFaults(const Frame& frame, const FaultRates& rates, Random& random);

} // namespace sim
