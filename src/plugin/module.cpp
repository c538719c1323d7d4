// The plug-in module: everything it exports lives in stats_core, linked in
// whole (see CMakeLists.txt).
