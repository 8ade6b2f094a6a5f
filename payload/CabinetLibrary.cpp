#include "payload/CabinetLibrary.h"

#include <string>

namespace Cabinet {

namespace {

// The search flag exists where the loader offers AddDllDirectory (Windows 8,
// or Windows 7 with its loader update); older loaders refuse the flag.
bool SystemFolderSearchSupported() {
    HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    return kernel != nullptr && ::GetProcAddress(kernel, "AddDllDirectory") != nullptr;
}

}  // namespace

Kestlib::ModuleHandle LoadCabinetLibrary() {
    if (SystemFolderSearchSupported())
        return Kestlib::ModuleHandle(::LoadLibraryExW(L"cabinet.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
    wchar_t folder[MAX_PATH];
    UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return Kestlib::ModuleHandle();
    std::wstring path = std::wstring(folder, length) + L"\\cabinet.dll";
    return Kestlib::ModuleHandle(::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
}

}  // namespace Cabinet
