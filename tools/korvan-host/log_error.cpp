#include "log_error.h"

namespace korvan::host {

std::string locate(const std::string& file, std::size_t line, const std::string& message) {
    if (line == 0) return file + ": " + message;
    return file + ":" + std::to_string(line) + ": " + message;
}

}  // namespace korvan::host
