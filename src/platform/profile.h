#pragma once
// Private profile (INI) strings with the Windows semantics: section and key
// names match ignoring case, blanks around keys and values are trimmed, a
// value in matching quotes is unquoted, the file and section are created on
// first write, other lines are preserved, lines end in CR LF. Values of any
// length are read whole.
#include <string>

namespace korvan::platform {

// The stored value, or fallback when the key is absent (a key present with
// an empty value gives "").
std::string readProfileString(const std::string& file, const std::string& section,
                              const std::string& key, const std::string& fallback);

// false when the file could not be written. A control character in the
// section, key or value is written as a blank: no value breaks its line, so
// none can add keys or sections of its own.
bool writeProfileString(const std::string& file, const std::string& section,
                        const std::string& key, const std::string& value);

}  // namespace korvan::platform
