// The polling thread: one capture, then the four measured gates, cycle by
// cycle, until a stop is requested.
#include <cstring>

#include "gates/gate_table.h"
#include "host/host_runtime.h"
#include "host/shared_field.h"
#include "host/stop_flag.h"
#include "platform/win32.h"
#include "scale/capture.h"
#include "scale/frame.h"
#include "scale/polling_thread.h"

namespace {

enum StepResult { StepContinue, StepLeaveLoop };

uint32_t RawArgument(const RawValue& raw) {
    uint32_t value;
    std::memcpy(&value, raw.bytes, sizeof value);
    return value;
}

// After a failed capture: wait, re-synchronise, until the stream is back or
// a stop is requested.
StepResult Recover(DriverContext* context, uint8_t result) {
    err(logInfo, "TARVIK> StartThread() COM err %d. Synchronising ..", result);
    StoreShared(context->commState, CommLost);
    Dump(context);
    for (;;) {
        InterruptibleWait(LoadShared(context->sample));
        if (LoadStopFlag() != StopRunning) {
            return StepLeaveLoop;
        }
        if (RetryFirst(context, LoadShared(context->retries)) == 0) {
            break;
        }
    }
    if (LoadStopFlag() != StopRunning) {
        return StepLeaveLoop;
    }
    err(logInfo, "TARVIK> StartThread() ... continue communicating");
    Dump(context);
    return StepContinue;
}

// Decodes one measured gate from the last good frame and hands it to the host.
void ServeGate(DriverContext* context, PollValue* value, int32_t row) {
    uint32_t* id = &context->gateIds[row];
    const char* address = GateAddressTable[row].address;
    if (*id == unresolvedGateId &&
        Pelk5GetGateIdByAddressStr(0, context->instance, address, id) == hostGateNotBound) {
        return; // asked for again next cycle
    }
    if (DecodeValue(LastGoodFrame(context), &value->raw, row) != 0) {
        Pelk5SetGateFlag(0, *id, 1, 1);
        return;
    }
    const uint16_t cooked = Pelk5Cook(0, *id, RawArgument(value->raw), &value->cooked);
    if (cooked != 0) {
        err(logInfo, "TARVIK> StartThread() Cook err. %d for gate %s", cooked, address);
        *id = unresolvedGateId;
        return;
    }
    Pelk5PutGateVal(0, *id, 2, value->cooked, 0, 0);
}

StepResult Step(DriverContext* context, PollValue* value, int32_t* row) {
    if (*row == polledGateCount) {
        *row = 0;
        const uint16_t sample = LoadShared(context->sample);
        if (sample != 0) {
            Sleep(sample);
        }
    }
    if (*row == 0) {
        const uint8_t result = CatchValue(context);
        if (result != 0) {
            return Recover(context, result);
        }
    }
    ServeGate(context, value, *row);
    ++*row;
    return StepContinue;
}

} // namespace

void StartThread(DriverContext* context) {
    PollValue value{};
    context->valueSlot = &value;
    context->currentFrame = context->frameBuffers[0];
    // The host's memory may hold anything here; the capture needs a count
    // within the frame even if this first synchronisation fails.
    context->received = 0;

    Synchronise(context);
    for (int32_t row = 0; row < polledGateCount; ++row) {
        context->gateIds[row] = unresolvedGateId;
    }
    err(logInfo, "TARVIK> StartThread() Entering loop");

    int32_t row = 0;
    while (LoadStopFlag() == StopRunning) {
        if (Step(context, &value, &row) == StepLeaveLoop) {
            break;
        }
    }

    err(logInfo, "TARVIK> StartThread() End of thread");
    context->valueSlot = nullptr; // the record dies with the thread
    StoreStopFlag(StopThreadEnded);
}
