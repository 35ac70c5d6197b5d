#include "platform/port_name.h"

#include <cstdio>
#include <cstring>
#include <strings.h>

namespace {

constexpr int maxComNumber = 256;

// The number of a "COMn" name, or 0 when the name is not one.
int ComNumber(const char* name) {
    if (strncasecmp(name, "COM", 3) != 0) {
        return 0;
    }
    const char* digits = name + 3;
    if (*digits < '1' || *digits > '9') {
        return 0;
    }
    int number = 0;
    for (const char* digit = digits; *digit != '\0'; ++digit) {
        if (*digit < '0' || *digit > '9') {
            return 0;
        }
        number = number * 10 + (*digit - '0');
        if (number > maxComNumber) {
            return 0;
        }
    }
    return number;
}

PortNameKind Written(int length, size_t pathSize) {
    return length > 0 && static_cast<size_t>(length) < pathSize ? PortNamePath : PortNameInvalid;
}

} // namespace

PortNameKind ResolvePortName(const char* name, char* path, size_t pathSize) {
    if (name == nullptr) {
        return PortNameInvalid;
    }
    if (std::strncmp(name, "\\\\.\\", 4) == 0) {
        name += 4;
    }
    if (*name == '\0') {
        return PortNameInvalid;
    }
    if (strcasecmp(name, "NUL") == 0) {
        return PortNameNull;
    }
    if (std::strchr(name, '/') != nullptr) {
        return Written(std::snprintf(path, pathSize, "%s", name), pathSize);
    }
    if (int number = ComNumber(name); number != 0) {
        return Written(std::snprintf(path, pathSize, "/dev/ttyS%d", number - 1), pathSize);
    }
    return Written(std::snprintf(path, pathSize, "/dev/%s", name), pathSize);
}
