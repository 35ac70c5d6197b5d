#include "platform/scripted_device.h"

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/handle_table.h"

namespace {

enum StepKind { StepBytes, StepTimeout, StepFailure };

struct Step {
    StepKind kind;
    std::vector<BYTE> bytes;
    size_t used; // bytes already read from a bytes step
};

struct ScriptedDevice {
    std::vector<Step> script;
    size_t next = 0; // first step not used up
    DWORD writeLimit = MAXDWORD;
    unsigned refused = 0; // ScriptedCall bits
    ScriptedDeviceRecord record{};
};

// One lock for the registry and every device: the devices only copy memory.
std::mutex registryLock;
std::map<std::string, std::shared_ptr<ScriptedDevice>> registry;

ScriptedDevice* Find(const char* name) {
    auto found = registry.find(name);
    return found == registry.end() ? nullptr : found->second.get();
}

void AddStep(const char* name, Step step) {
    std::lock_guard<std::mutex> guard(registryLock);
    if (ScriptedDevice* device = Find(name)) {
        device->script.push_back(std::move(step));
    }
}

// Bytes that wait before the next time-out or failure: the input queue.
DWORD Queued(const ScriptedDevice& device) {
    size_t total = 0;
    for (size_t at = device.next; at < device.script.size(); ++at) {
        const Step& step = device.script[at];
        if (step.kind != StepBytes) {
            break;
        }
        total += step.bytes.size() - step.used;
    }
    return static_cast<DWORD>(total);
}

// The handle's device record: the registry's device, kept alive by the handle.
struct OpenDevice {
    std::shared_ptr<ScriptedDevice> device;
};

BOOL Read(void* state, const std::atomic<bool>&, BYTE* buffer, DWORD count, DWORD* received) {
    std::lock_guard<std::mutex> guard(registryLock);
    ScriptedDevice& device = *static_cast<OpenDevice*>(state)->device;
    DWORD got = 0;
    BOOL ok = TRUE;
    while (got < count && device.next < device.script.size()) {
        Step& step = device.script[device.next];
        if (step.kind == StepBytes) {
            size_t take = std::min<size_t>(count - got, step.bytes.size() - step.used);
            std::copy_n(step.bytes.begin() + static_cast<std::ptrdiff_t>(step.used), take,
                        buffer + got);
            step.used += take;
            got += static_cast<DWORD>(take);
            if (step.used == step.bytes.size()) {
                ++device.next;
            }
            continue;
        }
        if (step.kind == StepFailure && got > 0) {
            break;
        }
        ok = step.kind == StepTimeout ? TRUE : FALSE;
        ++device.next;
        break;
    }
    *received = got;
    device.record.reads.push_back(
        ScriptedRead{count, got, ok, device.record.timeouts.ReadTotalTimeoutConstant});
    return ok;
}

BOOL Write(void* state, const std::atomic<bool>&, const BYTE* buffer, DWORD count, DWORD* written) {
    std::lock_guard<std::mutex> guard(registryLock);
    ScriptedDevice& device = *static_cast<OpenDevice*>(state)->device;
    DWORD taken = std::min(count, device.writeLimit);
    device.record.written.insert(device.record.written.end(), buffer, buffer + taken);
    *written = taken;
    return TRUE;
}

BOOL GetState(void* state, DCB* dcb) {
    std::lock_guard<std::mutex> guard(registryLock);
    ScriptedDevice& device = *static_cast<OpenDevice*>(state)->device;
    ++device.record.getStateCalls; // refused calls count too
    if ((device.refused & ScriptedGetState) != 0) {
        return FALSE;
    }
    *dcb = device.record.dcb;
    return TRUE;
}

BOOL SetState(void* state, const DCB* dcb) {
    std::lock_guard<std::mutex> guard(registryLock);
    ScriptedDevice& device = *static_cast<OpenDevice*>(state)->device;
    ++device.record.setStateCalls; // refused calls count too
    if ((device.refused & ScriptedSetState) != 0) {
        return FALSE;
    }
    device.record.dcb = *dcb;
    return TRUE;
}

BOOL GetTimeouts(void* state, COMMTIMEOUTS* timeouts) {
    std::lock_guard<std::mutex> guard(registryLock);
    ScriptedDevice& device = *static_cast<OpenDevice*>(state)->device;
    if ((device.refused & ScriptedGetTimeouts) != 0) {
        return FALSE;
    }
    *timeouts = device.record.timeouts;
    return TRUE;
}

BOOL SetTimeouts(void* state, const COMMTIMEOUTS* timeouts) {
    std::lock_guard<std::mutex> guard(registryLock);
    ScriptedDevice& device = *static_cast<OpenDevice*>(state)->device;
    ++device.record.setTimeoutsCalls; // refused calls count too
    if ((device.refused & ScriptedSetTimeouts) != 0) {
        return FALSE;
    }
    device.record.timeouts = *timeouts;
    return TRUE;
}

BOOL SetupQueues(void* state, DWORD inQueue, DWORD outQueue) {
    std::lock_guard<std::mutex> guard(registryLock);
    ScriptedDevice& device = *static_cast<OpenDevice*>(state)->device;
    device.record.inQueue = inQueue;
    device.record.outQueue = outQueue;
    return TRUE;
}

BOOL ClearError(void* state, DWORD* errors, COMSTAT* stat) {
    std::lock_guard<std::mutex> guard(registryLock);
    ScriptedDevice& device = *static_cast<OpenDevice*>(state)->device;
    if ((device.refused & ScriptedClearError) != 0) {
        return FALSE;
    }
    if (errors != nullptr) {
        *errors = 0;
    }
    if (stat != nullptr) {
        *stat = COMSTAT{};
        stat->cbInQue = Queued(device);
    }
    return TRUE;
}

BOOL SetBreak(void* state, bool on) {
    std::lock_guard<std::mutex> guard(registryLock);
    ScriptedDevice& device = *static_cast<OpenDevice*>(state)->device;
    ++(on ? device.record.breaksSet : device.record.breaksCleared);
    return TRUE;
}

void Release(void* state) {
    auto* open = static_cast<OpenDevice*>(state);
    {
        std::lock_guard<std::mutex> guard(registryLock);
        open->device->record.open = false;
    }
    delete open;
}

constexpr DeviceOps scriptedOps = {
    Read,        Write,       GetState,   SetState, GetTimeouts,
    SetTimeouts, SetupQueues, ClearError, SetBreak, Release,
};

} // namespace

