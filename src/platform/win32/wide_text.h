#pragma once
// Byte text in a given code page as UTF-16 for the wide Win32 and COM calls.
#include <windows.h>

#include <algorithm>
#include <string>

namespace korvan::platform::win32 {

// Text beyond 128 MiB is cut: its length must fit the conversion's int.
inline std::wstring widen(const std::string& text, UINT codePage) {
    const int size = static_cast<int>(std::min<std::size_t>(text.size(), 0x7FFFFFF));
    const int length = size ? MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0) : 0;
    std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0) MultiByteToWideChar(codePage, 0, text.data(), size, wide.data(), length);
    return wide;
}

}  // namespace korvan::platform::win32
