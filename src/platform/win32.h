// The Win32 calls the driver uses. On Windows they come from the system; on
// other systems src/platform supplies a small stand-in with the same names,
// types and behaviour as far as the driver can tell.
#pragma once

#if defined(_WIN32)
#include <windows.h>
#else
#include "platform/posix_win32.h"
#endif
