// Where a port name given to CreateFileA leads. The host's port name holds 11
// characters, too few for most device paths, so short names are looked up
// under /dev.
#pragma once

#include <cstddef>

enum PortNameKind {
    PortNameInvalid,
    PortNameNull, // "NUL", in any case
    PortNamePath, // a device or file path, written into `path`
};

// "\\.\" in front is dropped, as Win32 allows it before a device name.
// "COMn" (n 1..256, any case) is /dev/ttyS(n-1); a name with a slash is a
// path as it stands; any other name is looked up under /dev.
PortNameKind ResolvePortName(const char* name, char* path, size_t pathSize);
