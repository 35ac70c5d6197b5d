#include "platform/handle_table.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace {

constexpr int slotCount = 64;

struct Entry {
    const DeviceOps* ops = nullptr;
    void* device = nullptr;
    uint32_t generation = 1;  // part of the handle value, so a closed handle stays invalid
    int users = 0;            // calls running on the entry
    uint32_t retirements = 0; // devices released from this slot so far
    bool open = false;
    std::atomic<bool> closing{false};
};

std::mutex tableLock;
std::condition_variable deviceRetired;
Entry table[slotCount];

// Handle value: generation in the upper bits, slot + 1 in the low byte; never
// 0 nor INVALID_HANDLE_VALUE.
HANDLE EncodeHandle(int slot, uint32_t generation) {
    uintptr_t value =
        (static_cast<uintptr_t>(generation & 0xFFFFFFu) << 8) | static_cast<uintptr_t>(slot + 1);
    return reinterpret_cast<HANDLE>(value);
}

int FindSlot(HANDLE handle) {
    uintptr_t value = reinterpret_cast<uintptr_t>(handle);
    int slot = static_cast<int>(value & 0xFFu) - 1;
    if (slot < 0 || slot >= slotCount) {
        return -1;
    }
    const Entry& entry = table[slot];
    if (!entry.open || EncodeHandle(slot, entry.generation) != handle) {
        return -1;
    }
    return slot;
}

// Under tableLock: frees the slot and hands back what must be released.
void Retire(Entry& entry, const DeviceOps** ops, void** device) {
    *ops = entry.ops;
    *device = entry.device;
    entry.ops = nullptr;
    entry.device = nullptr;
    entry.closing.store(false);
}

} // namespace

HANDLE HandleTableAdd(const DeviceOps* ops, void* device) {
    {
        std::lock_guard<std::mutex> guard(tableLock);
        for (int slot = 0; slot < slotCount; ++slot) {
            Entry& entry = table[slot];
            if (entry.open || entry.users != 0 || entry.ops != nullptr) {
                continue;
            }
            entry.ops = ops;
            entry.device = device;
            entry.open = true;
            entry.closing.store(false);
            return EncodeHandle(slot, entry.generation);
        }
    }
    ops->release(device);
    return INVALID_HANDLE_VALUE;
}

bool HandleTableAcquire(HANDLE handle, HandleRef* ref) {
    std::lock_guard<std::mutex> guard(tableLock);
    int slot = FindSlot(handle);
    if (slot < 0) {
        return false;
    }
    Entry& entry = table[slot];
    ++entry.users;
    ref->ops = entry.ops;
    ref->device = entry.device;
    ref->closing = &entry.closing;
    ref->slot = slot;
    return true;
}

void HandleTableRelease(const HandleRef* ref) {
    const DeviceOps* ops = nullptr;
    void* device = nullptr;
    {
        std::lock_guard<std::mutex> guard(tableLock);
        Entry& entry = table[ref->slot];
        --entry.users;
        if (entry.users == 0 && !entry.open && entry.ops != nullptr) {
            Retire(entry, &ops, &device);
        }
    }
    if (ops != nullptr) {
        ops->release(device);
        {
            std::lock_guard<std::mutex> guard(tableLock);
            ++table[ref->slot].retirements;
        }
        deviceRetired.notify_all();
    }
}

BOOL HandleTableClose(HANDLE handle) {
    const DeviceOps* ops = nullptr;
    void* device = nullptr;
    {
        std::unique_lock<std::mutex> guard(tableLock);
        int slot = FindSlot(handle);
        if (slot < 0) {
            return FALSE;
        }
        Entry& entry = table[slot];
        entry.open = false;
        ++entry.generation;
        if (entry.generation > 0xFFFFFFu) {
            entry.generation = 1;
        }
        if (entry.users == 0) {
            Retire(entry, &ops, &device);
        } else {
            // Calls still running on the handle see `closing` and end soon;
            // the close returns only once the last has released the device,
            // so the port is free for a new open as soon as it returns.
            entry.closing.store(true);
            uint32_t before = entry.retirements;
            deviceRetired.wait(guard, [&] { return entry.retirements != before; });
        }
    }
    if (ops != nullptr) {
        ops->release(device);
    }
    return TRUE;
}
