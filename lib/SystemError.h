#pragma once

#include <windows.h>

#include <stdexcept>
#include <string>

namespace Kestlib {

// The platform's message for a code, trimmed; "0x" + hex code when there is none.
// With a module name, the message table of that module is searched first.
std::wstring SystemMessageText(long code, const std::wstring& module = std::wstring());
std::string SystemMessageTextA(long code);

// A positive platform error e becomes the HRESULT 0x8007xxxx with e's low 16 bits.
long ToHResult(long error);

// "0x<hresult> - <context>: <message>", the text of every failed platform call.
std::wstring SystemErrorText(long error, const std::wstring& context = std::wstring(),
                             const std::wstring& module = std::wstring());

// Every error leaves the library as the standard exception with an 8-bit
// (ANSI code page) message; these are the only places that compose one.
[[noreturn]] void ThrowError(const std::wstring& message);
[[noreturn]] void ThrowSystemError(long error, const std::wstring& context);
// Reads the thread's last error first, before any other system call.
[[noreturn]] void ThrowLastError(const std::wstring& context);

}  // namespace Kestlib
