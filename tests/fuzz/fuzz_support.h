#pragma once
// What the fuzz targets share: a scratch folder of their own as the current
// folder (the plug-in names its files relative to it), and a reader of the
// fuzzer's bytes that yields zeros once they are used up.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace fuzz {

// Makes a fresh folder (under /dev/shm where there is one: the targets
// write files on every input) with a Plugins folder, and enters it.
inline void enterScratchFolder(const char* name) {
    const std::filesystem::path base =
        std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path();
    const std::filesystem::path folder = base / (std::string("korvan-fuzz-") + name + "-" + std::to_string(getpid()));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder / "Plugins");
    std::filesystem::current_path(folder);
    // Removed when the fuzzer ends (it exits through exit()); the folder of
    // a run that crashed is replaced by the next run with its process id.
    static std::filesystem::path made;
    made = folder;
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::current_path(made.parent_path(), ignored);
        std::filesystem::remove_all(made, ignored);
    });
}

// A finding: the message and an abort, which the fuzzer records with the input.
[[noreturn]] inline void fail(const std::string& what) {
    std::fprintf(stderr, "fuzz check failed: %s\n", what.c_str());
    std::abort();
}

class Bytes {
public:
    Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool empty() const { return at_ >= size_; }
    std::size_t position() const { return at_; }
    std::uint8_t next() { return at_ < size_ ? data_[at_++] : 0; }
    // One of count choices.
    std::size_t pick(std::size_t count) { return count ? next() % count : 0; }
    // A text of up to maxLength raw bytes (0 bytes are left out: the host's
    // texts are C strings).
    std::string text(std::size_t maxLength) {
        std::string out;
        const std::size_t length = pick(maxLength + 1);
        for (std::size_t i = 0; i < length && !empty(); ++i)
            if (const char c = static_cast<char>(next())) out += c;
        return out;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

}  // namespace fuzz
