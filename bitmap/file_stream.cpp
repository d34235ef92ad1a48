// SPDX-License-Identifier: MIT
#include "file_stream.h"

#ifdef _WIN32
#include "utf16.h"

#include <string>
#include <wchar.h>

namespace {

// The UTF-16 form that Windows' file functions take.
std::wstring wide(const char* utf8)
{
    static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide characters are UTF-16");
    const std::u16string units = utf8ToUtf16(utf8);
    return std::wstring(units.begin(), units.end());
}

} // namespace
#endif

std::FILE* openFile(const char* path, const char* mode)
{
#ifdef _WIN32
    return _wfopen(wide(path).c_str(), wide(mode).c_str());
#else
    return std::fopen(path, mode);
#endif
}

int removeFile(const char* path)
{
#ifdef _WIN32
    return _wremove(wide(path).c_str());
#else
    return std::remove(path);
#endif
}
