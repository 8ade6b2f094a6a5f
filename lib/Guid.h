#pragma once

#include <windows.h>

#include <string>

namespace Kestlib {

std::wstring CreateGuidString();
std::wstring GuidToString(const GUID& guid);
GUID StringToGuid(const std::wstring& text);
bool IsGuidString(const std::wstring& text);

}  // namespace Kestlib
