#include "lib/SystemError.h"

#include <cwchar>

#include "lib/Handles.h"
#include "lib/StringUtils.h"
#include "lib/TextConversion.h"

namespace Kestlib {

namespace {

const wchar_t kWhiteSpace[] = L" \t\n\r";

std::wstring HexCode(long code) {
    wchar_t buffer[16];
    std::swprintf(buffer, 16, L"0x%lx", static_cast<unsigned long>(code));
    return buffer;
}

// Exception texts must never fail to convert: a character with no ANSI
// equivalent becomes the code page's default character.
std::string MessageToAnsi(const std::wstring& message) {
    try {
        return WideToAnsi(message);
    } catch (const std::exception&) {
        std::string narrow;
        for (wchar_t c : message) narrow += (c < 0x80) ? static_cast<char>(c) : '?';
        return narrow;
    }
}

std::wstring GetSystemFolder() {
    wchar_t folder[MAX_PATH];
    UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
    return (length == 0 || length >= MAX_PATH) ? std::wstring() : std::wstring(folder, length);
}

}  // namespace

std::wstring SystemMessageText(long code, const std::wstring& module) {
    ModuleHandle library;
    // Only the message table is read: the system folder's copy, as data, so a
    // DLL of that name beside the program is never loaded.
    if (!module.empty())
        library.Reset(::LoadLibraryExW((GetSystemFolder() + L"\\" + module).c_str(), nullptr,
                                       LOAD_LIBRARY_AS_DATAFILE));
    // The module's table first, then the system's for codes the module does not describe.
    DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM |
                  (library ? FORMAT_MESSAGE_FROM_HMODULE : 0);
    wchar_t* buffer = nullptr;
    DWORD length = ::FormatMessageW(flags, library.Get(), static_cast<DWORD>(code),
                                    MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                                    reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    LocalMemory owner(buffer);
    if (length == 0 || buffer == nullptr) return HexCode(code);
    return Trim(std::wstring(buffer, length), kWhiteSpace);
}

std::string SystemMessageTextA(long code) {
    char* buffer = nullptr;
    DWORD length = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM,
        nullptr, static_cast<DWORD>(code), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
        reinterpret_cast<char*>(&buffer), 0, nullptr);
    LocalMemory owner(buffer);
    if (length == 0 || buffer == nullptr) return MessageToAnsi(HexCode(code));
    return Trim(std::string(buffer, length), " \t\n\r");
}

long ToHResult(long error) {
    if (error <= 0) return error;
    return static_cast<long>((static_cast<unsigned long>(error) & 0xFFFFUL) | 0x80070000UL);
}

std::wstring SystemErrorText(long error, const std::wstring& context, const std::wstring& module) {
    long hr = ToHResult(error);
    std::wstring text = HexCode(hr);
    if (!context.empty()) text += L" - " + context;
    text += L": " + SystemMessageText(hr, module);
    return text;
}

void ThrowError(const std::wstring& message) { throw std::runtime_error(MessageToAnsi(message)); }

void ThrowSystemError(long error, const std::wstring& context) {
    ThrowError(SystemErrorText(error, context));
}

void ThrowLastError(const std::wstring& context) {
    ThrowSystemError(static_cast<long>(::GetLastError()), context);
}

}  // namespace Kestlib
