// These cases drive Linux devices and the POSIX stand-in.
#if !defined(_WIN32)

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

#include "platform/posix_win32.h"

namespace {

std::atomic<int> seen{0};

DWORD WINAPI Routine(LPVOID parameter) {
    seen.store(*static_cast<int*>(parameter));
    return 0;
}

TEST(CreateThread, RunsTheRoutineDetachedWithItsArgument) {
    static int argument = 42;
    seen.store(0);
    HANDLE thread = CreateThread(nullptr, 0, Routine, &argument, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    EXPECT_TRUE(CloseHandle(thread)); // the thread keeps running
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (seen.load() == 0 && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(seen.load(), 42);
}

TEST(ProcessHeap, AllocatesZeroedBlocksAndFreesThem) {
    HANDLE heap = GetProcessHeap();
    ASSERT_NE(heap, nullptr);
    auto* block = static_cast<uint32_t*>(HeapAlloc(heap, HEAP_ZERO_MEMORY, 16));
    ASSERT_NE(block, nullptr);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(block[i], 0u);
    }
    EXPECT_TRUE(HeapFree(heap, 0, block));
    EXPECT_FALSE(HeapFree(nullptr, 0, nullptr));
}

} // namespace

#endif