void ScriptedDeviceCreate(const char* name) {
    auto device = std::make_shared<ScriptedDevice>();
    DCB& dcb = device->record.dcb;
    dcb.DCBlength = sizeof(DCB);
    dcb.BaudRate = 9600;
    dcb.fBinary = TRUE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.XonLim = 2048;
    dcb.XoffLim = 512;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
    std::lock_guard<std::mutex> guard(registryLock);
    registry[name] = std::move(device);
}

void ScriptedDeviceRemove(const char* name) {
    std::lock_guard<std::mutex> guard(registryLock);
    registry.erase(name);
}

void ScriptedDeviceAddBytes(const char* name, const void* bytes, size_t count) {
    const auto* first = static_cast<const BYTE*>(bytes);
    AddStep(name, Step{StepBytes, std::vector<BYTE>(first, first + count), 0});
}

void ScriptedDeviceAddTimeout(const char* name) {
    AddStep(name, Step{StepTimeout, {}, 0});
}

void ScriptedDeviceAddReadFailure(const char* name) {
    AddStep(name, Step{StepFailure, {}, 0});
}

void ScriptedDeviceSetState(const char* name, const DCB& dcb) {
    std::lock_guard<std::mutex> guard(registryLock);
    if (ScriptedDevice* device = Find(name)) {
        device->record.dcb = dcb;
    }
}

void ScriptedDeviceLimitWrites(const char* name, DWORD maxBytes) {
    std::lock_guard<std::mutex> guard(registryLock);
    if (ScriptedDevice* device = Find(name)) {
        device->writeLimit = maxBytes;
    }
}

void ScriptedDeviceRefuse(const char* name, unsigned calls) {
    std::lock_guard<std::mutex> guard(registryLock);
    if (ScriptedDevice* device = Find(name)) {
        device->refused = calls;
    }
}

bool ScriptedDeviceInspect(const char* name, ScriptedDeviceRecord* record) {
    std::lock_guard<std::mutex> guard(registryLock);
    ScriptedDevice* device = Find(name);
    if (device == nullptr) {
        return false;
    }
    *record = device->record;
    return true;
}

bool ScriptedDeviceOpen(const char* name, HANDLE* handle) {
    std::shared_ptr<ScriptedDevice> device;
    {
        std::lock_guard<std::mutex> guard(registryLock);
        auto found = registry.find(name);
        if (found == registry.end()) {
            return false;
        }
        if (found->second->record.open) {
            *handle = INVALID_HANDLE_VALUE;
            return true;
        }
        found->second->record.open = true;
        device = found->second;
    }
    *handle = HandleTableAdd(&scriptedOps, new OpenDevice{std::move(device)});
    return true;
}
