// Reading a file whole: the logs, the country file, scripts and headers.
#pragma once

#include <string>

namespace korvan::host {

// The name korvan-host reads standard input by, as a path.
inline constexpr const char* kStandardInputName = "-";

// The most bytes a file may have: a log of 100,000 QSOs is far smaller.
inline constexpr std::size_t kMaxFileBytes = 64u << 20;

// The whole file as bytes; throws InputError with the system's reason when
// it cannot be read, and "KIND too large" when it holds more than
// kMaxFileBytes (standard input and /dev/zero end too). "-" reads standard
// input.
std::string readWholeFile(const std::string& path, const char* kind = "file");

// The path made absolute against the current folder; "" stays "".
std::string absolutePath(const std::string& path);

}  // namespace korvan::host
