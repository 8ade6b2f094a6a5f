#pragma once

#include <windows.h>

#include <string>

#include "lib/StringUtils.h"

namespace Kestlib {

// View options added to the access mask: 0, KEY_WOW64_64KEY or KEY_WOW64_32KEY.
using WowOption = DWORD;

HKEY String2HKEY(const std::wstring& name);
std::wstring HKEY2String(HKEY root);

// Readers open the key themselves and close it on every path. A text value
// ends at its first NUL or with its data; a multi-text value is cut at each NUL,
// and a last text stored without its NUL is kept.
bool RegistryKeyExists(HKEY root, const std::wstring& key, const std::wstring& name, WowOption view = 0);
DWORD RegistryGetValueType(HKEY root, const std::wstring& key, const std::wstring& name, WowOption view = 0);
std::wstring RegistryGetStringValue(HKEY root, const std::wstring& key, const std::wstring& name,
                                    WowOption view = 0);
DWORD RegistryGetDWORD(HKEY root, const std::wstring& key, const std::wstring& name, WowOption view = 0);
StringList RegistryGetMultiStringValue(HKEY root, const std::wstring& key, const std::wstring& name,
                                       WowOption view = 0);
// Both write under HKEY_LOCAL_MACHINE in the default view.
void RegistrySetStringValue(const std::wstring& key, const std::wstring& name, const std::wstring& text);
void RegistryDeleteValue(const std::wstring& key, const std::wstring& name);

}  // namespace Kestlib
