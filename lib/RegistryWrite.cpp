#include "lib/Registry.h"

#include "lib/Handles.h"
#include "lib/SystemError.h"

namespace Kestlib {

namespace {

std::wstring MachineKeyText(const std::wstring& key) { return HKEY2String(HKEY_LOCAL_MACHINE) + L"\\" + key; }

}  // namespace

void RegistrySetStringValue(const std::wstring& key, const std::wstring& name, const std::wstring& text) {
    RegistryKey handle;
    LSTATUS result = ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                       handle.Receive(), nullptr);
    if (result != ERROR_SUCCESS) ThrowSystemError(result, L"Error creating '" + MachineKeyText(key) + L"'");
    // The stored size includes the terminator.
    DWORD bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
    result = ::RegSetValueExW(handle.Get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                              bytes);
    if (result != ERROR_SUCCESS)
        ThrowSystemError(result, L"Error setting '" + MachineKeyText(key) + L"'" + name + L"' value");
}

void RegistryDeleteValue(const std::wstring& key, const std::wstring& name) {
    RegistryKey handle;
    LSTATUS result = ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_WRITE, handle.Receive());
    if (result != ERROR_SUCCESS) ThrowSystemError(result, L"Error opening '" + MachineKeyText(key) + L"'");
    result = ::RegDeleteValueW(handle.Get(), name.c_str());
    if (result != ERROR_SUCCESS)
        ThrowSystemError(result, L"Error deleting '" + MachineKeyText(key) + L"\\" + name + L"'");
}

}  // namespace Kestlib
