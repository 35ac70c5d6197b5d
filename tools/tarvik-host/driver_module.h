// The driver module, loaded by path as a host loads it, and its one export.
#pragma once

#include <memory>
#include <string>

#include "host/vpi_request.h"

namespace host {

using VpiMainFn = int32_t (*)(VpiRequest*);

class DriverModule {
  public:
    // Loads the module; on failure returns nothing and explains in `error`.
    static std::unique_ptr<DriverModule> Load(const std::string& path, std::string* error);
    ~DriverModule();
    DriverModule(const DriverModule&) = delete;
    DriverModule& operator=(const DriverModule&) = delete;

    int32_t Call(VpiRequest* request) const { return vpiMain_(request); }

    // Keeps the module loaded until the process ends (used when the driver
    // would not stop and a thread of it may still run).
    void Pin();

  private:
    DriverModule(void* handle, VpiMainFn vpiMain) : handle_(handle), vpiMain_(vpiMain) {}
    void* handle_;
    VpiMainFn vpiMain_;
    bool pinned_ = false;
};

// TARVIKDL.so (TARVIKDL.dll) in the directory of this program.
std::string DefaultModulePath();

} // namespace host
