// These cases drive Linux devices and the POSIX stand-in.
#if !defined(_WIN32)

#include <gtest/gtest.h>
#include <string>

#include "platform/port_name.h"

namespace {

TEST(ResolvePortName, MapsWindowsNamesToDevices) {
    struct Case {
        const char* name;
        PortNameKind kind;
        const char* path;
    };
    const Case cases[] = {
        {"NUL", PortNameNull, ""},
        {"nul", PortNameNull, ""},
        {"\\\\.\\NUL", PortNameNull, ""},
        {"COM1", PortNamePath, "/dev/ttyS0"},
        {"com4", PortNamePath, "/dev/ttyS3"},
        {"COM256", PortNamePath, "/dev/ttyS255"},
        {"\\\\.\\COM10", PortNamePath, "/dev/ttyS9"},
        {"COM0", PortNamePath, "/dev/COM0"}, // no such COM port: looked up as a name
        {"COM01", PortNamePath, "/dev/COM01"},
        {"COM1X", PortNamePath, "/dev/COM1X"},
        {"ttyUSB0", PortNamePath, "/dev/ttyUSB0"},
        {"/dev/pts/3", PortNamePath, "/dev/pts/3"},
        {"pts/3", PortNamePath, "pts/3"},
        {"", PortNameInvalid, ""},
        {"\\\\.\\", PortNameInvalid, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        char path[64] = {};
        EXPECT_EQ(ResolvePortName(c.name, path, sizeof path), c.kind);
        if (c.kind == PortNamePath) {
            EXPECT_EQ(std::string(path), c.path);
        }
    }
    char tiny[8];
    EXPECT_EQ(ResolvePortName("ttyUSB0", tiny, sizeof tiny), PortNameInvalid); // does not fit
    EXPECT_EQ(ResolvePortName(nullptr, tiny, sizeof tiny), PortNameInvalid);
}

} // namespace

#endif
