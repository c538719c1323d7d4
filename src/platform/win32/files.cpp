// Win32 files: paths are used as given; files are opened without sharing
// restrictions so that the operator can read them while the host runs.
#include <windows.h>
#include <io.h>
#include <share.h>

#include <algorithm>
#include <cstdio>

#include "platform/file_access_internal.h"
#include "platform/files.h"

namespace korvan::platform {

std::string nativePath(const std::string& path) { return path; }

std::vector<std::string> listDirectory(const std::string& pattern) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA(pattern.c_str(), &data);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        const std::string name = data.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(search, &data));
    FindClose(search);
    return names;
}

bool fileExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool removeFile(const std::string& path) { return DeleteFileA(path.c_str()) != 0; }

FileStamp fileStamp(const std::string& path) {
    // A handle without access rights reads the file's information and lets
    // every other process read, write, rename and delete it meanwhile.
    FileStamp stamp;
    HANDLE file = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return stamp;
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileInformationByHandle(file, &info) && !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        stamp.exists = true;
        stamp.size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
        stamp.modified = static_cast<std::int64_t>((static_cast<std::uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
                                                   info.ftLastWriteTime.dwLowDateTime);
        stamp.volume = info.dwVolumeSerialNumber;
        stamp.fileId = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    }
    CloseHandle(file);
    return stamp;
}

namespace detail {

std::FILE* openForReading(const std::string& nativePath) { return _fsopen(nativePath.c_str(), "rb", _SH_DENYNO); }

std::FILE* openForWriting(const std::string& nativePath, WriteMode mode) {
    if (writeFailureInjected(nativePath)) return nullptr;
    return _fsopen(nativePath.c_str(), mode == WriteMode::append ? "ab" : "wb", _SH_DENYNO);
}

std::FILE* openForUpdate(const std::string& nativePath) {
    if (writeFailureInjected(nativePath)) return nullptr;
    return _fsopen(nativePath.c_str(), "r+b", _SH_DENYNO);
}

bool truncateTo(std::FILE* file, long long length) { return _chsize_s(_fileno(file), length) == 0; }

std::string followLinks(const std::string& nativePath) { return nativePath; }

TargetAccess targetAccess(const std::string& nativePath) {
    const DWORD attributes = GetFileAttributesA(nativePath.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return GetLastError() == ERROR_FILE_NOT_FOUND ? TargetAccess::missing : TargetAccess::notWritable;
    return attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY) ? TargetAccess::notWritable
                                                                            : TargetAccess::writable;
}

// A replaced file takes the attributes of the file renamed over it; the
// read-only one never gets that far (see targetAccess).
void takePermissionsOf(const std::string&, std::FILE*) {}

bool renameReplacing(const std::string& nativeFrom, const std::string& nativeTo) {
    return MoveFileExA(nativeFrom.c_str(), nativeTo.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

}  // namespace detail
}  // namespace korvan::platform
