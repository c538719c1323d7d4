// POSIX files: a backslash in the library's Windows-style relative paths is
// a folder separator.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>

#include "platform/file_access_internal.h"
#include "platform/files.h"

namespace korvan::platform {

std::string nativePath(const std::string& path) {
    std::string native = path;
    std::replace(native.begin(), native.end(), '\\', '/');
    return native;
}

std::vector<std::string> listDirectory(const std::string& pattern) {
    std::vector<std::string> names;
    const std::string native = nativePath(pattern);
    const std::size_t slash = native.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".") : native.substr(0, slash + 1);
    const std::string namePattern = slash == std::string::npos ? native : native.substr(slash + 1);
    if (namePattern.empty()) return names;

    DIR* dir = opendir(folder.c_str());
    if (!dir) return names;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        if (detail::wildcardMatch(namePattern.c_str(), name.c_str())) names.push_back(name);
    }
    closedir(dir);
    // readdir has no useful order; Windows lists NTFS folders sorted by name.
    std::sort(names.begin(), names.end());
    return names;
}

bool fileExists(const std::string& path) {
    struct stat info {};
    return ::stat(nativePath(path).c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool removeFile(const std::string& path) { return ::unlink(nativePath(path).c_str()) == 0; }

FileStamp fileStamp(const std::string& path) {
    struct stat info {};
    FileStamp stamp;
    if (::stat(nativePath(path).c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return stamp;
    stamp.exists = true;
    stamp.size = static_cast<std::uint64_t>(info.st_size);
    stamp.modified = static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    stamp.volume = static_cast<std::uint64_t>(info.st_dev);
    stamp.fileId = static_cast<std::uint64_t>(info.st_ino);
    return stamp;
}

namespace detail {

std::FILE* openForReading(const std::string& nativePath) {
    std::FILE* file = std::fopen(nativePath.c_str(), "rb");
    struct stat info {};
    if (file && (::fstat(::fileno(file), &info) != 0 || S_ISDIR(info.st_mode))) {
        std::fclose(file);
        return nullptr;
    }
    return file;
}

std::FILE* openForWriting(const std::string& nativePath, WriteMode mode) {
    if (writeFailureInjected(nativePath)) return nullptr;
    return std::fopen(nativePath.c_str(), mode == WriteMode::append ? "ab" : "wb");
}

std::FILE* openForUpdate(const std::string& nativePath) {
    if (writeFailureInjected(nativePath)) return nullptr;
    return std::fopen(nativePath.c_str(), "r+b");
}

bool truncateTo(std::FILE* file, long long length) {
    return ::ftruncate(::fileno(file), static_cast<off_t>(length)) == 0;
}

std::string followLinks(const std::string& nativePath) {
    std::string path = nativePath;
    // As many links as the system itself follows before it gives up.
    for (int hop = 0; hop < 40; ++hop) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
        char target[PATH_MAX];
        const ssize_t length = ::readlink(path.c_str(), target, sizeof target);
        if (length <= 0 || static_cast<std::size_t>(length) >= sizeof target) return path;
        std::string next(target, static_cast<std::size_t>(length));
        const std::size_t slash = path.rfind('/');
        if (next.front() != '/' && slash != std::string::npos) next = path.substr(0, slash + 1) + next;
        path = next;
    }
    return path;
}

TargetAccess targetAccess(const std::string& nativePath) {
    struct stat info {};
    if (::stat(nativePath.c_str(), &info) != 0) return errno == ENOENT ? TargetAccess::missing : TargetAccess::notWritable;
    return ::faccessat(AT_FDCWD, nativePath.c_str(), W_OK, AT_EACCESS) == 0 ? TargetAccess::writable
                                                                             : TargetAccess::notWritable;
}

void takePermissionsOf(const std::string& nativeTarget, std::FILE* replacement) {
    struct stat info {};
    if (::stat(nativeTarget.c_str(), &info) != 0) return;
    const int descriptor = ::fileno(replacement);
    // The owner first: a change of owner clears set-id bits. Only a
    // privileged process may give the file away; others keep their own.
    if (::fchown(descriptor, info.st_uid, info.st_gid) != 0) {
        // Not privileged: the file stays this process's own.
    }
    ::fchmod(descriptor, info.st_mode & 07777);
}

bool renameReplacing(const std::string& nativeFrom, const std::string& nativeTo) {
    return std::rename(nativeFrom.c_str(), nativeTo.c_str()) == 0;
}

}  // namespace detail
}  // namespace korvan::platform
