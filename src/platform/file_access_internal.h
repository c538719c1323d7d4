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

// True when the test hook says writing this file must fail.
bool writeFailureInjected(const std::string& nativePath);

// ASCII case-insensitive helpers shared by the platform code.
char lowerAscii(char c);
bool equalsNoCase(const std::string& a, const std::string& b);
// "*" and "?" wildcards, ignoring case (as the Windows directory functions do).
bool wildcardMatch(const char* pattern, const char* name);

}  // namespace korvan::platform::detail
