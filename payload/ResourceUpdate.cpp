#include "payload/ResourceUpdate.h"

#include "lib/SystemError.h"

namespace {

BOOL CALLBACK CollectLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR list) {
    reinterpret_cast<std::vector<WORD>*>(list)->push_back(language);
    return TRUE;
}

BOOL CALLBACK CollectName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR list) {
    if (!IS_INTRESOURCE(name)) reinterpret_cast<std::vector<std::wstring>*>(list)->push_back(name);
    return TRUE;
}

}  // namespace

ResourceUpdate::ResourceUpdate(const std::wstring& executable) : m_path(executable) {
    // The file as it was, to find the languages of what gets replaced.
    m_original = ::LoadLibraryExW(executable.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (m_original == nullptr) Kestlib::ThrowLastError(L"Error reading the resources of '" + executable + L"'");
    m_update = ::BeginUpdateResourceW(executable.c_str(), FALSE);
    if (m_update == nullptr) {
        DWORD error = ::GetLastError();
        ::FreeLibrary(m_original);
        Kestlib::ThrowSystemError(static_cast<long>(error), L"Error opening '" + executable + L"' for writing");
    }
}

ResourceUpdate::~ResourceUpdate() {
    if (m_update != nullptr) ::EndUpdateResourceW(m_update, TRUE);
    if (m_original != nullptr) ::FreeLibrary(m_original);
}

std::vector<std::wstring> ResourceUpdate::Names(const std::wstring& type) const {
    std::vector<std::wstring> names;
    ::EnumResourceNamesW(m_original, type.c_str(), &CollectName, reinterpret_cast<LONG_PTR>(&names));
    return names;
}

void ResourceUpdate::Remove(const std::wstring& type, const std::wstring& name) {
    std::vector<WORD> languages;
    ::EnumResourceLanguagesW(m_original, type.c_str(), name.c_str(), &CollectLanguage,
                             reinterpret_cast<LONG_PTR>(&languages));
    for (WORD language : languages)
        if (!::UpdateResourceW(m_update, type.c_str(), name.c_str(), language, nullptr, 0))
            Kestlib::ThrowLastError(L"Error removing resource " + type + L"/" + name);
}

void ResourceUpdate::Put(const std::wstring& type, const std::wstring& name, const void* data, DWORD size) {
    Remove(type, name);
    if (!::UpdateResourceW(m_update, type.c_str(), name.c_str(), MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL),
                           const_cast<void*>(data), size))
        Kestlib::ThrowLastError(L"Error adding resource " + type + L"/" + name);
}

void ResourceUpdate::Commit() {
    ::FreeLibrary(m_original);
    m_original = nullptr;
    HANDLE update = m_update;
    m_update = nullptr;
    if (!::EndUpdateResourceW(update, FALSE)) Kestlib::ThrowLastError(L"Error writing the resources of '" + m_path + L"'");
}
