#include "plugin_loader.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <dlfcn.h>
#include <unistd.h>
#endif

#include <cstdio>
#include <filesystem>

namespace korvan::host {

namespace {

#ifdef _WIN32
void* openLibrary(const std::string& path, std::string& error) {
    HMODULE module = LoadLibraryA(path.c_str());
    if (!module) error = "LoadLibrary failed with error " + std::to_string(GetLastError());
    return reinterpret_cast<void*>(module);
}
void* findSymbol(void* handle, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}
void closeLibrary(void* handle) { FreeLibrary(static_cast<HMODULE>(handle)); }
#else
void* openLibrary(const std::string& path, std::string& error) {
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) error = dlerror();
    return handle;
}
void* findSymbol(void* handle, const char* name) { return dlsym(handle, name); }
void closeLibrary(void* handle) { dlclose(handle); }
#endif

template <typename Fn>
void resolve(void* handle, const std::string& path, const char* name, Fn& target) {
    void* symbol = findSymbol(handle, name);
    if (!symbol) throw PluginLoadError(path + ": the plug-in exports no function " + name);
    target = reinterpret_cast<Fn>(symbol);
}

}  // namespace

PluginLibrary::PluginLibrary(const std::string& path) {
    std::string error;
    // A bare file name would make the loader search the system paths; the
    // host always loads its plug-in by path.
    std::string loadPath = path;
    if (std::filesystem::path(path).parent_path().empty()) loadPath = (std::filesystem::path(".") / path).string();
    handle_ = openLibrary(loadPath, error);
    if (!handle_) throw PluginLoadError(path + ": cannot load the plug-in: " + error);
    try {
        resolve(handle_, path, "AddData0", api_.addData);
        resolve(handle_, path, "RemoveData0", api_.removeData);
        resolve(handle_, path, "ResetStats0", api_.resetStats);
        resolve(handle_, path, "CheckCall0", api_.checkCall);
        resolve(handle_, path, "IsValidExchg0", api_.isValidExchg);
        resolve(handle_, path, "GetExchgCount0", api_.getExchgCount);
        resolve(handle_, path, "GetResult0", api_.getResult);
        resolve(handle_, path, "GetSetName", api_.getSetName);
        resolve(handle_, path, "GetNumberOfSets", api_.getNumberOfSets);
        resolve(handle_, path, "SetupSet0", api_.setupSet);
        resolve(handle_, path, "setVersion", api_.setVersion);
    } catch (...) {
        closeLibrary(handle_);
        throw;
    }
}

PluginLibrary::~PluginLibrary() {
    if (handle_) closeLibrary(handle_);
}

bool stderrIsTerminal() {
#ifdef _WIN32
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(fileno(stderr)) != 0;
#endif
}

void useBinaryStandardOutput() {
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stdin), _O_BINARY);  // a log read from "-" keeps its bytes, as a file does
#endif
}

std::string executableFolder() {
    std::filesystem::path exe;
#ifdef _WIN32
    char buffer[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {};
    exe = std::string(buffer, length);
#else
    std::error_code ec;
    exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return {};
#endif
    std::string folder = exe.parent_path().string();
    if (folder.empty()) return {};
    return folder + static_cast<char>(std::filesystem::path::preferred_separator);
}

}  // namespace korvan::host
