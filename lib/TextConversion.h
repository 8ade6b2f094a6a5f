#pragma once

#include <string>

namespace Kestlib {

// A null input is no error: it converts to an empty string.
std::wstring Utf8ToWide(const char* text);
std::wstring Utf8ToWide(const std::string& text);
std::wstring AnsiToWide(const char* text);
std::wstring AnsiToWide(const std::string& text);
std::string WideToAnsi(const wchar_t* text);
std::string WideToAnsi(const std::wstring& text);
// UTF-8 is the encoding of file names handed to the cabinet decoder.
std::string WideToUtf8(const std::wstring& text);

}  // namespace Kestlib
