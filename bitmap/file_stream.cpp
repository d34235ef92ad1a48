#include "file_stream.h"

#ifdef _WIN32
#include "utf16.h"

#include <string>
#include <wchar.h>
#endif

std::FILE* openFile(const char* path, const char* mode)
{
#ifdef _WIN32
    static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows names are UTF-16");
    const std::u16string widePath = utf8ToUtf16(path);
    const std::u16string wideMode = utf8ToUtf16(mode);
    return _wfopen(reinterpret_cast<const wchar_t*>(widePath.c_str()),
                   reinterpret_cast<const wchar_t*>(wideMode.c_str()));
#else
    return std::fopen(path, mode);
#endif
}
