#include "lib/Registry.h"

#include <vector>

#include "lib/Handles.h"
#include "lib/SystemError.h"

namespace Kestlib {

namespace {

std::wstring KeyText(HKEY root, const std::wstring& key) { return HKEY2String(root) + L"\\" + key; }

std::wstring ValueText(HKEY root, const std::wstring& key, const std::wstring& name) {
    return KeyText(root, key) + L"\\" + name;
}

LSTATUS OpenForReading(HKEY root, const std::wstring& key, WowOption view, RegistryKey& handle) {
    return ::RegOpenKeyExW(root, key.c_str(), 0, KEY_READ | view, handle.Receive());
}

RegistryKey OpenOrThrow(HKEY root, const std::wstring& key, WowOption view, const std::wstring& context) {
    RegistryKey handle;
    LSTATUS result = OpenForReading(root, key, view, handle);
    if (result != ERROR_SUCCESS) ThrowSystemError(result, context);
    return handle;
}

struct ValueInfo {
    DWORD type = REG_NONE;
    DWORD size = 0;
};

ValueInfo QueryInfoOrThrow(const RegistryKey& handle, const std::wstring& name, const std::wstring& context) {
    ValueInfo info;
    LSTATUS result = ::RegQueryValueExW(handle.Get(), name.c_str(), nullptr, &info.type, nullptr, &info.size);
    if (result != ERROR_SUCCESS) ThrowSystemError(result, context);
    return info;
}

// Reads the value's characters. An odd byte count is rounded up so that the
// buffer always holds the whole value; the count actually read is kept.
std::vector<wchar_t> ReadCharacters(const RegistryKey& handle, const std::wstring& name, DWORD size,
                                    const std::wstring& context) {
    std::vector<wchar_t> data((size + 1) / 2);
    DWORD bytes = static_cast<DWORD>(data.size() * sizeof(wchar_t));
    LSTATUS result = ::RegQueryValueExW(handle.Get(), name.c_str(), nullptr, nullptr,
                                        reinterpret_cast<BYTE*>(data.data()), &bytes);
    if (result != ERROR_SUCCESS) ThrowSystemError(result, context);
    data.resize(bytes / 2);
    return data;
}

// Values written by other programs do not always carry their terminators, so
// nothing is cut by size alone: a text ends at its first NUL or with the data.
std::wstring TextFromData(const std::vector<wchar_t>& data) {
    std::wstring text(data.begin(), data.end());
    std::wstring::size_type end = text.find(L'\0');
    if (end != std::wstring::npos) text.erase(end);
    return text;
}

// Each NUL ends one text (two adjacent NULs give an empty text); the list
// terminator is dropped, and a last text that lacks its NUL is still kept.
StringList TextListFromData(const std::vector<wchar_t>& data) {
    std::vector<wchar_t>::size_type count = data.size();
    if (count > 0 && data[count - 1] == L'\0') --count;
    StringList texts;
    std::wstring current;
    for (std::vector<wchar_t>::size_type i = 0; i < count; ++i) {
        if (data[i] == L'\0') {
            texts.push_back(current);
            current.clear();
        } else {
            current += data[i];
        }
    }
    if (!current.empty()) texts.push_back(current);
    return texts;
}

void CheckTextType(DWORD type, const std::wstring& valueText, DWORD expected1, DWORD expected2) {
    if (type != expected1 && type != expected2)
        ThrowError(L"Error quering '" + valueText + L"' value, unexpected type " + std::to_wstring(type));
}

}  // namespace

bool RegistryKeyExists(HKEY root, const std::wstring& key, const std::wstring& name, WowOption view) {
    RegistryKey handle;
    LSTATUS result = OpenForReading(root, key, view, handle);
    if (result == ERROR_FILE_NOT_FOUND) return false;
    if (result != ERROR_SUCCESS)
        ThrowSystemError(result, L"Error checking whether '" + KeyText(root, key) + L"' exists");
    if (name.empty()) return true;
    DWORD type = REG_NONE;
    DWORD size = 0;
    result = ::RegQueryValueExW(handle.Get(), name.c_str(), nullptr, &type, nullptr, &size);
    if (result == ERROR_SUCCESS || result == ERROR_INSUFFICIENT_BUFFER) return true;
    if (result == ERROR_FILE_NOT_FOUND) return false;
    ThrowSystemError(result, L"Error checking whether '" + ValueText(root, key, name) + L"' exists");
}

DWORD RegistryGetValueType(HKEY root, const std::wstring& key, const std::wstring& name, WowOption view) {
    RegistryKey handle = OpenOrThrow(root, key, view, L"Error opening " + KeyText(root, key));
    return QueryInfoOrThrow(handle, name, L"Error quering '" + ValueText(root, key, name) + L"'").type;
}

std::wstring RegistryGetStringValue(HKEY root, const std::wstring& key, const std::wstring& name,
                                    WowOption view) {
    RegistryKey handle = OpenOrThrow(root, key, view, L"Error opening " + KeyText(root, key));
    const std::wstring valueText = ValueText(root, key, name);
    ValueInfo info = QueryInfoOrThrow(handle, name, L"Error quering '" + valueText + L"' value size");
    CheckTextType(info.type, valueText, REG_SZ, REG_EXPAND_SZ);
    if (info.size == 0) return std::wstring();
    return TextFromData(ReadCharacters(handle, name, info.size, L"Error quering '" + valueText + L"' value data"));
}

DWORD RegistryGetDWORD(HKEY root, const std::wstring& key, const std::wstring& name, WowOption view) {
    RegistryKey handle = OpenOrThrow(root, key, view, L"Error opening '" + KeyText(root, key) + L"'");
    const std::wstring valueText = ValueText(root, key, name);
    ValueInfo info = QueryInfoOrThrow(handle, name, L"Error quering '" + valueText + L"' size");
    if (info.type != REG_DWORD || info.size != sizeof(DWORD))
        ThrowError(L"Error quering '" + valueText + L"', unexpected type");
    DWORD value = 0;
    DWORD size = sizeof(value);
    LSTATUS result = ::RegQueryValueExW(handle.Get(), name.c_str(), nullptr, nullptr,
                                        reinterpret_cast<BYTE*>(&value), &size);
    if (result != ERROR_SUCCESS) ThrowSystemError(result, L"Error quering '" + valueText + L"' value");
    return value;
}

StringList RegistryGetMultiStringValue(HKEY root, const std::wstring& key, const std::wstring& name,
                                       WowOption view) {
    RegistryKey handle = OpenOrThrow(root, key, view, L"Error opening " + KeyText(root, key));
    const std::wstring valueText = ValueText(root, key, name);
    ValueInfo info = QueryInfoOrThrow(handle, name, L"Error quering '" + valueText + L"' value size");
    CheckTextType(info.type, valueText, REG_MULTI_SZ, REG_MULTI_SZ);
    if (info.size == 0) return StringList();
    return TextListFromData(
        ReadCharacters(handle, name, info.size, L"Error quering '" + valueText + L"' value data"));
}

}  // namespace Kestlib
