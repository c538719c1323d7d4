// load-cycles PLUGIN_PATH [CYCLES]
//
// Loads and unloads the plug-in as a host that opens and closes contests
// does: each cycle loads it, resets (which opens the setup panel on its
// window thread), adds 50 QSOs, asks for the statistics and unloads it
// while the panel still runs. Run under ThreadSanitizer, the unload step
// must end the window thread before any object the thread uses is
// destroyed. Exits 0 when every cycle ran.
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "plugin/exports.h"

using namespace korvan;

namespace {

template <typename Function>
Function exported(void* library, const char* name) {
    return reinterpret_cast<Function>(dlsym(library, name));
}

bool runCycle(const std::string& path, int cycle) {
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        std::fprintf(stderr, "cycle %d: cannot load %s: %s\n", cycle, path.c_str(), dlerror());
        return false;
    }
    const auto reset = exported<decltype(&::ResetStats0)>(library, "ResetStats0");
    const auto add = exported<decltype(&::AddData0)>(library, "AddData0");
    const auto result = exported<decltype(&::GetResult0)>(library, "GetResult0");
    if (!reset || !add || !result) {
        std::fprintf(stderr, "cycle %d: the plug-in lacks an export\n", cycle);
        dlclose(library);
        return false;
    }
    COleDateTime start = COleDateTime::fromParts(2026, 3, 21, 12, 0);
    const char* e = "";
    reset("./", 0, "UN0KVN", &start, &start, e, e, e, e, e, e, e, e, e, "UN", 0, 0, 0, 0.0, 0.0, e, "AS", e);
    for (int i = 0; i < 50; ++i) {
        COleDateTime time = COleDateTime::fromParts(2026, 3, 21, 12 + i / 60, i % 60);
        const std::string call = "UN7A" + std::string(1, static_cast<char>('A' + i % 26)) + std::to_string(i);
        const std::string serial = std::to_string(100 + i);
        add("UN0KVN", call.c_str(), &time, nullptr, nullptr, nullptr, 0, 14025000, "CW", "599", "599", "001",
            serial.c_str(), e, e, e, e, e, e, e, e, e, "UN", 0, 0, 0, 0.0, 0.0, e, "AS", e, "20m", e);
    }
    int status = 0;
    const char* statistics = result(&status);
    const bool answered = statistics && *statistics;
    dlclose(library);
    if (!answered) std::fprintf(stderr, "cycle %d: no statistics\n", cycle);
    return answered;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: load-cycles PLUGIN_PATH [CYCLES]\n");
        return 2;
    }
    const int cycles = argc > 2 ? std::atoi(argv[2]) : 20;
    for (int cycle = 1; cycle <= cycles; ++cycle)
        if (!runCycle(argv[1], cycle)) return 1;
    std::printf("%d load cycles\n", cycles);
    return 0;
}
