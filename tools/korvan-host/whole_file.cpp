#include "whole_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <iterator>
#include <memory>

#include "log_error.h"

namespace korvan::host {

std::string absolutePath(const std::string& path) {
    return path.empty() ? path : std::filesystem::absolute(std::filesystem::path(path)).string();
}

std::string readWholeFile(const std::string& path) {
    if (path == kStandardInputName) {
        std::string content(std::istreambuf_iterator<char>(std::cin), {});
        if (std::cin.bad()) throw InputError("standard input", 0, "could not be read to the end");
        return content;
    }
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) throw InputError(path, 0, "is a folder, expected a file");
    errno = 0;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) throw InputError(path, 0, std::string("cannot be opened for reading: ") + std::strerror(errno));
    std::string content;
    char buffer[65536];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, file.get())) content.append(buffer, n);
    if (std::ferror(file.get()))
        throw InputError(path, 0, std::string("could not be read to the end: ") + std::strerror(errno));
    return content;
}

}  // namespace korvan::host
