#pragma once
// Files as the plug-in uses them. Paths are relative to the host process's
// current folder and written with backslashes, as on Windows; the POSIX
// implementation treats a backslash as a folder separator.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace korvan::platform {

// The path as this platform's file functions want it.
std::string nativePath(const std::string& path);

// File names (without folder) of the directory entries that match a
// pattern such as "C:\Vexa\*.ini" or "./*.ini", in listing order. Only "*"
// and "?" wildcards in the last path component are supported.
std::vector<std::string> listDirectory(const std::string& pattern);

// Reads a text file line by line; CR LF and LF both end a line and the
// line end is removed.
class LineReader {
public:
    explicit LineReader(const std::string& path);
    ~LineReader();
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    bool isOpen() const { return file_ != nullptr; }
    bool next(std::string& line);

private:
    std::FILE* file_ = nullptr;
};

// Convenience: every line of a file; false when it cannot be opened.
bool readAllLines(const std::string& path, std::vector<std::string>& lines);

// Whether bytes appended to the file start a line of their own: it is empty
// or its last byte is a line feed. false when it cannot be read.
bool endsWithLineEnd(const std::string& path);

enum class WriteMode { truncate, append };

// Writes a text file as raw bytes (callers put "\r\n" themselves), with no
// sharing restriction towards other processes.
class TextWriter {
public:
    TextWriter(const std::string& path, WriteMode mode);
    ~TextWriter();
    TextWriter(const TextWriter&) = delete;
    TextWriter& operator=(const TextWriter&) = delete;

    bool isOpen() const { return file_ != nullptr; }
    // Writes the text followed by CR LF.
    void writeLine(const std::string& text);
    void write(const std::string& bytes);
    // Flushes and closes; false when any write failed or the file never opened.
    bool close();

private:
    std::FILE* file_ = nullptr;
    bool failed_ = false;
};

// Writes bytes to the file in one write, truncating it first or adding at
// its end (created when missing), with no sharing restriction. A write that
// stops short (a full disk) is undone by cutting the file back to its old
// length, so the file never holds part of the bytes. false on any failure.
bool writeWhole(const std::string& path, const std::string& bytes, WriteMode mode);

// Makes the file hold exactly these bytes, whole or not at all. The bytes
// go to a temporary file beside the target first, so a full disk shows
// before the old file is touched, and the temporary file is renamed over the
// target. When the rename is refused (on Windows, a viewer holding the file
// open without delete sharing), the bytes are written into the old file in
// place; if that fails, the old contents are written back.
bool replaceFileContents(const std::string& path, const std::string& bytes);

bool fileExists(const std::string& path);
bool removeFile(const std::string& path);

// What tells one state of a file from another without reading it: its
// size, last modification time and identity (the file system's number of
// the file, so a file renamed over it is another file). Equal stamps of an
// existing file mean the file was not written in between, to the precision
// of the file system's modification time.
struct FileStamp {
    bool exists = false;
    std::uint64_t size = 0;
    std::int64_t modified = 0;  // in the platform's own unit
    std::uint64_t volume = 0;
    std::uint64_t fileId = 0;
    bool operator==(const FileStamp&) const = default;
};
// The stamp of a regular file; exists is false when there is none.
FileStamp fileStamp(const std::string& path);

// Test hook: when set, opening a file for writing whose native path makes
// the predicate true fails as if the file were locked or read-only.
using WriteFailurePredicate = bool (*)(const std::string& nativePath);
void setWriteFailureForTesting(WriteFailurePredicate predicate);

// Test hook: every write of file contents goes through this function, which
// returns how many bytes it wrote (fewer than size: the disk is full). Null
// restores the plain write.
using WriteFunction = std::size_t (*)(std::FILE* file, const char* bytes, std::size_t size);
void setWriteFunctionForTesting(WriteFunction write);

// Test hook: a rename over a target whose native path makes the predicate
// true is refused, as Windows refuses it while another process holds the
// target open without delete sharing.
void setRenameRefusalForTesting(WriteFailurePredicate predicate);

}  // namespace korvan::platform
