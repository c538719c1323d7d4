// The settings-file functions on any file: reading never fails; a value
// written is read back as written, and a write changes no other key.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>

#include "fuzz_support.h"
#include "platform/profile.h"

using namespace korvan;

namespace {

const char kFile[] = "Plugins\\Korvan.ini";
const char* const kSections[] = {"Settings", "settings", "Other", "A"};
const char* const kKeys[] = {"Start", "start", "Claimed", "Name", "X"};

bool equalNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// A value that the file stores and gives back unchanged: printable, no
// blanks around it, not in quotes.
bool keepsItsBytes(const std::string& value) {
    for (const char c : value)
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7e) return false;
    if (!value.empty() && (value.front() == ' ' || value.back() == ' ')) return false;
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::enterScratchFolder("profile");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Bytes bytes(data, size);
    const std::string section = kSections[bytes.pick(4)];
    const std::string key = kKeys[bytes.pick(5)];
    const std::string otherSection = kSections[bytes.pick(4)];
    const std::string otherKey = kKeys[bytes.pick(5)];
    const std::string value = bytes.text(40);
    const std::size_t used = bytes.position();
    {
        // The rest of the input is the file.
        std::ofstream out("Plugins/Korvan.ini", std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data) + used, static_cast<std::streamsize>(size - used));
    }
    const std::string otherBefore = platform::readProfileString(kFile, otherSection, otherKey, "<absent>");
    platform::readProfileString(kFile, section, key, "<absent>");
    if (!platform::writeProfileString(kFile, section, key, value)) fuzz::fail("the write failed");
    const std::string read = platform::readProfileString(kFile, section, key, "<absent>");
    if (keepsItsBytes(value) && read != value) fuzz::fail("wrote [" + value + "], read [" + read + "]");
    const bool sameKey = equalNoCase(section, otherSection) && equalNoCase(key, otherKey);
    if (!sameKey && keepsItsBytes(value)) {
        const std::string otherAfter = platform::readProfileString(kFile, otherSection, otherKey, "<absent>");
        if (otherAfter != otherBefore)
            fuzz::fail(otherSection + "/" + otherKey + " was [" + otherBefore + "], is [" + otherAfter + "]");
    }
    return 0;
}
