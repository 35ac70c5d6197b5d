#include "driver_module.h"

#include <filesystem>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#include <unistd.h>
#endif

namespace host {

#if defined(_WIN32)

std::unique_ptr<DriverModule> DriverModule::Load(const std::string& path, std::string* error) {
    HMODULE module = LoadLibraryA(path.c_str());
    if (module == nullptr) {
        *error = "cannot load " + path + " (Windows error " + std::to_string(GetLastError()) +
                 "); check the path and that PELKCORE.dll lies next to tarvik-host.exe";
        return nullptr;
    }
    auto entry =
        reinterpret_cast<VpiMainFn>(reinterpret_cast<void*>(GetProcAddress(module, "VpiMain")));
    if (entry == nullptr) {
        FreeLibrary(module);
        *error = path + " has no VpiMain export; is it the driver module?";
        return nullptr;
    }
    return std::unique_ptr<DriverModule>(new DriverModule(module, entry));
}

DriverModule::~DriverModule() {
    if (!pinned_) {
        FreeLibrary(static_cast<HMODULE>(handle_));
    }
}

std::string DefaultModulePath() {
    char buffer[MAX_PATH] = {};
    DWORD length = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
    std::filesystem::path self(std::string(buffer, length));
    return (self.parent_path() / "TARVIKDL.dll").string();
}

#else

std::unique_ptr<DriverModule> DriverModule::Load(const std::string& path, std::string* error) {
    // A path without a slash would make dlopen search the library path.
    std::string name = path.find('/') == std::string::npos ? "./" + path : path;
    void* module = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        const char* why = dlerror();
        *error = "cannot load " + path + ": " + (why != nullptr ? why : "unknown error") +
                 "; check the path (--driver) and that libPELKCORE.so lies next to tarvik-host";
        return nullptr;
    }
    auto entry = reinterpret_cast<VpiMainFn>(dlsym(module, "VpiMain"));
    if (entry == nullptr) {
        dlclose(module);
        *error = path + " has no VpiMain export; is it the driver module?";
        return nullptr;
    }
    return std::unique_ptr<DriverModule>(new DriverModule(module, entry));
}

DriverModule::~DriverModule() {
    if (!pinned_) {
        dlclose(handle_);
    }
}

std::string DefaultModulePath() {
    std::error_code ec;
    auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) {
        return "TARVIKDL.so";
    }
    return (self.parent_path() / "TARVIKDL.so").string();
}

#endif

void DriverModule::Pin() {
    pinned_ = true;
}

} // namespace host
