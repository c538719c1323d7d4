// Profile strings through the Windows functions themselves.
#include <windows.h>

#include <vector>

#include "platform/file_access_internal.h"
#include "platform/files.h"
#include "platform/profile.h"

namespace korvan::platform {
namespace {

// Without a folder the Windows functions would look in the Windows folder;
// the library's files are relative to the current folder.
std::string profilePath(const std::string& file) {
    if (file.find_first_of("\\/:") == std::string::npos) return ".\\" + file;
    return file;
}

}  // namespace

std::string readProfileString(const std::string& file, const std::string& section, const std::string& key,
                              const std::string& fallback) {
    const std::string path = profilePath(file);
    // The function cuts a value to the buffer; grow it until the value fits.
    std::vector<char> buffer(256);
    for (;;) {
        const DWORD length = GetPrivateProfileStringA(section.c_str(), key.c_str(), fallback.c_str(), buffer.data(),
                                                      static_cast<DWORD>(buffer.size()), path.c_str());
        if (length + 1 < buffer.size() || buffer.size() >= (1u << 26)) return std::string(buffer.data(), length);
        buffer.resize(buffer.size() * 4);
    }
}

bool writeProfileString(const std::string& file, const std::string& section, const std::string& key,
                        const std::string& value) {
    const std::string path = profilePath(file);
    if (detail::writeFailureInjected(path)) return false;
    // A read-only file stays as it is, also for a process the file system
    // would let write it (wine run by root).
    if (detail::targetAccess(path) == detail::TargetAccess::notWritable) return false;
    // The Windows function writes line breaks in a value as they are.
    return WritePrivateProfileStringA(detail::blankControlCharacters(section).c_str(),
                                      detail::blankControlCharacters(key).c_str(),
                                      detail::blankControlCharacters(value).c_str(), path.c_str()) != 0;
}

}  // namespace korvan::platform
