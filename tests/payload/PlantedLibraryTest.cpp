#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/TestEnvironment.h"

namespace {

const wchar_t kProbeOverrides[] = L"Software\\Wine\\AppDefaults\\cab_probe.exe\\DllOverrides";

// Makes Wine load a Cabinet.dll found beside the probe first, as Windows
// does; Wine's own setting for that one program name, in this test's prefix.
// (The WINEDLLOVERRIDES variable does not reach a child started from here.)
class PlantingOverride {
public:
    PlantingOverride() {
        HKEY key = nullptr;
        if (::RegCreateKeyExW(HKEY_CURRENT_USER, kProbeOverrides, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                              nullptr) != ERROR_SUCCESS)
            return;
        const wchar_t value[] = L"native,builtin";
        m_set = ::RegSetValueExW(key, L"cabinet", 0, REG_SZ, reinterpret_cast<const BYTE*>(value), sizeof(value)) ==
                ERROR_SUCCESS;
        ::RegCloseKey(key);
    }
    ~PlantingOverride() { ::RegDeleteKeyW(HKEY_CURRENT_USER, kProbeOverrides); }
    bool IsSet() const { return m_set; }

private:
    bool m_set = false;
};

std::vector<wchar_t> PlantingEnvironment(const std::wstring& mark) {
    std::vector<wchar_t> block;
    wchar_t* own = ::GetEnvironmentStringsW();
    for (const wchar_t* entry = own; *entry != L'\0'; entry += std::wcslen(entry) + 1) {
        std::wstring text = entry;
        if (text.compare(0, 22, L"BOOTWRIGHT_PLANT_MARK=") == 0) continue;
        block.insert(block.end(), text.begin(), text.end());
        block.push_back(L'\0');
    }
    ::FreeEnvironmentStringsW(own);
    std::wstring text = L"BOOTWRIGHT_PLANT_MARK=" + mark;
    block.insert(block.end(), text.begin(), text.end());
    block.push_back(L'\0');
    block.push_back(L'\0');
    return block;
}

DWORD RunProbe(const std::wstring& folder, const std::wstring& mode, const std::wstring& mark) {
    std::wstring program = folder + L"\\cab_probe.exe";
    std::wstring command = L"\"" + program + L"\" " + mode;
    std::vector<wchar_t> environment = PlantingEnvironment(mark);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!::CreateProcessW(program.c_str(), &command[0], nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
                          environment.data(), folder.c_str(), &startup, &process))
        return 0xFFFFFFFF;
    ::WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0xFFFFFFFF;
    ::GetExitCodeProcess(process.hProcess, &code);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return code;
}

}  // namespace

// A Cabinet.dll beside the program is never loaded; a bare load would take it.
TEST(PlantedLibrary, CabinetDllComesFromTheSystemFolderOnly) {
    TestSupport::TempFolder folder;
    ASSERT_TRUE(::CopyFileW((TestSupport::BinDirectory() + L"cab_probe.exe").c_str(),
                            (folder / L"cab_probe.exe").c_str(), FALSE));
    ASSERT_TRUE(::CopyFileW((TestSupport::BinDirectory() + L"planted\\cabinet.dll").c_str(),
                            (folder / L"cabinet.dll").c_str(), FALSE));

    PlantingOverride override;
    ASSERT_TRUE(override.IsSet());
    std::wstring control = folder / L"control.mark";
    EXPECT_EQ(RunProbe(folder.Path(), L"plain", control), 0u);
    ASSERT_FALSE(TestSupport::ReadTextFile(control).empty()) << "the planted library is not picked up at all";

    std::wstring mark = folder / L"extract.mark";
    EXPECT_EQ(RunProbe(folder.Path(), L"extract", mark), 0u);
    EXPECT_TRUE(TestSupport::ReadTextFile(mark).empty());
}
