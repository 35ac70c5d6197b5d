// A regular file or a device that is not a terminal, opened by its path. Win32
// reads and writes such a handle like a file, and refuses every communication
// call on it.
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

#include "platform/devices.h"
#include "platform/handle_table.h"

namespace {

struct FileDevice {
    int fd;
};

BOOL Read(void* state, const std::atomic<bool>&, BYTE* buffer, DWORD count, DWORD* received) {
    auto* device = static_cast<FileDevice*>(state);
    DWORD done = 0;
    while (done < count) {
        ssize_t got = read(device->fd, buffer + done, count - done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            *received = done;
            return FALSE;
        }
        if (got == 0) {
            break; // end of file
        }
        done += static_cast<DWORD>(got);
    }
    *received = done;
    return TRUE;
}

BOOL Write(void* state, const std::atomic<bool>&, const BYTE* buffer, DWORD count, DWORD* written) {
    auto* device = static_cast<FileDevice*>(state);
    DWORD done = 0;
    while (done < count) {
        ssize_t put = write(device->fd, buffer + done, count - done);
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            *written = done;
            return FALSE;
        }
        done += static_cast<DWORD>(put);
    }
    *written = done;
    return TRUE;
}

void Release(void* state) {
    auto* device = static_cast<FileDevice*>(state);
    close(device->fd);
    delete device;
}

constexpr DeviceOps fileOps = {
    Read, Write, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, Release,
};

} // namespace

HANDLE FileDeviceOpen(int fd) {
    // Reads of a file wait as Win32 file reads do.
    int flags = fcntl(fd, F_GETFL);
    if (flags >= 0) {
        fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    }
    return HandleTableAdd(&fileOps, new FileDevice{fd});
}
