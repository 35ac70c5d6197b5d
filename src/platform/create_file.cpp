// CreateFileA: opens an existing device or file. A share mode of 0 opens it
// exclusively: a second open fails while a handle holds it, in this process
// and in others (flock, which holds even for root, plus TIOCEXCL on a
// terminal).
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/devices.h"
#include "platform/port_name.h"
#include "platform/scripted_device.h"

namespace {

constexpr size_t maxPath = 4096;

int OpenFlags(DWORD desiredAccess) {
    bool reads = (desiredAccess & GENERIC_READ) != 0;
    bool writes = (desiredAccess & GENERIC_WRITE) != 0;
    int flags = writes ? (reads ? O_RDWR : O_WRONLY) : O_RDONLY;
    // No controlling terminal, and no wait for a modem's carrier.
    return flags | O_NOCTTY | O_NONBLOCK | O_CLOEXEC;
}

} // namespace

HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode, LPSECURITY_ATTRIBUTES,
                   DWORD creationDisposition, DWORD, HANDLE) {
    // Only existing objects are opened: the driver never creates a file.
    if (creationDisposition != OPEN_EXISTING || fileName == nullptr) {
        return INVALID_HANDLE_VALUE;
    }
    HANDLE scripted = INVALID_HANDLE_VALUE;
    if (ScriptedDeviceOpen(fileName, &scripted)) {
        return scripted;
    }
    char path[maxPath];
    switch (ResolvePortName(fileName, path, sizeof path)) {
    case PortNameInvalid:
        return INVALID_HANDLE_VALUE;
    case PortNameNull:
        return NullDeviceOpen();
    case PortNamePath:
        break;
    }

    int fd = open(path, OpenFlags(desiredAccess));
    if (fd < 0) {
        return INVALID_HANDLE_VALUE;
    }
    struct stat info {};
    if (fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        close(fd);
        return INVALID_HANDLE_VALUE;
    }
    bool terminal = isatty(fd) != 0;
    // Character devices other than terminals (/dev/null, /dev/zero) are
    // shared by everything on the machine; they are not locked.
    bool lockable = terminal || S_ISREG(info.st_mode);
    if (shareMode == 0 && lockable && flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return INVALID_HANDLE_VALUE;
    }
    return terminal ? TerminalDeviceOpen(fd) : FileDeviceOpen(fd);
}
