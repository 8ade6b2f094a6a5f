#include "lib/DllSearch.h"

#include <windows.h>

namespace Kestlib {

namespace {

using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
using SetDllDirectoryFunction = BOOL(WINAPI*)(LPCWSTR);

// Looked up by name: older systems have neither call, and a static import
// would keep the program from starting there.
template <class Function>
Function KernelFunction(const char* name) {
    HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    if (kernel == nullptr) return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(kernel, name)));
}

}  // namespace

void RestrictDllSearchToSystemFolder() {
    auto setDefault = KernelFunction<SetDefaultDllDirectoriesFunction>("SetDefaultDllDirectories");
    if (setDefault != nullptr && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
    auto setDirectory = KernelFunction<SetDllDirectoryFunction>("SetDllDirectoryW");
    if (setDirectory != nullptr) setDirectory(L"");
}

}  // namespace Kestlib
