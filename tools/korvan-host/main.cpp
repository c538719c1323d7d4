// korvan-host: replays a contest log through the Korvan statistics plug-in
// as the host logging program does, and prints the statistics.
#include <iostream>
#include <string>
#include <vector>

#include "host_commands.h"
#include "live_command.h"
#include "plugin_loader.h"

#ifndef KORVAN_DEFAULT_PLUGIN
#define KORVAN_DEFAULT_PLUGIN "libStats.so"
#endif
#ifndef KORVAN_BUILT_PLUGIN
#define KORVAN_BUILT_PLUGIN ""
#endif
#ifndef KORVAN_DEFAULT_CTY
#define KORVAN_DEFAULT_CTY ""
#endif

int main(int argc, char** argv) {
    korvan::host::useBinaryStandardOutput();
    std::vector<std::string> args(argv + 1, argv + argc);
    korvan::host::Defaults defaults{KORVAN_DEFAULT_PLUGIN, KORVAN_BUILT_PLUGIN, KORVAN_DEFAULT_CTY};
    int code = !args.empty() && args[0] == "live"
                   ? korvan::host::runLiveCommand(args, defaults, std::cout, std::cerr)
                   : korvan::host::runHostCommand(args, defaults, std::cout, std::cerr);
    std::cout.flush();
    return code;
}
