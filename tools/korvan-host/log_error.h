// Errors and warnings about input files, always naming the file and line.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>

namespace korvan::host {

// "name:line: message", or "name: message" when line is 0.
std::string locate(const std::string& file, std::size_t line, const std::string& message);

// A file that cannot be read, or a record or line that cannot be understood.
class InputError : public std::runtime_error {
public:
    InputError(const std::string& file, std::size_t line, const std::string& message)
        : std::runtime_error(locate(file, line, message)), line_(line), message_(message) {}
    std::size_t line() const { return line_; }
    const std::string& message() const { return message_; }  // without file and line

private:
    std::size_t line_;
    std::string message_;
};

}  // namespace korvan::host
