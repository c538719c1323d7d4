// File code shared by every platform: line reading, text writing and the
// whole-file replacement, on top of the few primitives of each platform.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "platform/file_access_internal.h"
#include "platform/files.h"

namespace korvan::platform {
namespace detail {
namespace {
std::atomic<WriteFailurePredicate> writeFailure{nullptr};
std::atomic<WriteFunction> writeFunction{nullptr};
std::atomic<WriteFailurePredicate> renameRefusal{nullptr};

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using OpenFile = std::unique_ptr<std::FILE, FileCloser>;

// Writes through the test hook when one is set; the count written.
std::size_t writeBytes(std::FILE* file, const char* bytes, std::size_t size) {
    if (size == 0) return 0;
    const WriteFunction hook = writeFunction.load();
    return hook ? hook(file, bytes, size) : std::fwrite(bytes, 1, size, file);
}

bool writeAll(std::FILE* file, const std::string& bytes) {
    return writeBytes(file, bytes.data(), bytes.size()) == bytes.size();
}

// Unbuffered: every write reaches the system at once, so a short write is
// seen where it happens and no buffered rest is written later by the close,
// after the file was cut back.
void unbuffered(std::FILE* file) { std::setvbuf(file, nullptr, _IONBF, 0); }

bool renameRefused(const std::string& nativeTarget) {
    const WriteFailurePredicate predicate = renameRefusal.load();
    return predicate && predicate(nativeTarget);
}

// The whole contents of an open file from its start; false on a read error.
bool readFrom(std::FILE* file, std::string& contents) {
    contents.clear();
    if (std::fseek(file, 0, SEEK_SET) != 0) return false;
    char block[4096];
    for (std::size_t got; (got = std::fread(block, 1, sizeof block, file)) > 0;) contents.append(block, got);
    return std::ferror(file) == 0;
}

// Writes bytes over the start of an open file and cuts it after them.
bool overwrite(std::FILE* file, const std::string& bytes) {
    return std::fseek(file, 0, SEEK_SET) == 0 && writeAll(file, bytes) && std::fflush(file) == 0 &&
           truncateTo(file, static_cast<long long>(bytes.size()));
}

// The in-place replacement for a target that cannot be renamed over. The
// old contents are read first and written back when the new ones do not go
// in whole.
bool replaceInPlace(const std::string& nativeTarget, const std::string& bytes) {
    OpenFile file(openForUpdate(nativeTarget));
    if (!file) return false;
    unbuffered(file.get());
    std::string old;
    if (!readFrom(file.get(), old)) return false;
    if (overwrite(file.get(), bytes)) return std::fclose(file.release()) == 0;
    overwrite(file.get(), old);
    return false;
}

}  // namespace

bool writeFailureInjected(const std::string& nativePath) {
    WriteFailurePredicate predicate = writeFailure.load();
    return predicate && predicate(nativePath);
}

std::string blankControlCharacters(std::string text) {
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20) c = ' ';
    return text;
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
void setWriteFunctionForTesting(WriteFunction write) { detail::writeFunction.store(write); }
void setRenameRefusalForTesting(WriteFailurePredicate predicate) { detail::renameRefusal.store(predicate); }

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

bool endsWithLineEnd(const std::string& path) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(detail::openForReading(nativePath(path)), std::fclose);
    if (!file) return false;
    if (std::fseek(file.get(), 0, SEEK_END) != 0) return false;
    if (std::ftell(file.get()) <= 0) return true;  // empty: the next line starts a line
    return std::fseek(file.get(), -1, SEEK_END) == 0 && std::fgetc(file.get()) == '\n';
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
    if (!detail::writeAll(file_, bytes)) failed_ = true;
}

bool TextWriter::close() {
    if (!file_) return false;
    if (std::fflush(file_) != 0) failed_ = true;
    if (std::fclose(file_) != 0) failed_ = true;
    file_ = nullptr;
    return !failed_;
}

bool writeWhole(const std::string& path, const std::string& bytes, WriteMode mode) {
    detail::OpenFile file(detail::openForWriting(nativePath(path), mode));
    if (!file) return false;
    detail::unbuffered(file.get());
    long long oldLength = 0;
    if (mode == WriteMode::append) {
        if (std::fseek(file.get(), 0, SEEK_END) != 0) return false;
        oldLength = std::ftell(file.get());
        if (oldLength < 0) return false;
    }
    if (detail::writeAll(file.get(), bytes) && std::fflush(file.get()) == 0)
        return std::fclose(file.release()) == 0;
    detail::truncateTo(file.get(), oldLength);
    return false;
}

bool replaceFileContents(const std::string& path, const std::string& bytes) {
    if (detail::writeFailureInjected(nativePath(path))) return false;
    // Through a link to the file it names; a file this process may not
    // write is not replaced, although the folder would allow the rename.
    const std::string target = detail::followLinks(nativePath(path));
    if (detail::targetAccess(target) == detail::TargetAccess::notWritable) return false;

    // A name no other writer in this process uses at the same time.
    static std::atomic<unsigned> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    const std::string temp =
        target + ".~" + std::to_string(counter.fetch_add(1)) + "-" + std::to_string(stamp % 1000000007) + ".tmp";

    // Removed on every way out but a successful rename (also when an
    // exception leaves), without allocating.
    struct TemporaryFile {
        const std::string& name;
        bool renamed = false;
        ~TemporaryFile() {
            if (!renamed) std::remove(name.c_str());
        }
    } temporary{temp};

    {
        detail::OpenFile file(detail::openForWriting(temp, WriteMode::truncate));
        if (!file) return false;
        // Before the first byte: a file only its owner may read never has
        // its contents readable by others, not even in the temporary file.
        detail::takePermissionsOf(target, file.get());
        bool written = detail::writeAll(file.get(), bytes) && std::fflush(file.get()) == 0;
        if (std::fclose(file.release()) != 0) written = false;
        if (!written) return false;
    }
    if (!detail::renameRefused(target) && detail::renameReplacing(temp, target)) {
        temporary.renamed = true;
        return true;
    }
    // The temporary file showed that the contents fit on the disk; the old
    // file takes them in place when it cannot be replaced.
    return detail::replaceInPlace(target, bytes);
}

}  // namespace korvan::platform
