#include "config/int_scan.h"

bool IsIntSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

namespace {

const char* SkipSpace(const char* p) {
    while (IsIntSpace(*p)) {
        ++p;
    }
    return p;
}

// The text after " KEY = ", white space behind the "=" skipped; nullptr when
// the line does not begin so.
const char* ScanKey(const char* line, const char* key) {
    const char* p = SkipSpace(line);
    for (; *key != '\0'; ++key, ++p) {
        if (*p != *key) {
            return nullptr;
        }
    }
    p = SkipSpace(p);
    if (*p != '=') {
        return nullptr;
    }
    return SkipSpace(p + 1);
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

bool ScanIntNumber(const char* line, const char* key, uint32_t* value) {
    const char* p = ScanKey(line, key);
    if (p == nullptr) {
        return false;
    }
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    if (!IsDigit(*p)) {
        return false;
    }
    // Unsigned arithmetic wraps modulo 2^32 by itself.
    uint32_t number = 0;
    for (; IsDigit(*p); ++p) {
        number = number * 10u + static_cast<uint32_t>(*p - '0');
    }
    *value = negative ? 0u - number : number;
    return true;
}

bool ScanIntWord(const char* line, const char* key, char (&word)[4]) {
    const char* p = ScanKey(line, key);
    if (p == nullptr || *p == '\0') {
        return false;
    }
    int n = 0;
    for (; n < 3 && p[n] != '\0' && !IsIntSpace(p[n]); ++n) {
        word[n] = p[n];
    }
    word[n] = '\0';
    return true;
}
