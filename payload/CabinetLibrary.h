#pragma once

#include "lib/Handles.h"

namespace Cabinet {

// Cabinet.dll from the system folder only, never from the program's folder or
// the current one, where anybody may have put a copy. An empty holder means
// the library could not be loaded; the thread's last error tells why.
Kestlib::ModuleHandle LoadCabinetLibrary();

// An entry point of the library by name, typed; nullptr when it is missing.
template <class Function>
Function EntryPoint(const Kestlib::ModuleHandle& module, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module.Get(), name)));
}

}  // namespace Cabinet
