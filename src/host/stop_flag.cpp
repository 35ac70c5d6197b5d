#include "host/stop_flag.h"

std::atomic<int32_t> StopFlag{StopRunning};
