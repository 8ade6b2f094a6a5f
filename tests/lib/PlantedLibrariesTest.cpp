#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "lib/FileOps.h"
#include "lib/SystemLibrary.h"
#include "lib/TextConversion.h"
#include "tests/support/Expect.h"
#include "tests/support/LocalHttpServer.h"
#include "tests/support/PlantedLibraries.h"
#include "tests/support/TestEnvironment.h"

namespace {

struct ProbeCase {
    const wchar_t* program;
    const wchar_t* arguments;
    const char* loaded;
};

}  // namespace

// The probes load each library through the program's code or by a bare name,
// with and without the restriction start-up applies. The unrestricted bare
// loads prove that the planted copies are picked up when nothing stops them.
// Under Wine the window library imports version.dll, so a planted version.dll
// is only tested with a probe that loads nothing but the kernel.
TEST(PlantedLibraries, NoneIsLoadedOnceTheSearchIsRestricted) {
    const ProbeCase cases[] = {
        {L"dll_probe.exe", L"restricted product", ""},
        {L"dll_probe.exe", L"unrestricted product", ""},
        {L"dll_probe.exe", L"restricted bare", ""},
        {L"dll_probe.exe", L"unrestricted bare", "cabinet msi urlmon winhttp "},
        {L"version_probe.exe", L"restricted product", ""},
        {L"version_probe.exe", L"unrestricted product", ""},
        {L"version_probe.exe", L"restricted bare", ""},
        {L"version_probe.exe", L"unrestricted bare", "version "},
    };
    TestSupport::PlantingOverride probeOverride(L"dll_probe.exe", {L"msi", L"urlmon", L"winhttp", L"cabinet"});
    TestSupport::PlantingOverride versionOverride(L"version_probe.exe", {L"version"});
    ASSERT_TRUE(probeOverride.IsSet() && versionOverride.IsSet());
    TestSupport::LocalHttpServer server;
    server.Add("/probe.txt", TestSupport::HttpRoute{200, "probe bytes", 1, 0});
    for (const ProbeCase& probe : cases) {
        SCOPED_TRACE(Kestlib::WideToAnsi(std::wstring(probe.program) + L" " + probe.arguments));
        TestSupport::PlantedFolder folder(TestSupport::BinDirectory() + probe.program);
        ASSERT_TRUE(folder.IsReady());
        const bool download = probe.program == std::wstring(L"dll_probe.exe") &&
                              std::wstring(probe.arguments).find(L"product") != std::wstring::npos;
        const std::wstring arguments = std::wstring(probe.arguments) + (download ? L" " + server.Url("/probe.txt") : L"");
        EXPECT_EQ(folder.Run(arguments), 0u) << TestSupport::ReadTextFile(folder / L"probe-error.txt");
        EXPECT_EQ(folder.LoadedPlants(), probe.loaded);
        if (download) {
            EXPECT_EQ(TestSupport::ReadTextFile(folder / L"downloaded.txt"), "probe bytes");
            EXPECT_EQ(TestSupport::ReadTextFile(folder / L"copied.txt"), "probe bytes");
        }
    }
}

TEST(SystemLibrary, LoadsTheSystemFoldersCopy) {
    Kestlib::ModuleHandle module = Kestlib::LoadSystemLibrary(L"version.dll");
    ASSERT_TRUE(module);
    wchar_t path[MAX_PATH];
    const DWORD length = ::GetModuleFileNameW(module.Get(), path, MAX_PATH);
    EXPECT_EQ(Kestlib::WideToAnsi(std::wstring(path, length)),
              Kestlib::WideToAnsi(Kestlib::PathCombine(Kestlib::GetSystemDirectory(), L"version.dll")));
}

TEST(SystemLibrary, MissingLibraryAndEntryPointFailNamingThem) {
    EXPECT_THROW_PREFIX(Kestlib::SystemLibrary library(L"bootwright-absent.dll"),
                        "0x8007007e - LoadLibrary(bootwright-absent.dll): ");
    Kestlib::SystemLibrary version(L"version.dll");
    EXPECT_THROW_PREFIX(version.Entry<FARPROC>("NoSuchEntryPoint"),
                        "0x8007007f - GetProcAddress(version.dll, NoSuchEntryPoint): ");
    EXPECT_NE(version.Entry<FARPROC>("GetFileVersionInfoW"), nullptr);
}
