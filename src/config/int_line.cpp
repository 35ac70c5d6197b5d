#include <cstring>

#include "config/int_file.h"
#include "config/int_scan.h"
#include "gates/settings.h"
#include "host/host_runtime.h"
#include "host/shared_field.h"

namespace {

// One numeric setting of the INT file, in the order the keys are tried.
struct IntNumericKey {
    const char* key;
    const char* readLine;     // logged with the number as read
    const char* overflowLine; // logged with the fallback
    uint32_t max;
    uint32_t fallback;
    void (*store)(DriverContext& context, uint32_t value);
};

constexpr IntNumericKey intNumericKeys[] = {
    {"SAMPLE", "TARVIK> ReadIntFile() SAMPLE = %u",
     "TARVIK> ReadIntFile() SAMPLE overflow. Set to %u", maxSample, intFallbackSample,
     [](DriverContext& c, uint32_t v) { StoreShared(c.sample, v); }},
    {"REACTION", "TARVIK> ReadIntFile() REACTION = %u",
     "TARVIK> ReadIntFile() REACTION overflow. Set to %u", maxReaction, intFallbackReaction,
     [](DriverContext& c, uint32_t v) { StoreShared(c.reaction, v); }},
    {"SYNC", "TARVIK> ReadIntFile() Before Sync. = %u",
     "TARVIK> ReadIntFile() SYNC overflow. Set to %u", maxSync, intFallbackSync,
     [](DriverContext& c, uint32_t v) { StoreShared(c.sync, v); }},
    {"RETRIES", "TARVIK> ReadIntFile() Retries = %u",
     "TARVIK> ReadIntFile() Retries overflow. Set to %u", maxRetries, intFallbackRetries,
     [](DriverContext& c, uint32_t v) { StoreShared(c.retries, v); }},
};

void UpperCase(char* line) {
    for (; *line != '\0'; ++line) {
        if (*line >= 'a' && *line <= 'z') {
            *line = static_cast<char>(*line - 'a' + 'A');
        }
    }
}

} // namespace

void ApplyIntLine(DriverContext* context, char* line, uint16_t lineNumber, const char* fileName) {
    UpperCase(line);

    for (const IntNumericKey& key : intNumericKeys) {
        uint32_t value = 0;
        if (!ScanIntNumber(line, key.key, &value)) {
            continue;
        }
        err(logInfo, key.readLine, static_cast<unsigned>(value));
        if (value > key.max) {
            err(logInfo, key.overflowLine, static_cast<unsigned>(key.fallback));
            value = key.fallback;
        }
        key.store(*context, value);
        return;
    }

    char word[4];
    if (ScanIntWord(line, "DEBUG", word)) {
        if (std::strncmp(word, "OFF", 3) == 0) {
            StoreShared(context->debug, 0);
        } else if (std::strncmp(word, "ON", 2) == 0) {
            StoreShared(context->debug, 1);
        }
        err(logInfo, "TARVIK> Debug information flag = %d",
            static_cast<int>(LoadShared(context->debug)));
        return;
    }

    // A line of nothing but its line feed is no setting and no mistake.
    if (line[0] == '\n') {
        return;
    }
    err(logError, "TARVIK> ReadIntFile() illegal line %u in '%s'",
        static_cast<unsigned>(lineNumber), fileName);
}
