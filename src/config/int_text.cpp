#include "config/int_file.h"
#include "host/host_runtime.h"
#include "host/shared_field.h"

// The text is cut into lines as a 256-byte line buffer reads them from a file
// opened in text mode on Windows: a carriage return directly before a line
// feed is dropped, Ctrl-Z ends the text, and a line ends after its line feed
// or after 255 characters, whichever comes first. Doing this ourselves on
// bytes read in binary mode gives the same lines on every platform.

namespace {

void TakeLine(IntTextReader* reader) {
    reader->line[reader->length] = '\0';
    ++reader->lineNumber;
    ApplyIntLine(reader->context, reader->line, reader->lineNumber, reader->fileName);
    reader->length = 0;
}

void PutChar(IntTextReader* reader, char c) {
    reader->line[reader->length++] = c;
    if (c == '\n' || reader->length == intLineLength) {
        TakeLine(reader);
    }
}

} // namespace

void BeginIntText(IntTextReader* reader, DriverContext* context, const char* fileName) {
    reader->context = context;
    reader->fileName = fileName;
    reader->lineNumber = 0;
    reader->length = 0;
    reader->pendingReturn = 0;
    reader->ended = 0;
}

void FeedIntText(IntTextReader* reader, const uint8_t* bytes, size_t size) {
    for (size_t i = 0; i < size && !reader->ended; ++i) {
        const uint8_t byte = bytes[i];
        if (reader->pendingReturn) {
            reader->pendingReturn = 0;
            if (byte != '\n') {
                PutChar(reader, '\r');
            }
        }
        if (byte == intEndOfText) {
            reader->ended = 1;
        } else if (byte == '\r') {
            reader->pendingReturn = 1;
        } else {
            PutChar(reader, static_cast<char>(byte));
        }
    }
}

void EndIntText(IntTextReader* reader) {
    if (reader->pendingReturn) {
        reader->pendingReturn = 0;
        PutChar(reader, '\r');
    }
    if (reader->length > 0) {
        TakeLine(reader);
    }
    reader->ended = 1;

    DriverContext* context = reader->context;
    if (LoadShared(context->debug) != 0) {
        err(logInfo, "TARVIK> ReadIntFile() SAMPLE=%d; REACTION=%d; SYNC=%d; RETRIES=%d",
            static_cast<int>(LoadShared(context->sample)),
            static_cast<int>(LoadShared(context->reaction)),
            static_cast<int>(LoadShared(context->sync)),
            static_cast<int>(LoadShared(context->retries)));
    }
}

void ApplyIntText(DriverContext* context, const uint8_t* bytes, size_t size, const char* fileName) {
    IntTextReader reader;
    BeginIntText(&reader, context, fileName);
    FeedIntText(&reader, bytes, size);
    EndIntText(&reader);
}
