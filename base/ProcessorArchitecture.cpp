#include "base/ProcessorArchitecture.h"

#include <windows.h>

#include "lib/SystemError.h"

namespace {

// Indexed by the platform's PROCESSOR_ARCHITECTURE_* value.
const wchar_t* const kArchitectureNames[] = {
    L"x86", L"mips", L"alpha", L"ppc", L"shx", L"arm", L"ia64", L"alpha64", L"msil", L"x64", L"ia32onwin64",
};
const int kArchitectureCount = static_cast<int>(sizeof(kArchitectureNames) / sizeof(kArchitectureNames[0]));

// Functions that older systems lack are looked up at run time; the detour
// through a plain function pointer type keeps the cast well-defined for the compiler.
template <class Function>
Function LookUpFunction(const wchar_t* module, const char* name) {
    HMODULE kernel = ::GetModuleHandleW(module);
    if (kernel == nullptr) return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(::GetProcAddress(kernel, name)));
}

}  // namespace

bool IsWow64() {
    using IsWow64ProcessFunction = BOOL(WINAPI*)(HANDLE, PBOOL);
    auto isWow64Process = LookUpFunction<IsWow64ProcessFunction>(L"kernel32", "IsWow64Process");
    BOOL wow64 = FALSE;
    return isWow64Process != nullptr && isWow64Process(::GetCurrentProcess(), &wow64) && wow64;
}

int GetProcessorArchitecture() {
    SYSTEM_INFO info = {};
    ::GetSystemInfo(&info);
    if (info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_INTEL && IsWow64()) {
        using GetNativeSystemInfoFunction = void(WINAPI*)(LPSYSTEM_INFO);
        auto getNativeSystemInfo =
            LookUpFunction<GetNativeSystemInfoFunction>(L"kernel32.dll", "GetNativeSystemInfo");
        if (getNativeSystemInfo != nullptr) getNativeSystemInfo(&info);
    }
    return info.wProcessorArchitecture;
}

int ParseProcessorArchitecture(const std::wstring& name) {
    for (int id = 0; id < kArchitectureCount; ++id)
        if (name == kArchitectureNames[id]) return id;
    Kestlib::ThrowError(L"Invalid processor architecture: " + name);
}

std::wstring ProcessorArchitectureName(int id) {
    if (id < 0 || id >= kArchitectureCount) Kestlib::ThrowError(L"Invalid processor architecture: " + std::to_wstring(id));
    return kArchitectureNames[id];
}
