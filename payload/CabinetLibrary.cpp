#include "payload/CabinetLibrary.h"

#include "lib/SystemLibrary.h"

namespace Cabinet {

Kestlib::ModuleHandle LoadCabinetLibrary() { return Kestlib::LoadSystemLibrary(L"cabinet.dll"); }

}  // namespace Cabinet
