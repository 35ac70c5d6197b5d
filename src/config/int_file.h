// The INT file: start values of the driver's five settings.
//
// ReadIntFile opens the file and hands its bytes to the INT text reader, which
// cuts them into lines and applies each line to the context. The text reader
// and the line parser work on plain byte buffers, so they can be driven
// without any file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "host/driver_context.h"
#include "host/vpi_request.h"

inline constexpr char intFileBaseName[] = "TARVIK";
// Room for the longest file name tried: the base name, ten digits, ".INT", NUL.
inline constexpr int intFileNameSize = 32;

// Characters of one line at most, the line feed included; a longer line is
// taken as several lines.
inline constexpr int intLineLength = 255;

// Ctrl-Z: ends the text.
inline constexpr uint8_t intEndOfText = 26;

// What a numeric setting falls back to when its value is out of range (the
// same values ColdStart starts with).
inline constexpr uint16_t intFallbackSample = 35;
inline constexpr uint8_t intFallbackReaction = 0;
inline constexpr uint16_t intFallbackSync = 10;
inline constexpr uint8_t intFallbackRetries = 5;

// Reads the INT file of the request's instance into the request's context.
void ReadIntFile(VpiRequest* request);

// Opens the first of the three names that can be read; leaves the last name
// tried in `name` (intFileNameSize bytes). Returns the open file, or nullptr.
FILE* OpenIntFile(const char* baseName, char* name, uint32_t instance);

// Applies one line to the context: upper-cases its letters in place, then
// takes it as the first of the five settings whose pattern it matches, or
// reports it as illegal with its number and the file's name. `line` is a
// NUL-terminated text of at most intLineLength characters.
void ApplyIntLine(DriverContext* context, char* line, uint16_t lineNumber, const char* fileName);

// The state of reading one INT text: the line being collected and the count
// of lines so far.
struct IntTextReader {
    DriverContext* context;
    const char* fileName;
    uint16_t lineNumber;   // lines taken so far; counted in 16 bits
    uint16_t length;       // characters in `line`
    uint8_t pendingReturn; // a carriage return waits to see whether a line feed follows
    uint8_t ended;         // a Ctrl-Z was met: the rest of the text is ignored
    char line[intLineLength + 1];
};

void BeginIntText(IntTextReader* reader, DriverContext* context, const char* fileName);
// Takes the next bytes of the text; applies every line they complete.
void FeedIntText(IntTextReader* reader, const uint8_t* bytes, size_t size);
// Applies the unfinished last line, then writes the summary while `debug` is on.
void EndIntText(IntTextReader* reader);

// The whole text at once: BeginIntText, FeedIntText, EndIntText.
void ApplyIntText(DriverContext* context, const uint8_t* bytes, size_t size, const char* fileName);
