// The rights a packaged setup asks Windows for: the level of its manifest,
// set by the packager, with the common controls and the supported systems
// kept; and the setup still runs. Wine gives every level the same token, so
// the manifest read back is what can be checked here.
#include <gtest/gtest.h>

#include <windows.h>

#include <stdexcept>
#include <string>

#include "tests/e2e/SetupDocuments.h"
#include "tests/support/SetupRun.h"

using namespace E2e;
using TestSupport::HasMessage;

namespace {

// The manifest resource of an executable, as text.
std::string Manifest(const std::wstring& executable) {
    HMODULE module = ::LoadLibraryExW(executable.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) return std::string();
    std::string text;
    if (HRSRC resource = ::FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24))) {
        const char* data = static_cast<const char*>(::LockResource(::LoadResource(module, resource)));
        if (data) text.assign(data, ::SizeofResource(module, resource));
    }
    ::FreeLibrary(module);
    return text;
}

size_t Count(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

TEST(ExecutionLevel, ThePackagedSetupAsksForTheLevelGivenAndRuns) {
    struct Case {
        const wchar_t* option;
        const char* level;
    } cases[] = {
        {L"", "requireAdministrator"},
        {L"asInvoker", "asInvoker"},
        {L"highestAvailable", "highestAvailable"},
        {L"requireAdministrator", "requireAdministrator"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.level);
        Scenario run;
        const std::wstring options = *c.option ? std::wstring(L"--execution-level ") + c.option : L"";
        const std::wstring setup = TestSupport::PackageSetup(
            run.folder.Path(), Document(Install("", MarkerComponent("Marker", run.folder / L"marker.txt"))),
            L"setup.exe", options);
        const std::string manifest = Manifest(setup);
        EXPECT_EQ(Count(manifest, "level=\""), 1u) << manifest;
        EXPECT_NE(manifest.find(std::string("<requestedExecutionLevel level=\"") + c.level + "\" uiAccess=\"false\"/>"),
                  std::string::npos)
            << manifest;
        EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""), std::string::npos);
        // Vista, 7, 8, 8.1 and 10/11.
        EXPECT_EQ(Count(manifest, "<supportedOS Id="), 5u);
        EXPECT_NE(manifest.find("{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"), std::string::npos);
        // Sharp at every scale: per monitor, else the system's scale. Wine sizes
        // windows at the prefix's scale whatever a program declares.
        EXPECT_NE(manifest.find("<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">"
                                "PerMonitorV2, System</dpiAwareness>"),
                  std::string::npos);
        EXPECT_NE(manifest.find("<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">"
                                "true</dpiAware>"),
                  std::string::npos);

        EXPECT_EQ(TestSupport::RunSetup(setup, run.Options(L"/q")), 0u) << run.Dump();
        EXPECT_TRUE(FileExists(run.folder / L"marker.txt"));
        EXPECT_TRUE(HasMessage(run.Log(), "ElevationStatus: Run as Admin: 1")) << run.Dump();
    }
    Scenario refused;
    try {
        TestSupport::PackageSetup(refused.folder.Path(), Document(""), L"setup.exe", L"--execution-level admin");
        ADD_FAILURE() << "an unknown level was accepted";
    } catch (const std::runtime_error& error) {
        EXPECT_NE(std::string(error.what()).find(
                      "Error: Invalid execution level 'admin': give asInvoker, highestAvailable or requireAdministrator"),
                  std::string::npos)
            << error.what();
    }
    EXPECT_FALSE(FileExists(refused.folder / L"setup.exe"));
}

}  // namespace
