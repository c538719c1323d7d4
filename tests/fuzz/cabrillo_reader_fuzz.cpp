// The Cabrillo reader of korvan-host on any bytes: a log or an InputError,
// never a crash, another exception, or a sanitizer report.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "cabrillo_reader.h"
#include "log_error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        korvan::host::readCabrillo(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.cbr");
    } catch (const korvan::host::InputError&) {
    }
    return 0;
}
