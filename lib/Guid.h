#pragma once

#include <windows.h>

#include <string>

namespace Kestlib {

// Text form: 38 characters, braces, upper-case hexadecimal.
std::wstring CreateGuidString();
std::wstring GuidToString(const GUID& guid);
GUID StringToGuid(const std::wstring& text);
// False for any malformed text, whatever its length.
bool IsGuidString(const std::wstring& text);

}  // namespace Kestlib
