#include "packager/IconReplacement.h"

#include "lib/Handles.h"
#include "lib/SystemError.h"
#include "packager/ResourceUpdate.h"

namespace {

// The program's icon (IDR_MAINFRAME): windows and Explorer show it.
const WORD kProgramIcon = 128;

std::wstring IdText(WORD id) { return L"#" + std::to_wstring(id); }

BOOL CALLBACK CollectId(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR ids) {
    if (IS_INTRESOURCE(name)) reinterpret_cast<std::set<WORD>*>(ids)->insert(static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name)));
    return TRUE;
}

BOOL CALLBACK CollectLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR languages) {
    reinterpret_cast<std::vector<WORD>*>(languages)->push_back(language);
    return TRUE;
}

}  // namespace

IconReplacement::IconReplacement(const std::wstring& executable, const std::wstring& iconPath) : m_icon(iconPath) {
    Kestlib::ModuleHandle module(::LoadLibraryExW(executable.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    if (!module) Kestlib::ThrowLastError(L"Error reading the resources of '" + executable + L"'");
    std::set<WORD> images;
    ::EnumResourceNamesW(module.Get(), RT_ICON, &CollectId, reinterpret_cast<LONG_PTR>(&images));
    std::vector<WORD> languages;
    ::EnumResourceLanguagesW(module.Get(), RT_GROUP_ICON, MAKEINTRESOURCEW(kProgramIcon), &CollectLanguage,
                             reinterpret_cast<LONG_PTR>(&languages));
    for (WORD language : languages) {
        HRSRC group = ::FindResourceExW(module.Get(), RT_GROUP_ICON, MAKEINTRESOURCEW(kProgramIcon), language);
        HGLOBAL loaded = group ? ::LoadResource(module.Get(), group) : nullptr;
        const char* data = loaded ? static_cast<const char*>(::LockResource(loaded)) : nullptr;
        if (data == nullptr) Kestlib::ThrowLastError(L"Error reading the icon of '" + executable + L"'");
        for (WORD id : IconFile::GroupIds(Kestlib::ByteVector(data, data + ::SizeofResource(module.Get(), group))))
            m_dropped.insert(id);
    }
    for (WORD id = 1; m_ids.size() < m_icon.Count(); ++id)
        if (images.count(id) == 0 || m_dropped.count(id) != 0) m_ids.push_back(id);
}

bool IconReplacement::Drops(const std::wstring& type, const std::wstring& name) const {
    if (type == IdText(LOWORD(RT_GROUP_ICON))) return name == IdText(kProgramIcon);
    if (type != IdText(LOWORD(RT_ICON))) return false;
    for (WORD id : m_dropped)
        if (name == IdText(id)) return true;
    return false;
}

void IconReplacement::Put(ResourceUpdate& update) const {
    for (size_t i = 0; i < m_icon.Count(); ++i)
        update.Put(IdText(LOWORD(RT_ICON)), IdText(m_ids[i]), m_icon.Image(i).data(),
                   static_cast<DWORD>(m_icon.Image(i).size()));
    Kestlib::ByteVector group = m_icon.GroupDirectory(m_ids);
    update.Put(IdText(LOWORD(RT_GROUP_ICON)), IdText(kProgramIcon), group.data(), static_cast<DWORD>(group.size()));
}
