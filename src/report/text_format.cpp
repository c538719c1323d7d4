#include "report/text_format.h"

#include <cstdarg>
#include <cstdio>

namespace korvan::report {

void appendFormat(std::string& out, const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list sizing;
    va_copy(sizing, args);
    const int length = std::vsnprintf(nullptr, 0, format, sizing);
    va_end(sizing);
    if (length > 0) {
        const std::size_t start = out.size();
        // vsnprintf writes a terminating zero after the text: size for it,
        // then drop it again.
        out.resize(start + static_cast<std::size_t>(length) + 1);
        std::vsnprintf(&out[start], static_cast<std::size_t>(length) + 1, format, args);
        out.resize(start + static_cast<std::size_t>(length));
    }
    va_end(args);
}

}  // namespace korvan::report
