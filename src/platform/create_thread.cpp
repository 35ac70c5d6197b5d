// CreateThread: starts a detached thread with the default stack size. The
// handle it returns names no joinable thread; closing it at once is the usual
// use and leaves the thread running.
#include <pthread.h>

#include "platform/handle_table.h"

namespace {

struct ThreadStart {
    LPTHREAD_START_ROUTINE routine;
    LPVOID parameter;
};

void* RunThread(void* argument) {
    ThreadStart start = *static_cast<ThreadStart*>(argument);
    delete static_cast<ThreadStart*>(argument);
    start.routine(start.parameter);
    return nullptr;
}

void Release(void*) {}

constexpr DeviceOps threadOps = {
    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, Release,
};

} // namespace

HANDLE CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T stackSize, LPTHREAD_START_ROUTINE startAddress,
                    LPVOID parameter, DWORD creationFlags, LPDWORD threadId) {
    // Suspended starts and explicit stack sizes are not offered.
    if (startAddress == nullptr || creationFlags != 0 || stackSize != 0) {
        return nullptr;
    }
    HANDLE handle = HandleTableAdd(&threadOps, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return nullptr;
    }
    auto* start = new ThreadStart{startAddress, parameter};
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    pthread_t thread;
    int failed = pthread_create(&thread, &attributes, RunThread, start);
    pthread_attr_destroy(&attributes);
    if (failed != 0) {
        delete start;
        CloseHandle(handle);
        return nullptr;
    }
    if (threadId != nullptr) {
        *threadId = static_cast<DWORD>(reinterpret_cast<uintptr_t>(handle));
    }
    return handle;
}
