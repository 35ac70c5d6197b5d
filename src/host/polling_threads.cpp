#include "host/polling_threads.h"

#include "platform/win32.h"
#include "scale/polling_thread.h"

std::atomic<int32_t> RunningPollingThreads{0};

namespace {

DWORD WINAPI PollingThreadEntry(LPVOID argument) {
    StartThread(static_cast<DriverContext*>(argument));
    // The thread has set StopFlag to 2 and touches the context no more; the
    // release lets EndVpi release what the thread used once it sees the count drop.
    RunningPollingThreads.fetch_sub(1, std::memory_order_release);
    return 0;
}

} // namespace

bool StartPollingThread(DriverContext* context) {
    RunningPollingThreads.fetch_add(1, std::memory_order_relaxed);
    HANDLE thread = CreateThread(nullptr, 0, PollingThreadEntry, context, 0, nullptr);
    if (thread == nullptr) {
        RunningPollingThreads.fetch_sub(1, std::memory_order_relaxed);
        return false;
    }
    CloseHandle(thread);
    return true;
}

bool PollingThreadsRunning() {
    return RunningPollingThreads.load(std::memory_order_acquire) > 0;
}
