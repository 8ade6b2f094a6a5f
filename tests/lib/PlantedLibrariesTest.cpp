#include <gtest/gtest.h>

#include <windows.h>

#include <cwchar>
#include <cwctype>
#include <set>
#include <string>
#include <vector>

#include "lib/FileOps.h"
#include "lib/SystemLibrary.h"
#include "lib/TextConversion.h"
#include "tests/support/Expect.h"
#include "tests/support/LocalHttpServer.h"
#include "tests/support/TestEnvironment.h"

namespace {

const wchar_t* const kPlanted[] = {L"msi", L"version", L"urlmon", L"cabinet"};

// Makes Wine load a DLL found beside the program first, as Windows does:
// Wine's setting for that program name, in this test's prefix. (A
// WINEDLLOVERRIDES variable in the environment of a child started from a
// Windows program does not reach Wine's loader.)
class PlantingOverride {
public:
    PlantingOverride(const std::wstring& program, const std::vector<std::wstring>& libraries)
        : m_key(L"Software\\Wine\\AppDefaults\\" + program + L"\\DllOverrides") {
        HKEY key = nullptr;
        if (::RegCreateKeyExW(HKEY_CURRENT_USER, m_key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                              nullptr) != ERROR_SUCCESS)
            return;
        const wchar_t value[] = L"native,builtin";
        m_set = true;
        for (const std::wstring& name : libraries)
            m_set = m_set && ::RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                                              sizeof(value)) == ERROR_SUCCESS;
        ::RegCloseKey(key);
    }
    ~PlantingOverride() { ::RegDeleteKeyW(HKEY_CURRENT_USER, m_key.c_str()); }
    bool IsSet() const { return m_set; }

private:
    std::wstring m_key;
    bool m_set = false;
};

std::vector<wchar_t> PlantingEnvironment(const std::wstring& mark) {
    std::vector<wchar_t> block;
    auto add = [&block](const std::wstring& text) {
        block.insert(block.end(), text.begin(), text.end());
        block.push_back(L'\0');
    };
    wchar_t* own = ::GetEnvironmentStringsW();
    for (const wchar_t* entry = own; *entry != L'\0'; entry += std::wcslen(entry) + 1) {
        const std::wstring text = entry;
        if (text.compare(0, 22, L"BOOTWRIGHT_PLANT_MARK=") != 0) add(text);
    }
    ::FreeEnvironmentStringsW(own);
    add(L"BOOTWRIGHT_PLANT_MARK=" + mark);
    block.push_back(L'\0');
    return block;
}

// A program copied with every planted DLL into a fresh folder of its own.
class PlantedFolder {
public:
    explicit PlantedFolder(const std::wstring& program) : m_program(m_folder / program) {
        m_copied = ::CopyFileW((TestSupport::BinDirectory() + program).c_str(), m_program.c_str(), FALSE) != 0;
        for (const wchar_t* name : kPlanted) {
            const std::wstring file = std::wstring(name) + L".dll";
            m_copied = m_copied && ::CopyFileW((TestSupport::BinDirectory() + L"planted\\" + file).c_str(),
                                               (m_folder / file).c_str(), FALSE) != 0;
        }
    }
    bool IsReady() const { return m_copied; }
    std::wstring operator/(const std::wstring& name) const { return m_folder / name; }

    // The program's exit code; 0xFFFFFFFF when it could not be started.
    DWORD Run(const std::wstring& arguments) const {
        std::wstring command = L"\"" + m_program + L"\" " + arguments;
        std::vector<wchar_t> environment = PlantingEnvironment(m_folder / L"planted.mark");
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION process = {};
        if (!::CreateProcessW(m_program.c_str(), &command[0], nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
                              environment.data(), m_folder.Path().c_str(), &startup, &process))
            return 0xFFFFFFFF;
        ::WaitForSingleObject(process.hProcess, INFINITE);
        DWORD code = 0xFFFFFFFF;
        ::GetExitCodeProcess(process.hProcess, &code);
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
        return code;
    }

    // The names of the planted DLLs that were loaded, from their marks.
    std::set<std::wstring> LoadedPlants() const {
        const std::string marks = TestSupport::ReadTextFile(m_folder / L"planted.mark");
        std::wstring paths(reinterpret_cast<const wchar_t*>(marks.data()), marks.size() / sizeof(wchar_t));
        for (wchar_t& c : paths) c = static_cast<wchar_t>(std::towlower(c));
        // Only the planted copies leave marks; each writes its full path.
        std::set<std::wstring> loaded;
        for (const wchar_t* name : kPlanted)
            if (paths.find(L"\\" + std::wstring(name) + L".dll") != std::wstring::npos) loaded.insert(name);
        return loaded;
    }

private:
    TestSupport::TempFolder m_folder;
    std::wstring m_program;
    bool m_copied = false;
};

struct ProbeCase {
    const wchar_t* program;
    const wchar_t* arguments;
    std::set<std::wstring> loaded;
};

std::string Describe(const std::set<std::wstring>& names) {
    std::string text;
    for (const std::wstring& name : names) text += Kestlib::WideToAnsi(name) + " ";
    return text;
}

}  // namespace

// The probes load each library through the program's code or by a bare name,
// with and without the restriction start-up applies. The unrestricted bare
// loads prove that the planted copies are picked up when nothing stops them.
// Under Wine the window library imports version.dll, so a planted version.dll
// is only tested with a probe that loads nothing but the kernel.
TEST(PlantedLibraries, NoneIsLoadedOnceTheSearchIsRestricted) {
    const ProbeCase cases[] = {
        {L"dll_probe.exe", L"restricted product", {}},
        {L"dll_probe.exe", L"unrestricted product", {}},
        {L"dll_probe.exe", L"restricted bare", {}},
        {L"dll_probe.exe", L"unrestricted bare", {L"msi", L"urlmon", L"cabinet"}},
        {L"version_probe.exe", L"restricted product", {}},
        {L"version_probe.exe", L"unrestricted product", {}},
        {L"version_probe.exe", L"restricted bare", {}},
        {L"version_probe.exe", L"unrestricted bare", {L"version"}},
    };
    PlantingOverride probeOverride(L"dll_probe.exe", {L"msi", L"urlmon", L"cabinet"});
    PlantingOverride versionOverride(L"version_probe.exe", {L"version"});
    ASSERT_TRUE(probeOverride.IsSet() && versionOverride.IsSet());
    TestSupport::LocalHttpServer server;
    server.Add("/probe.txt", TestSupport::HttpRoute{200, "probe bytes", 1, 0});
    for (const ProbeCase& probe : cases) {
        SCOPED_TRACE(Kestlib::WideToAnsi(std::wstring(probe.program) + L" " + probe.arguments));
        PlantedFolder folder(probe.program);
        ASSERT_TRUE(folder.IsReady());
        const bool download = probe.program == std::wstring(L"dll_probe.exe") &&
                              std::wstring(probe.arguments).find(L"product") != std::wstring::npos;
        const std::wstring arguments = std::wstring(probe.arguments) + (download ? L" " + server.Url("/probe.txt") : L"");
        EXPECT_EQ(folder.Run(arguments), 0u) << TestSupport::ReadTextFile(folder / L"probe-error.txt");
        EXPECT_EQ(Describe(folder.LoadedPlants()), Describe(probe.loaded));
        if (download) {
            EXPECT_EQ(TestSupport::ReadTextFile(folder / L"downloaded.txt"), "probe bytes");
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
