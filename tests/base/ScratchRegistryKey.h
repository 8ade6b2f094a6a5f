#pragma once

#include <windows.h>

#include <stdexcept>
#include <string>

#include "lib/Handles.h"

// A uniquely named key under ROOT\Software in one registry view, written
// directly through the platform and removed with everything in it at the end.
class ScratchRegistryKey {
public:
    ScratchRegistryKey(HKEY root, const std::wstring& name, REGSAM view = 0)
        : m_root(root),
          m_view(view),
          m_name(L"BwtVariablesTest-" + name + L"-" + std::to_wstring(::GetCurrentProcessId())),
          m_path(L"Software\\" + m_name) {
        Create(L"");
    }
    ~ScratchRegistryKey() {
        Kestlib::RegistryKey software;
        if (::RegOpenKeyExW(m_root, L"Software", 0, KEY_ALL_ACCESS | m_view, software.Receive()) == ERROR_SUCCESS)
            ::RegDeleteTreeW(software.Get(), m_name.c_str());
    }
    ScratchRegistryKey(const ScratchRegistryKey&) = delete;
    ScratchRegistryKey& operator=(const ScratchRegistryKey&) = delete;

    // Software\<unique name>
    const std::wstring& Path() const { return m_path; }

    // Values go into the key itself or into a sub-key (created as needed);
    // an empty value name is the key's default value.
    void SetString(const std::wstring& name, const std::wstring& value, DWORD type = REG_SZ,
                   const std::wstring& subKey = L"") {
        Set(subKey, name, type, value.c_str(), (value.size() + 1) * sizeof(wchar_t));
    }
    void SetMultiString(const std::wstring& name, const std::wstring& zeroSeparated) {
        Set(L"", name, REG_MULTI_SZ, zeroSeparated.c_str(), zeroSeparated.size() * sizeof(wchar_t));
    }
    void SetDword(const std::wstring& name, DWORD value) { Set(L"", name, REG_DWORD, &value, sizeof value); }
    void SetBinary(const std::wstring& name, const std::string& bytes) {
        Set(L"", name, REG_BINARY, bytes.data(), bytes.size());
    }

private:
    Kestlib::RegistryKey Create(const std::wstring& subKey) {
        std::wstring path = subKey.empty() ? m_path : m_path + L"\\" + subKey;
        Kestlib::RegistryKey key;
        LONG result = ::RegCreateKeyExW(m_root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | m_view, nullptr,
                                        key.Receive(), nullptr);
        if (result != ERROR_SUCCESS) throw std::runtime_error("cannot create test registry key");
        return key;
    }
    void Set(const std::wstring& subKey, const std::wstring& name, DWORD type, const void* data, size_t size) {
        Kestlib::RegistryKey key = Create(subKey);
        LONG result = ::RegSetValueExW(key.Get(), name.empty() ? nullptr : name.c_str(), 0, type,
                                       static_cast<const BYTE*>(data), static_cast<DWORD>(size));
        if (result != ERROR_SUCCESS) throw std::runtime_error("cannot write test registry value");
    }

    HKEY m_root;
    REGSAM m_view;
    std::wstring m_name;
    std::wstring m_path;
};
