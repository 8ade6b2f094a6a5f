#include "lib/SystemLibrary.h"

#include "lib/SystemError.h"
#include "lib/TextConversion.h"

namespace Kestlib {

namespace {

// The search flag exists where the loader offers AddDllDirectory (Windows 8,
// or Windows 7 with its loader update); older loaders refuse the flag.
bool SystemFolderSearchSupported() {
    HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    return kernel != nullptr && ::GetProcAddress(kernel, "AddDllDirectory") != nullptr;
}

}  // namespace

ModuleHandle LoadSystemLibrary(const std::wstring& name) {
    if (SystemFolderSearchSupported())
        return ModuleHandle(::LoadLibraryExW(name.c_str(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
    wchar_t folder[MAX_PATH];
    UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return ModuleHandle();
    // The library's own imports are then looked for in the system folder too.
    std::wstring path = std::wstring(folder, length) + L"\\" + name;
    return ModuleHandle(::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
}

SystemLibrary::SystemLibrary(const std::wstring& name) : m_name(name), m_module(LoadSystemLibrary(name)) {
    if (!m_module) {
        const long error = static_cast<long>(::GetLastError());
        ThrowSystemError(error, L"LoadLibrary(" + m_name + L")");
    }
}

FARPROC SystemLibrary::EntryAddress(const char* name) const {
    FARPROC address = ::GetProcAddress(m_module.Get(), name);
    if (address != nullptr) return address;
    // Read before the text is built: the conversion may overwrite it.
    const long error = static_cast<long>(::GetLastError());
    ThrowSystemError(error, L"GetProcAddress(" + m_name + L", " + AnsiToWide(name) + L")");
}

}  // namespace Kestlib
