// Fuzz target of the INT text reader: any bytes as the content of an INT file.
//
// Besides what the sanitizers catch, it checks that every setting stays within
// its bounds and that cutting the text into two pieces at any point gives the
// same settings and the same log lines as the whole text at once.
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "config/int_file.h"
#include "gates/settings.h"

namespace {

// Digest of every log line written since the last reset, and their count.
uint64_t logDigest = 0;
size_t logLines = 0;

void ResetLog() {
    logDigest = 1469598103934665603ull;
    logLines = 0;
}

DriverContext Defaults() {
    DriverContext context;
    std::memset(&context, 0, sizeof context);
    context.sample = intFallbackSample;
    context.reaction = intFallbackReaction;
    context.sync = intFallbackSync;
    context.retries = intFallbackRetries;
    context.debug = 0;
    return context;
}

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

} // namespace

// The host runtime's log function: formats the line as a host would and
// folds it into the digest.
extern "C" int err(int level, const char* format, ...) {
    char line[1024];
    va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    Check(length > 0 && static_cast<size_t>(length) < sizeof line);
    Check(std::strncmp(line, "TARVIK> ", 8) == 0);
    Check(level == 8 || level == 32);
    logDigest = (logDigest ^ static_cast<uint64_t>(level)) * 1099511628211ull;
    for (int i = 0; i < length; ++i) {
        logDigest = (logDigest ^ static_cast<uint8_t>(line[i])) * 1099511628211ull;
    }
    ++logLines;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const char fileName[] = "TARVIK.INT";

    ResetLog();
    DriverContext whole = Defaults();
    ApplyIntText(&whole, data, size, fileName);
    const uint64_t wholeDigest = logDigest;
    const size_t wholeLines = logLines;

    Check(whole.sample <= maxSample && whole.reaction <= maxReaction && whole.sync <= maxSync &&
          whole.retries <= maxRetries && whole.debug <= 1);

    // The same text in two pieces, cut at a place the text itself chooses.
    const size_t cut = size == 0 ? 0 : data[0] % (size + 1);
    ResetLog();
    DriverContext split = Defaults();
    IntTextReader reader;
    BeginIntText(&reader, &split, fileName);
    FeedIntText(&reader, data, cut);
    FeedIntText(&reader, data + cut, size - cut);
    EndIntText(&reader);

    Check(logDigest == wholeDigest && logLines == wholeLines);
    Check(std::memcmp(&split, &whole, sizeof whole) == 0);
    return 0;
}
