#pragma once

#include <windows.h>

#include <string>

#include "lib/Handles.h"

// A key under Software\BootwrightTests, unique to the running test case,
// written through the platform directly and removed with its values.
class RegistryTestKey {
public:
    // view: 0 (native), KEY_WOW64_32KEY or KEY_WOW64_64KEY.
    RegistryTestKey(HKEY root, const std::wstring& suffix = std::wstring(), REGSAM view = 0);
    ~RegistryTestKey();
    RegistryTestKey(const RegistryTestKey&) = delete;
    RegistryTestKey& operator=(const RegistryTestKey&) = delete;

    // The path below the root, as the library takes it.
    const std::wstring& Path() const { return m_path; }

    void SetRaw(const std::wstring& name, DWORD type, const void* data, DWORD bytes);
    // Text stored with its terminator.
    void SetText(const std::wstring& name, const std::wstring& text, DWORD type = REG_SZ);
    // Characters stored exactly as given, embedded NULs included.
    void SetCharacters(const std::wstring& name, const std::wstring& characters, DWORD type);
    void SetDword(const std::wstring& name, DWORD value);

private:
    HKEY m_root;
    REGSAM m_view;
    std::wstring m_path;
    Kestlib::RegistryKey m_key;
};
