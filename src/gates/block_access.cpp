#include "host/commands.h"

// Block transfers are not supported.
int32_t BlockRead(VpiRequest*) {
    return ResultFailed;
}
int32_t BlockWrite(VpiRequest*) {
    return ResultFailed;
}
