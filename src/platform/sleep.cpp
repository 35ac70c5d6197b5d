// Sleep: waits the given milliseconds, resuming after signals.
#include <cerrno>
#include <time.h>

#include "platform/posix_win32.h"

void Sleep(DWORD milliseconds) {
    timespec rest{static_cast<time_t>(milliseconds / 1000),
                  static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&rest, &rest) != 0 && errno == EINTR) {
    }
}
