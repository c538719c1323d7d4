#pragma once
// What the portable file code (files_common.cpp) needs from each platform.
// Only the platform layer includes this header.
#include <cstdio>
#include <string>

#include "platform/files.h"

namespace korvan::platform::detail {

// Binary, no sharing restriction; null on failure.
std::FILE* openForReading(const std::string& nativePath);
// Binary, created when missing; null on failure (or an injected failure).
std::FILE* openForWriting(const std::string& nativePath, WriteMode mode);
// Binary, for reading and writing an existing file in place, no sharing
// restriction; null on failure (or an injected failure).
std::FILE* openForUpdate(const std::string& nativePath);
// Renames from over to, replacing an existing file.
bool renameReplacing(const std::string& nativeFrom, const std::string& nativeTo);
// Cuts an open file (flushed, unbuffered or not yet written) to length bytes.
bool truncateTo(std::FILE* file, long long length);

// The file a write to this path reaches: on POSIX a symbolic link is
// followed (to the file it names, which need not exist yet), so a rewrite
// replaces that file and keeps the link; elsewhere the path itself.
std::string followLinks(const std::string& nativePath);

enum class TargetAccess { missing, writable, notWritable };
// Whether this process may write the file, by the rule the system applies
// to it (the effective user's permission bits on POSIX, the read-only
// attribute on Windows). A rename over a file needs only the folder's
// permission, so a rewrite asks this first.
TargetAccess targetAccess(const std::string& nativePath);

// Gives an open file that is to replace the target the target's permission
// bits (and, where allowed, its owner), before anything is written to it.
// Nothing happens when the target does not exist or on Windows.
void takePermissionsOf(const std::string& nativeTarget, std::FILE* replacement);

// True when the test hook says writing this file must fail.
bool writeFailureInjected(const std::string& nativePath);

// The text with every control character (a byte below 0x20, CR and LF
// among them) turned into a blank: a value written into a line-based file
// can then never end its line or add lines of its own.
std::string blankControlCharacters(std::string text);

// ASCII case-insensitive helpers shared by the platform code.
char lowerAscii(char c);
bool equalsNoCase(const std::string& a, const std::string& b);
// "*" and "?" wildcards, ignoring case (as the Windows directory functions do).
bool wildcardMatch(const char* pattern, const char* name);

}  // namespace korvan::platform::detail
