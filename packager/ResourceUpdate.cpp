#include "packager/ResourceUpdate.h"

#include "lib/Handles.h"
#include "lib/SystemError.h"

namespace {

std::wstring IdText(LPCWSTR id) {
    return IS_INTRESOURCE(id) ? L"#" + std::to_wstring(reinterpret_cast<ULONG_PTR>(id)) : std::wstring(id);
}

struct Entry {
    std::wstring type;
    std::wstring name;
    WORD language;
};

BOOL CALLBACK CollectLanguage(HMODULE, LPCWSTR type, LPCWSTR name, WORD language, LONG_PTR list) {
    reinterpret_cast<std::vector<Entry>*>(list)->push_back(Entry{IdText(type), IdText(name), language});
    return TRUE;
}

BOOL CALLBACK CollectName(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR list) {
    ::EnumResourceLanguagesW(module, type, name, &CollectLanguage, list);
    return TRUE;
}

BOOL CALLBACK CollectType(HMODULE module, LPWSTR type, LONG_PTR list) {
    ::EnumResourceNamesW(module, type, &CollectName, list);
    return TRUE;
}

// "#12" back into the integer id the platform calls take.
LPCWSTR IdFromText(const std::wstring& text) {
    if (text.empty() || text[0] != L'#') return text.c_str();
    return MAKEINTRESOURCEW(static_cast<WORD>(std::stoul(text.substr(1))));
}

}  // namespace

ResourceUpdate::ResourceUpdate(const std::wstring& executable, const Filter& drop) : m_path(executable) {
    Kestlib::ModuleHandle original(::LoadLibraryExW(executable.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    if (!original) Kestlib::ThrowLastError(L"Error reading the resources of '" + executable + L"'");
    m_update = ::BeginUpdateResourceW(executable.c_str(), TRUE);
    if (m_update == nullptr) Kestlib::ThrowLastError(L"Error opening '" + executable + L"' for writing");
    CopyKept(original.Get(), drop);
}

ResourceUpdate::~ResourceUpdate() {
    if (m_update != nullptr) ::EndUpdateResourceW(m_update, TRUE);
}

void ResourceUpdate::CopyKept(HMODULE original, const Filter& drop) {
    std::vector<Entry> entries;
    ::EnumResourceTypesW(original, &CollectType, reinterpret_cast<LONG_PTR>(&entries));
    for (const Entry& entry : entries) {
        if (drop(entry.type, entry.name)) continue;
        HRSRC resource = ::FindResourceExW(original, IdFromText(entry.type), IdFromText(entry.name), entry.language);
        HGLOBAL loaded = resource ? ::LoadResource(original, resource) : nullptr;
        void* data = loaded ? ::LockResource(loaded) : nullptr;
        if (data == nullptr) Kestlib::ThrowLastError(L"Error reading resource " + entry.type + L"/" + entry.name);
        if (!::UpdateResourceW(m_update, IdFromText(entry.type), IdFromText(entry.name), entry.language, data,
                               ::SizeofResource(original, resource)))
            Kestlib::ThrowLastError(L"Error keeping resource " + entry.type + L"/" + entry.name);
    }
}

void ResourceUpdate::Put(const std::wstring& type, const std::wstring& name, const void* data, DWORD size) {
    if (!::UpdateResourceW(m_update, IdFromText(type), IdFromText(name), MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL),
                           const_cast<void*>(data), size))
        Kestlib::ThrowLastError(L"Error adding resource " + type + L"/" + name);
}

void ResourceUpdate::Commit() {
    HANDLE update = m_update;
    m_update = nullptr;
    if (!::EndUpdateResourceW(update, FALSE))
        Kestlib::ThrowLastError(L"Error writing the resources of '" + m_path + L"'");
}
