// The two value forms of an INT file line, matched as " KEY = %u" and
// " KEY = %3s" would match them, with conversions of our own so that every
// platform reads a line alike.
#pragma once

#include <cstdint>

// True for blank, tab, line feed, vertical tab, form feed and carriage return.
bool IsIntSpace(char c);

// Matches optional white space, `key`, optional white space, "=", optional
// white space and a decimal number with an optional sign. The number is read
// modulo 2^32 (a minus sign negates it modulo 2^32); at least one digit must
// follow the sign. Text after the number is ignored.
bool ScanIntNumber(const char* line, const char* key, uint32_t* value);

// Matches optional white space, `key`, optional white space, "=", optional
// white space and a word: the first one to three non-white characters, stored
// NUL-terminated in `word`.
bool ScanIntWord(const char* line, const char* key, char (&word)[4]);
