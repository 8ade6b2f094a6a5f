#include "lib/Registry.h"

#include <cwchar>

#include "lib/SystemError.h"

namespace Kestlib {

namespace {

struct RootName {
    const wchar_t* name;
    HKEY root;
};

// Lookup order of the names; only the long forms are accepted.
const RootName kRoots[] = {
    {L"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE}, {L"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
    {L"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG}, {L"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
    {L"HKEY_USERS", HKEY_USERS},
};

}  // namespace

HKEY String2HKEY(const std::wstring& name) {
    for (const RootName& entry : kRoots) {
        if (name == entry.name) return entry.root;
    }
    ThrowError(L"Unknown HKEY: " + name);
}

std::wstring HKEY2String(HKEY root) {
    for (const RootName& entry : kRoots) {
        if (root == entry.root) return entry.name;
    }
    wchar_t value[2 + 2 * sizeof(ULONG_PTR) + 1];
    std::swprintf(value, sizeof(value) / sizeof(value[0]), L"0x%llx",
                  static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(root)));
    ThrowError(std::wstring(L"Unknown HKEY: ") + value);
}

}  // namespace Kestlib
