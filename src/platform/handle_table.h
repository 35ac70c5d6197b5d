// The stand-in's handles: entries of a small table. Each entry holds a device
// of one kind (terminal, plain file, null device, scripted device, thread),
// and the Win32 calls dispatch through the kind's table of operations. A
// missing operation makes the call fail, as Win32 fails a communication call
// on a handle that is not a serial port.
#pragma once

#include <atomic>

#include "platform/posix_win32.h"

struct DeviceOps {
    // Reads and writes may wait; they give up when `closing` turns true.
    BOOL (*read)
    (void* device, const std::atomic<bool>& closing, BYTE* buffer, DWORD count, DWORD* received);
    BOOL (*write)
    (void* device, const std::atomic<bool>& closing, const BYTE* buffer, DWORD count,
     DWORD* written);
    BOOL (*getState)(void* device, DCB* dcb);
    BOOL (*setState)(void* device, const DCB* dcb);
    BOOL (*getTimeouts)(void* device, COMMTIMEOUTS* timeouts);
    BOOL (*setTimeouts)(void* device, const COMMTIMEOUTS* timeouts);
    BOOL (*setupQueues)(void* device, DWORD inQueue, DWORD outQueue);
    BOOL (*clearError)(void* device, DWORD* errors, COMSTAT* stat);
    BOOL (*setBreak)(void* device, bool on);
    // Releases the device: closes its descriptor, frees its record.
    void (*release)(void* device);
};

// An entry in use by one call; the device stays alive until it is released.
struct HandleRef {
    const DeviceOps* ops;
    void* device;
    const std::atomic<bool>* closing;
    int slot;
};

// Adds a device and returns its handle, or INVALID_HANDLE_VALUE when the table
// is full (the device is then released).
HANDLE HandleTableAdd(const DeviceOps* ops, void* device);
// Finds an open handle's entry and keeps it alive until HandleTableRelease.
bool HandleTableAcquire(HANDLE handle, HandleRef* ref);
void HandleTableRelease(const HandleRef* ref);
// Closes a handle: later lookups fail at once, calls still running on it see
// `closing` and end, and the last of them releases the device. The close
// returns after the device is released, as a port's close waits for its
// pending reads, so the port can be opened again right away. It must not be
// called from inside a call on the same handle.
BOOL HandleTableClose(HANDLE handle);
