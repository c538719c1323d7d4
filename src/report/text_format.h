#pragma once
// printf-style formatting appended to a growing std::string: the output is
// sized first, so no text (a long band name or callsign) can overflow.
#include <string>

namespace korvan::report {

#if defined(__GNUC__)
__attribute__((format(printf, 2, 3)))
#endif
void appendFormat(std::string& out, const char* format, ...);

}  // namespace korvan::report
