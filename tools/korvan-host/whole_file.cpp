#include "whole_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>

#include "log_error.h"

namespace korvan::host {

std::string absolutePath(const std::string& path) {
    return path.empty() ? path : std::filesystem::absolute(std::filesystem::path(path)).string();
}

namespace {

[[noreturn]] void tooLarge(const std::string& name, const char* kind) {
    throw InputError(name, 0, std::string(kind) + " too large: more than " + std::to_string(kMaxFileBytes >> 20) +
                                  " MiB");
}

}  // namespace

std::string readWholeFile(const std::string& path, const char* kind) {
    char buffer[65536];
    std::string content;
    if (path == kStandardInputName) {
        while (std::cin.read(buffer, sizeof buffer) || std::cin.gcount() > 0) {
            content.append(buffer, static_cast<std::size_t>(std::cin.gcount()));
            if (content.size() > kMaxFileBytes) tooLarge("standard input", kind);
        }
        if (std::cin.bad()) throw InputError("standard input", 0, "could not be read to the end");
        return content;
    }
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) throw InputError(path, 0, "is a folder, expected a file");
    errno = 0;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) throw InputError(path, 0, std::string("cannot be opened for reading: ") + std::strerror(errno));
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, file.get())) {
        content.append(buffer, n);
        if (content.size() > kMaxFileBytes) tooLarge(path, kind);
    }
    if (std::ferror(file.get()))
        throw InputError(path, 0, std::string("could not be read to the end: ") + std::strerror(errno));
    return content;
}

}  // namespace korvan::host
