// The module's one export.
#pragma once

#include <cstdint>

#include "host/vpi_request.h"

#if defined(_WIN32)
#define TARVIK_EXPORT
#else
#define TARVIK_EXPORT __attribute__((visibility("default")))
#endif

extern "C" TARVIK_EXPORT int32_t VpiMain(VpiRequest* request);
