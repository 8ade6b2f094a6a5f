#include "lib/TextConversion.h"

#include <windows.h>

#include <vector>

#include "lib/SystemError.h"

namespace Kestlib {

namespace {

std::wstring MultiByteToWide(UINT codePage, const char* text) {
    if (text == nullptr) return std::wstring();
    int length = ::MultiByteToWideChar(codePage, 0, text, -1, nullptr, 0);
    if (length == 0) ThrowLastError(L"MultiByteToWideChar");
    std::vector<wchar_t> buffer(length);
    if (::MultiByteToWideChar(codePage, 0, text, -1, buffer.data(), length) == 0)
        ThrowLastError(L"MultiByteToWideChar");
    return std::wstring(buffer.data(), length - 1);
}

std::string WideToMultiByte(UINT codePage, const wchar_t* text) {
    if (text == nullptr) return std::string();
    int length = ::WideCharToMultiByte(codePage, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (length == 0) ThrowLastError(L"WideCharToMultiByte");
    std::vector<char> buffer(length);
    if (::WideCharToMultiByte(codePage, 0, text, -1, buffer.data(), length, nullptr, nullptr) == 0)
        ThrowLastError(L"WideCharToMultiByte");
    return std::string(buffer.data(), length - 1);
}

}  // namespace

std::wstring Utf8ToWide(const char* text) { return MultiByteToWide(CP_UTF8, text); }
std::wstring Utf8ToWide(const std::string& text) { return Utf8ToWide(text.c_str()); }
std::wstring AnsiToWide(const char* text) { return MultiByteToWide(CP_ACP, text); }
std::wstring AnsiToWide(const std::string& text) { return AnsiToWide(text.c_str()); }
std::string WideToAnsi(const wchar_t* text) { return WideToMultiByte(CP_ACP, text); }
std::string WideToAnsi(const std::wstring& text) { return WideToAnsi(text.c_str()); }
std::string WideToUtf8(const std::wstring& text) { return WideToMultiByte(CP_UTF8, text.c_str()); }

}  // namespace Kestlib
