// Helpers to pin the 32-bit layout of records that cross the host boundary.
// The checks only apply where pointers are 32 bits wide, which is the layout
// the host process uses; 64-bit development builds skip them.
#pragma once

#include <cstddef>

#if defined(__SIZEOF_POINTER__) && __SIZEOF_POINTER__ == 4
#define TARVIK_HOST_LAYOUT 1
#define PIN_SIZE(type, size) static_assert(sizeof(type) == (size), #type " size")
#define PIN_OFFSET(type, field, offset)                                                            \
    static_assert(offsetof(type, field) == (offset), #type "." #field " offset")
#else
#define TARVIK_HOST_LAYOUT 0
#define PIN_SIZE(type, size) static_assert(true)
#define PIN_OFFSET(type, field, offset) static_assert(true)
#endif
