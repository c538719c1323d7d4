// Reading a file whole: the logs, the country file, scripts and headers.
#pragma once

#include <string>

namespace korvan::host {

// The name korvan-host reads standard input by, as a path.
inline constexpr const char* kStandardInputName = "-";

// The whole file as bytes; throws InputError with the system's reason when
// it cannot be read. "-" reads standard input.
std::string readWholeFile(const std::string& path);

// The path made absolute against the current folder; "" stays "".
std::string absolutePath(const std::string& path);

}  // namespace korvan::host
