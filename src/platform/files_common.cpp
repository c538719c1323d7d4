// File code shared by every platform: line reading, text writing and the
// whole-file replacement, on top of the few primitives of each platform.
#include <atomic>
#include <chrono>
#include <cstring>

#include "platform/file_access_internal.h"
#include "platform/files.h"

namespace platform {
namespace detail {
namespace {
std::atomic<WriteFailurePredicate> writeFailure{nullptr};
}

bool writeFailureInjected(const std::string& nativePath) {
    WriteFailurePredicate predicate = writeFailure.load();
    return predicate && predicate(nativePath);
}

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalsNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    return true;
}

bool wildcardMatch(const char* pattern, const char* name) {
    // Iterative matcher with one backtrack point for the last "*".
    const char* starPattern = nullptr;
    const char* starName = nullptr;
    while (*name) {
        if (*pattern == '*') {
            starPattern = ++pattern;
            starName = name;
        } else if (*pattern == '?' || (*pattern && lowerAscii(*pattern) == lowerAscii(*name))) {
            ++pattern;
            ++name;
        } else if (starPattern) {
            pattern = starPattern;
            name = ++starName;
        } else {
            return false;
        }
    }
    while (*pattern == '*') ++pattern;
    return *pattern == '\0';
}

}  // namespace detail

void setWriteFailureForTesting(WriteFailurePredicate predicate) { detail::writeFailure.store(predicate); }

LineReader::LineReader(const std::string& path) : file_(detail::openForReading(nativePath(path))) {}

LineReader::~LineReader() {
    if (file_) std::fclose(file_);
}

bool LineReader::next(std::string& line) {
    line.clear();
    if (!file_) return false;
    // fgets takes the stream's lock once per block instead of once per
    // character. It reports no length, and a line may hold 0 bytes, so the
    // block is filled with '\n' first: fgets stops after a '\n' it reads,
    // so the first '\n' in the block is either the one it read (a 0 byte,
    // its terminator, follows) or the filling just after its terminator.
    constexpr int kBlock = 512;
    char block[kBlock];
    bool any = false;
    for (;;) {
        std::memset(block, '\n', sizeof block);
        if (!std::fgets(block, kBlock, file_)) break;
        any = true;
        const char* first = static_cast<const char*>(std::memchr(block, '\n', sizeof block));
        if (!first) {
            // The block is full: kBlock - 1 bytes without a line end.
            line.append(block, kBlock - 1);
            continue;
        }
        const std::size_t at = static_cast<std::size_t>(first - block);
        if (at + 1 < sizeof block && block[at + 1] == '\0') {
            line.append(block, at);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            return true;
        }
        // No line end: the bytes before the terminator, at at - 1, are the
        // end of the file (or of what could be read).
        line.append(block, at - 1);
        break;
    }
    // A last line without a line end still counts.
    return any;
}

bool readAllLines(const std::string& path, std::vector<std::string>& lines) {
    LineReader reader(path);
    if (!reader.isOpen()) return false;
    std::string line;
    while (reader.next(line)) lines.push_back(line);
    return true;
}

TextWriter::TextWriter(const std::string& path, WriteMode mode) : file_(detail::openForWriting(nativePath(path), mode)) {}

TextWriter::~TextWriter() { close(); }

void TextWriter::writeLine(const std::string& text) {
    write(text);
    write("\r\n");
}

void TextWriter::write(const std::string& bytes) {
    if (!file_) {
        failed_ = true;
        return;
    }
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) failed_ = true;
}

bool TextWriter::close() {
    if (!file_) return false;
    if (std::fflush(file_) != 0) failed_ = true;
    if (std::fclose(file_) != 0) failed_ = true;
    file_ = nullptr;
    return !failed_;
}

bool replaceFileContents(const std::string& path, const std::string& bytes) {
    const std::string target = nativePath(path);
    if (detail::writeFailureInjected(target)) return false;

    // A name no other writer in this process uses at the same time.
    static std::atomic<unsigned> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    const std::string temp =
        target + ".~" + std::to_string(counter.fetch_add(1)) + "-" + std::to_string(stamp % 1000000007) + ".tmp";

    std::FILE* file = detail::openForWriting(temp, WriteMode::truncate);
    if (!file) return false;
    bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (std::fflush(file) != 0) ok = false;
    if (std::fclose(file) != 0) ok = false;
    if (ok && detail::renameReplacing(temp, target)) return true;
    removeFile(temp);
    return false;
}

}  // namespace platform
