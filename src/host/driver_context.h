// The per-instance private area. The host reserves it with the size that
// GetVpiInfo reports and passes it with every request of the instance; the
// instance's polling thread works on the same record.
//
// Fields that both the host's threads and the polling thread touch
// (portHandle, commState and the five settings) are accessed only through
// the helpers in host/shared_field.h.
#pragma once

#include <cstdint>

#include "host/layout.h"
#include "host/port_records.h"
#include "platform/win32.h"

struct PollValue;

inline constexpr int frameSize = 18;

// Values of DriverContext::commState.
enum CommState : uint8_t {
    CommSynchronised = 0,
    CommNotSynchronised = 1, // since ColdStart, or a measured-gate read in progress
    CommLost = 2,
};

struct DriverContext {
    uint32_t readTimeout; // total time-out of one serial read, units of 10 ms
    HANDLE portHandle;    // the open port; 0 while closed
    PortSettings portSettings;
    uint32_t* gateIds;    // host ids of the measured gates; 0xFFFF = unresolved
    PollValue* valueSlot; // the polling thread's value record
    uint8_t frameBuffers[2][frameSize];
    uint8_t* currentFrame; // the buffer being filled
    uint8_t received;      // bytes of the current frame stored so far
    uint8_t instance;      // low 8 bits of the host's instance number
    uint8_t commState;     // CommState
    uint16_t sample;       // pause between polling cycles, ms
    uint8_t reaction;      // good frames beyond the first per capture
    uint16_t sync;         // pause before a synchronisation attempt, ms
    uint8_t retries;       // retry budget of capture and recovery
    uint8_t debug;         // 1: extra log lines
};

PIN_OFFSET(DriverContext, readTimeout, 0);
PIN_OFFSET(DriverContext, portHandle, 4);
PIN_OFFSET(DriverContext, portSettings, 8);
PIN_OFFSET(DriverContext, gateIds, 32);
PIN_OFFSET(DriverContext, valueSlot, 36);
PIN_OFFSET(DriverContext, frameBuffers, 40);
PIN_OFFSET(DriverContext, currentFrame, 76);
PIN_OFFSET(DriverContext, received, 80);
PIN_OFFSET(DriverContext, instance, 81);
PIN_OFFSET(DriverContext, commState, 82);
PIN_OFFSET(DriverContext, sample, 84);
PIN_OFFSET(DriverContext, reaction, 86);
PIN_OFFSET(DriverContext, sync, 88);
PIN_OFFSET(DriverContext, retries, 90);
PIN_OFFSET(DriverContext, debug, 91);
PIN_SIZE(DriverContext, 92);
