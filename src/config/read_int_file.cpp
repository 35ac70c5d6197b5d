#include <cstdio>

#include "config/int_file.h"
#include "host/host_runtime.h"

void ReadIntFile(VpiRequest* request) {
    char name[intFileNameSize];
    FILE* file = OpenIntFile(intFileBaseName, name, request->instance);
    if (file == nullptr) {
        err(logInfo, "TARVIK> ReadIntFile() Warning, no initfile found");
        return;
    }

    IntTextReader reader;
    BeginIntText(&reader, request->context, name);
    uint8_t chunk[512];
    // A read error ends the text as the end of the file would.
    while (!reader.ended) {
        const size_t got = std::fread(chunk, 1, sizeof chunk, file);
        FeedIntText(&reader, chunk, got);
        if (got < sizeof chunk) {
            break;
        }
    }
    EndIntText(&reader);

    if (std::fclose(file) != 0) {
        err(logError, "TARVIK> ReadIntFile() Can't close file %s", name);
    }
}
