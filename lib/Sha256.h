#pragma once

#include <windows.h>

#include <string>

namespace Kestlib {

// SHA-256 digests from the platform's crypto provider, as 64 lower-case hex digits.
std::wstring Sha256OfBytes(const void* data, size_t size);
std::wstring Sha256OfFile(const std::wstring& path);
// Of the whole file behind a handle opened with read access, from its first
// byte whatever the position; name is for error texts.
std::wstring Sha256OfHandle(HANDLE file, const std::wstring& name);

// 64 hex digits in any case; empty stays empty (no digest). Anything else: an empty
// result and false.
bool NormalizeSha256(const std::wstring& text, std::wstring& digest);

}  // namespace Kestlib
