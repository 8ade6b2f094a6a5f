#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "app/CBootwrightApp.h"
#include "base/InstallerLog.h"
#include "lib/TextConversion.h"
#include "tests/base/LogCapture.h"
#include "tests/support/ResultFiles.h"
#include "tests/support/TestEnvironment.h"

namespace {

// A run that only shows the usage text (nothing at the silent level) and
// writes its result file: in a folder made for it, over an older file, or not
// at all where a folder stands in the way, which then fails the run.
TEST(ResultFile, WrittenWholeAtTheEndOrTheRunFails) {
    TestSupport::TempFolder folder;
    TestSupport::WriteTextFile(folder / L"old.json", "older result");
    ::CreateDirectoryW((folder / L"taken.json").c_str(), nullptr);
    const struct {
        std::wstring path;
        int code;
    } cases[] = {
        {folder / L"made\\result.json", 0},
        {folder / L"old.json", 0},
        {folder / L"taken.json", -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Kestlib::WideToAnsi(c.path));
        LogCapture log;
        const std::wstring logPath = InstallerLog::Instance().GetPath();
        const std::wstring path = c.path;
        const int result = CBootwrightApp().Run([&] {
            return std::vector<std::wstring>{L"/q", L"/?", L"/LogFile", logPath, L"/ResultFile", path};
        });
        InstallerLog::Instance().SetPath(logPath);
        EXPECT_EQ(result, c.code);
        const std::string text = c.code == 0 ? TestSupport::ReadResultFile(path) : "\"exitCode\": 0,";
        EXPECT_EQ(TestSupport::ResultField(text, "exitCode"), "0") << text;
        EXPECT_EQ(log.Text().find("*** Failed to write the result file: ") != std::string::npos, c.code != 0)
            << log.Text();
        // Nothing is left under a temporary name.
        WIN32_FIND_DATAW found;
        const HANDLE search = ::FindFirstFileW((path + L".*.tmp").c_str(), &found);
        EXPECT_EQ(search, INVALID_HANDLE_VALUE);
        if (search != INVALID_HANDLE_VALUE) ::FindClose(search);
    }
}

}  // namespace
