#include <gtest/gtest.h>

#include <functional>

#include "lib/Guid.h"
#include "lib/Handles.h"
#include "lib/Process.h"
#include "lib/Registry.h"
#include "tests/lib/RegistryTestKey.h"
#include "tests/support/TestEnvironment.h"

using namespace Kestlib;

namespace {

// The platform hands out the lowest free slot of the handle table, so a handle
// that one of the calls forgot to close moves the next free slot away.
HANDLE NextFreeHandleSlot() {
    KernelHandle probe(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    return probe.Get();
}

void IgnoreFailure(const std::function<void()>& call) {
    try {
        call();
    } catch (const std::exception&) {
    }
}

}  // namespace

TEST(HandleLeaks, NoHandleOutlivesAnOperationOnAnyPath) {
    RegistryTestKey key(HKEY_CURRENT_USER);
    key.SetText(L"Text", L"x");
    key.SetDword(L"Number", 1);
    RegistryTestKey machine(HKEY_LOCAL_MACHINE);
    const std::wstring& k = key.Path();
    const std::wstring missing = k + L"\\Missing";
    const std::wstring exitCode = L"\"" + TestSupport::BinDirectory() + L"proc_exitcode.exe\" ";
    auto round = [&] {
        RegistryKeyExists(HKEY_CURRENT_USER, k, L"Text");
        RegistryKeyExists(HKEY_CURRENT_USER, missing, L"");
        RegistryGetStringValue(HKEY_CURRENT_USER, k, L"Text", KEY_WOW64_32KEY);
        RegistryGetDWORD(HKEY_CURRENT_USER, k, L"Number");
        IgnoreFailure([&] { RegistryGetStringValue(HKEY_CURRENT_USER, k, L"Number"); });
        IgnoreFailure([&] { RegistryGetStringValue(HKEY_CURRENT_USER, k, L"Missing"); });
        IgnoreFailure([&] { RegistryGetDWORD(HKEY_CURRENT_USER, k, L"Text"); });
        IgnoreFailure([&] { RegistryGetDWORD(HKEY_CURRENT_USER, missing, L"Text"); });
        IgnoreFailure([&] { RegistryGetMultiStringValue(HKEY_CURRENT_USER, k, L"Text"); });
        IgnoreFailure([&] { RegistryGetValueType(HKEY_CURRENT_USER, k, L"Missing"); });
        RegistrySetStringValue(machine.Path(), L"Value", L"x");
        RegistryDeleteValue(machine.Path(), L"Value");
        IgnoreFailure([&] { RegistryDeleteValue(machine.Path(), L"Value"); });
        IgnoreFailure([&] { RegistrySetStringValue(machine.Path(), std::wstring(20000, L'v'), L"x"); });
        EXPECT_EQ(RunProcessAndWait(exitCode + L"3010"), 3010u);
        RunProcess(exitCode + L"0");
        IgnoreFailure([&] { RunProcess(L"bootwright_no_such_program.exe"); });
        IgnoreFailure([&] { RunProcessAndWait(L"bootwright_no_such_program.exe"); });
        IsGuidString(CreateGuidString());
        IgnoreFailure([&] { StringToGuid(L"junk"); });
    };
    // The shell keeps worker threads of its own whose handles come and go, so
    // ShellOpen stays out of this count.
    round();  // lets the platform set up whatever it keeps for the process
    const HANDLE before = NextFreeHandleSlot();
    for (int i = 0; i < 10; ++i) round();
    EXPECT_EQ(NextFreeHandleSlot(), before);
}
