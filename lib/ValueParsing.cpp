#include "lib/ValueParsing.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cwchar>

#include "lib/SystemError.h"
#include "lib/TextConversion.h"

namespace Kestlib {

bool ParseBool(const std::wstring& text, bool defaultValue) {
    if (text.empty()) return defaultValue;
    if (::_wcsicmp(text.c_str(), L"true") == 0) return true;
    if (::_wcsicmp(text.c_str(), L"false") == 0) return false;
    ThrowError(L"Invalid boolean value: " + text);
}

bool ParseBool(const char* text, bool defaultValue) {
    if (text == nullptr || *text == '\0') return defaultValue;
    if (::_stricmp(text, "true") == 0) return true;
    if (::_stricmp(text, "false") == 0) return false;
    ThrowError(L"Invalid boolean value: " + AnsiToWide(text));
}

// The library's long is 32 bits wide on Windows, so LONG_MAX/LONG_MIN with
// ERANGE is exactly the 32-bit overflow.
int ParseInt(const std::wstring& text) {
    if (text.empty()) ThrowError(L"Missing number");
    wchar_t* end = nullptr;
    errno = 0;
    long value = std::wcstol(text.c_str(), &end, 10);
    if ((value == LONG_MAX || value == LONG_MIN) && errno == ERANGE)
        ThrowError(L"Invalid number: " + text);
    if (end != text.c_str() + text.size() || end == text.c_str()) ThrowError(L"Invalid number: " + text);
    return static_cast<int>(value);
}

int ParseInt(const std::string& text, int base) {
    if (text.empty()) ThrowError(L"Missing number");
    char* end = nullptr;
    errno = 0;
    long value = std::strtol(text.c_str(), &end, base);
    if ((value == LONG_MAX || value == LONG_MIN) && errno == ERANGE)
        ThrowError(L"Invalid number: " + AnsiToWide(text));
    if (end != text.c_str() + text.size() || end == text.c_str())
        ThrowError(L"Invalid number: " + AnsiToWide(text));
    return static_cast<int>(value);
}

}  // namespace Kestlib
