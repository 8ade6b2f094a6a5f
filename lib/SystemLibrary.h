#pragma once

#include <windows.h>

#include <string>

#include "lib/Handles.h"

namespace Kestlib {

// A DLL of the system folder only, never a copy beside the program or in the
// current folder, where anybody may have put one. An empty holder means the
// library could not be loaded; the thread's last error tells why.
ModuleHandle LoadSystemLibrary(const std::wstring& name);

// A platform DLL the program does not import, so that it is loaded only
// after start-up has restricted the DLL search, and only from the system
// folder. Loading and every lookup fail with an exception naming the library
// and the entry point.
class SystemLibrary {
public:
    explicit SystemLibrary(const std::wstring& name);

    // An entry point by name, typed as the platform's header declares it.
    template <class Function>
    Function Entry(const char* name) const {
        return reinterpret_cast<Function>(reinterpret_cast<void*>(EntryAddress(name)));
    }

private:
    FARPROC EntryAddress(const char* name) const;

    std::wstring m_name;
    ModuleHandle m_module;
};

}  // namespace Kestlib
