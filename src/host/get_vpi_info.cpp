#include "host/commands.h"
#include "host/driver_context.h"
#include "host/driver_info.h"
#include "host/host_runtime.h"
#include "host/vpi_info.h"

int32_t GetVpiInfo(VpiRequest* request) {
    auto* info = static_cast<VpiInfo*>(request->data);
    info->constant70 = 70;
    info->makerName = DriverMakerBlock;
    info->banner = DriverBanner;
    info->contextSize = sizeof(DriverContext);
    info->constant4 = 4;
    info->lineSettings = defaultLineSettings;
    info->constant0 = 0;
    err(logInfo, "TARVIK> GetVpiInfo() exited");
    return ResultOk;
}
