// The country file reader of korvan-host on any bytes, and the lookup of a
// few calls (also ones taken from the input) in what it read: an
// InputError or answers, never a crash or a sanitizer report.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "country_file.h"
#include "log_error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        const korvan::host::CountryFile countries = korvan::host::CountryFile::parse(text, "cty.dat");
        for (std::string_view call : {"DL1ABC", "UN7AB/P", "VP2E/DL1ABC", "DL1ABC/3", "", "/", "A/B/C"})
            countries.resolve(call);
        // Calls cut from the input itself, so that its own prefixes and
        // exact calls are met.
        for (std::size_t at = 0; at < text.size() && at < 4096; at += 7)
            countries.resolve(text.substr(at, 1 + text[at] % 12));
    } catch (const korvan::host::InputError&) {
    }
    return 0;
}
