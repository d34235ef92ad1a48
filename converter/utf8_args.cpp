#include "utf8_args.h"

#include "utf16.h"

#include <cwchar>

Utf8Arguments::Utf8Arguments(int argc, const wchar_t* const* wideArgv)
{
    static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide characters are UTF-16");
    for (int i = 0; i < argc; ++i) {
        const auto* wide = reinterpret_cast<const char16_t*>(wideArgv[i]);
        strings.push_back(utf16ToUtf8(std::u16string(wide, std::wcslen(wideArgv[i]))));
    }
    for (std::string& s : strings)
        pointers.push_back(s.data());
    pointers.push_back(nullptr);
}
