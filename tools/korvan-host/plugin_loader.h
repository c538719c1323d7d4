// Loading the plug-in library and the few other things that differ between
// Windows and POSIX.
#pragma once

#include <stdexcept>
#include <string>

#include "plugin_api.h"

namespace korvan::host {

class PluginLoadError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// An open plug-in library; unloads it when destroyed.
class PluginLibrary {
public:
    // Loads the library and resolves every plain alias; throws PluginLoadError.
    explicit PluginLibrary(const std::string& path);
    ~PluginLibrary();
    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;

    const PluginApi& api() const { return api_; }

private:
    void* handle_ = nullptr;
    PluginApi api_;
};

bool stderrIsTerminal();

// The plug-in's texts end lines in CR LF already; standard output must pass
// them on unchanged (no LF -> CR LF translation on Windows). Standard input
// is switched the same way.
void useBinaryStandardOutput();

// Folder of the running executable, with a trailing separator; empty when
// it cannot be found.
std::string executableFolder();

}  // namespace korvan::host
