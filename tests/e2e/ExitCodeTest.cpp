// The exit codes a caller can get, one real run for each row of the table in
// docs/command-line.md and the README.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "tests/e2e/SetupDocuments.h"
#include "tests/support/ResultFiles.h"
#include "tests/support/SetupRun.h"
#include "ui/resource.h"

using namespace E2e;
using TestSupport::HasMessage;

namespace {

template <typename Condition>
bool Poll(DWORD milliseconds, Condition condition) {
    for (DWORD waited = 0; waited < milliseconds; waited += 50) {
        if (condition()) return true;
        ::Sleep(50);
    }
    return condition();
}

std::string Failing(const std::string& description, int code) {
    return "    <component type=\"cmd\" description=\"" + description + "\" command=\"" +
           Xml("\"" + Utf8(TestSupport::BinDirectory()) + "proc_exitcode.exe\" " + std::to_string(code)) + "\"/>\n";
}

// Asks for a restart and still reads as not installed afterwards.
std::string Pending(const Scenario& run) {
    return "    <component type=\"cmd\" description=\"Pending\" command=\"cmd.exe /c exit 0\" mustreboot=\"true\">\n"
           "      <installedcheck type=\"check_file\" filename=\"" + Xml(run.folder / L"never.txt") + "\"/>\n"
           "    </component>\n";
}

std::wstring Caption() { return L"Exit codes " + std::to_wstring(::GetCurrentProcessId()); }

// The user presses Install, waits for the run to end and cancels.
void InstallThenCancel(TestSupport::SetupProcess& process, const Scenario& run) {
    HWND dialog = TestSupport::FindProcessDialog(process.Id(), Caption());
    ASSERT_NE(dialog, nullptr);
    TestSupport::Press(dialog, IDC_INSTALL);
    ASSERT_TRUE(Poll(30000, [&] { return HasMessage(run.Log(), "*** Component 'Pending': SUCCESS"); })) << run.Dump();
    ASSERT_TRUE(Poll(10000, [&] { return ::IsWindowEnabled(::GetDlgItem(dialog, IDCANCEL)) != FALSE; }));
    TestSupport::Press(dialog, IDCANCEL);
}

void CancelAtOnce(TestSupport::SetupProcess& process, const Scenario&) {
    HWND dialog = TestSupport::FindProcessDialog(process.Id(), Caption());
    ASSERT_NE(dialog, nullptr);
    TestSupport::Press(dialog, IDCANCEL);
}

TEST(ExitCodes, EachCodeOfTheTableComesFromARealRun) {
    struct Row {
        int code;
        const char* meaning;
        const wchar_t* arguments;
        std::string (*document)(const Scenario& run);
        void (*user)(TestSupport::SetupProcess& process, const Scenario& run);
        const char* line;  // a log line the run must have written
        // In the result file: whether a restart is needed, and the outcome of
        // the first component (null: there is none).
        const char* restart;
        const char* outcome;
    } rows[] = {
        {0, "every component succeeded", L"/q",
         [](const Scenario& run) { return Install("", MarkerComponent("Marker", run.folder / L"marker.txt")); },
         nullptr, "*** Component 'Marker': SUCCESS", "false", "\"succeeded\""},
        {0, "nothing to install", L"/q",
         [](const Scenario& run) {
             TestSupport::WriteTextFile(run.folder / L"marker.txt", "there");
             return Install("", MarkerComponent("Marker", run.folder / L"marker.txt"));
         },
         nullptr, "-- Marker: INSTALLED", "false", "\"skipped\""},
        {-1, "an error: a configuration file that is not there", L"/q /ConfigFile missing.xml",
         [](const Scenario&) { return Install("", std::string()); }, nullptr,
         "The following error occured: Missing 'missing.xml'", "false", nullptr},
        {-2, "cancelled, even after a restart was left to the caller", L"/norestart",
         [](const Scenario& run) {
             return Install("auto_close_if_installed=\"false\" dialog_caption=\"" + Xml(Caption()) + "\"",
                            Pending(run));
         },
         InstallThenCancel, "--- Component 'Pending': REBOOT SUPPRESSED (/norestart)", "true", "\"succeeded\""},
        {-2, "cancelled before anything ran", L"",
         [](const Scenario& run) {
             return Install("dialog_caption=\"" + Xml(Caption()) + "\"", MarkerComponent("Marker", run.folder / L"marker.txt"));
         },
         CancelAtOnce, "-- Marker: NOT INSTALLED", "false", "\"cancelled\""},
        {1603, "the first failing component's own code", L"/q",
         [](const Scenario& run) {
             return Install("", Failing("Broken", 1603) + Failing("Also broken", 5) +
                                    MarkerComponent("Marker", run.folder / L"marker.txt"));
         },
         nullptr, "*** Component 'Marker': SUCCESS", "false", "\"failed\""},
        {3010, "a restart is needed, left to the caller", L"/q /norestart",
         [](const Scenario& run) { return Install("", Pending(run)); }, nullptr,
         "--- Component 'Pending': REBOOT SUPPRESSED (/norestart)", "true", "\"succeeded\""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.code) + ": " + row.meaning);
        Scenario run;
        const std::wstring setup = TestSupport::PackageSetup(run.folder.Path(), Document(row.document(run)));
        const std::wstring result = run.folder / L"result.json";
        TestSupport::SetupProcess process(
            setup, run.Options(std::wstring(row.arguments) + (*row.arguments ? L" " : L"") + L"/ResultFile \"" + result + L"\""));
        if (row.user) row.user(process, run);
        EXPECT_EQ(process.Wait(), static_cast<DWORD>(row.code)) << run.Dump();
        const auto log = run.Log();
        EXPECT_TRUE(HasMessage(log, row.line)) << run.Dump();
        // A run that failed writes no finished line; every other one names its code.
        if (row.code == -1) {
            EXPECT_FALSE(TestSupport::HasMessageStartingWith(log, "Bootwright finished")) << run.Dump();
        } else {
            EXPECT_EQ(log.back(), "Bootwright finished, return code=" + std::to_string(row.code)) << run.Dump();
        }
        // Every end of a run leaves its result file.
        const std::string json = TestSupport::ReadResultFile(result);
        EXPECT_EQ(TestSupport::ResultField(json, "exitCode"), std::to_string(row.code)) << json;
        EXPECT_EQ(TestSupport::ResultField(json, "restartRequired"), row.restart);
        if (row.outcome) {
            const size_t first = json.find("\"outcome\": ");
            EXPECT_EQ(json.substr(first + 11, json.find(',', first) - first - 11), row.outcome) << json;
        } else {
            EXPECT_NE(json.find("\"components\": []"), std::string::npos) << json;
        }
    }
}

}  // namespace
