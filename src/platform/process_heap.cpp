// The process heap: the C library's allocator behind one fixed heap handle.
#include <cstdlib>

#include "platform/posix_win32.h"

namespace {

int processHeap; // its address is the heap's handle

} // namespace

HANDLE GetProcessHeap() {
    return &processHeap;
}

LPVOID HeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes) {
    if (heap != &processHeap) {
        return nullptr;
    }
    // Win32 hands out a valid block for 0 bytes too.
    size_t size = bytes == 0 ? 1 : bytes;
    return (flags & HEAP_ZERO_MEMORY) != 0 ? std::calloc(1, size) : std::malloc(size);
}

BOOL HeapFree(HANDLE heap, DWORD, LPVOID memory) {
    if (heap != &processHeap) {
        return FALSE;
    }
    std::free(memory);
    return TRUE;
}
