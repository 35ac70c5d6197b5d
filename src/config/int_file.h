// The INT file: start values of the driver's five settings.
#pragma once

#include <cstdint>
#include <cstdio>

#include "host/vpi_request.h"

inline constexpr char intFileBaseName[] = "TARVIK";
// Room for the longest file name tried: the base name, ten digits, ".INT", NUL.
inline constexpr int intFileNameSize = 32;

// Reads the INT file of the request's instance into the request's context.
void ReadIntFile(VpiRequest* request);

// Opens the first of the three names that can be read; leaves the last name
// tried in `name`. Returns the open file, or nullptr.
FILE* OpenIntFile(const char* baseName, char* name, uint32_t instance);
