// The plug-in module: everything it exports lives in the plug-in layer, linked in
// whole (see CMakeLists.txt).
