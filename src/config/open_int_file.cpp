#include <cstdio>

#include "config/int_file.h"

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

namespace {

// Opens `name` for reading in binary mode: the text reader does the line-end
// handling itself. A directory of that name is no INT file; Windows refuses
// to open one, and the same is done here on other systems.
FILE* OpenForReading(const char* name) {
    FILE* file = std::fopen(name, "rb");
#if !defined(_WIN32)
    if (file != nullptr) {
        struct stat status;
        if (fstat(fileno(file), &status) != 0 || S_ISDIR(status.st_mode)) {
            std::fclose(file);
            file = nullptr;
        }
    }
#endif
    return file;
}

} // namespace

FILE* OpenIntFile(const char* baseName, char* name, uint32_t instance) {
    const unsigned number = static_cast<unsigned>(instance);

    // The instance with at least two digits, with at least one, then none.
    std::snprintf(name, intFileNameSize, "%s%02u.INT", baseName, number);
    if (FILE* file = OpenForReading(name)) {
        return file;
    }
    std::snprintf(name, intFileNameSize, "%s%01u.INT", baseName, number);
    if (FILE* file = OpenForReading(name)) {
        return file;
    }
    std::snprintf(name, intFileNameSize, "%s.INT", baseName);
    return OpenForReading(name);
}
