#include "tests/lib/RegistryTestKey.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "lib/TextConversion.h"

RegistryTestKey::RegistryTestKey(HKEY root, const std::wstring& suffix, REGSAM view) : m_root(root), m_view(view) {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    m_path = L"Software\\BootwrightTests\\" + Kestlib::Utf8ToWide(test->test_suite_name()) + L"." +
             Kestlib::Utf8ToWide(test->name()) + suffix;
    ::RegDeleteKeyExW(m_root, m_path.c_str(), m_view, 0);
    if (::RegCreateKeyExW(m_root, m_path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | m_view, nullptr,
                          m_key.Receive(), nullptr) != ERROR_SUCCESS)
        throw std::runtime_error("cannot create test key");
}

RegistryTestKey::~RegistryTestKey() {
    m_key.Reset();
    Kestlib::RegistryKey parent;
    if (::RegOpenKeyExW(m_root, L"Software\\BootwrightTests", 0, KEY_ALL_ACCESS | m_view, parent.Receive()) ==
        ERROR_SUCCESS) {
        std::wstring name = m_path.substr(m_path.find_last_of(L'\\') + 1);
        ::RegDeleteTreeW(parent.Get(), name.c_str());
    }
}

void RegistryTestKey::SetRaw(const std::wstring& name, DWORD type, const void* data, DWORD bytes) {
    if (::RegSetValueExW(m_key.Get(), name.c_str(), 0, type, static_cast<const BYTE*>(data), bytes) != ERROR_SUCCESS)
        throw std::runtime_error("cannot set test value");
}

void RegistryTestKey::SetText(const std::wstring& name, const std::wstring& text, DWORD type) {
    SetRaw(name, type, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

void RegistryTestKey::SetCharacters(const std::wstring& name, const std::wstring& characters, DWORD type) {
    SetRaw(name, type, characters.data(), static_cast<DWORD>(characters.size() * sizeof(wchar_t)));
}

void RegistryTestKey::SetDword(const std::wstring& name, DWORD value) { SetRaw(name, REG_DWORD, &value, sizeof(value)); }
