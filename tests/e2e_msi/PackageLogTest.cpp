// With /LogFile each Windows Installer package writes a verbose log of its own
// beside the main log, and each update package a wusa log, unless the
// document's parameters name one; the main log names each. With /ResultFile
// the run's outcome is written as JSON for the caller.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "tests/e2e/SetupDocuments.h"
#include "tests/support/ResultFiles.h"
#include "tests/support/SetupRun.h"

using namespace E2e;
using TestSupport::Ansi;
using TestSupport::HasMessage;
using TestSupport::ResultField;

namespace {

std::string Package(const std::string& type, const std::string& description, const std::string& parameters,
                    const std::wstring& source, const std::string& target) {
    return "    <component type=\"" + type + "\" description=\"" + Xml(description) + "\" package=\"#CABPATH\\" +
           target + "\" cmdparameters=\"" + Xml(parameters) + "\">\n      <embedfile sourcefilepath=\"" +
           Xml(source) + "\" targetfilepath=\"" + target + "\"/>\n    </component>\n";
}

// A path as a JSON string.
std::string Quoted(const std::wstring& path) {
    std::string text = "\"";
    for (char c : Utf8(path)) text += c == '\\' ? std::string("\\\\") : std::string(1, c);
    return text + "\"";
}

TEST(PackageLogs, AFailingPackageLeavesItsVerboseLogWhereTheMainLogSays) {
    Scenario run;
    const std::wstring refused = TestSupport::BinDirectory() + L"testdata\\refused-1.0.0.msi";
    TestSupport::WriteTextFile(run.folder / L"update.msu", "not an update package");
    // A description with characters a file name cannot hold and JSON escapes.
    const std::string description = "Refused \"package\" 1\\2";
    const std::wstring own = run.folder / L"own.log";
    TestSupport::WriteTextFile(run.folder / L"installed.txt", "there");
    const std::string components =
        MarkerComponent("Installed", run.folder / L"installed.txt") +
        Package("msi", description, "/qn", refused, "refused.msi") +
        Package("msu", "Update", "/quiet", run.folder / L"update.msu", "update.msu") +
        Package("msi", "Own log", "/qn /L*V \"" + Utf8(own) + "\"", refused, "own.msi") +
        MarkerComponent("Tools", run.folder / L"tools.txt");
    const std::wstring setup = TestSupport::PackageSetup(run.folder.Path(), Document(Install("", components)));
    const std::wstring result = run.folder / L"out\\result.json";
    EXPECT_EQ(TestSupport::RunSetup(setup, run.Options(L"/q /ResultFile \"" + result + L"\""), 120000), 1603u)
        << run.Dump();

    const auto log = run.Log();
    const std::wstring packageLog = run.folder / L"setup.1.2.Refused _package_ 1_2.log";
    const std::wstring updateLog = run.folder / L"setup.1.3.Update.evtx";
    EXPECT_TRUE(HasMessage(log, "-- Package log: " + Ansi(packageLog))) << run.Dump();
    EXPECT_TRUE(HasMessage(log, "-- Package log: " + Ansi(updateLog)));
    EXPECT_EQ(TestSupport::CountMessages(log, "-- Package log: " + Ansi(packageLog)), 1u);
    bool msi = false, msu = false, ownLog = false;
    for (const std::string& message : log) {
        msi = msi || (message.rfind("Executing: msiexec /I \"", 0) == 0 &&
                      message.find("\\refused.msi\" /qn /l*v \"" + Ansi(packageLog) + "\"") != std::string::npos);
        msu = msu || (message.rfind("Executing: wusa.exe \"", 0) == 0 &&
                      message.find("\\update.msu\" /quiet /log:\"" + Ansi(updateLog) + "\"") != std::string::npos);
        // A log the document names stays the only one.
        ownLog = ownLog || (message.rfind("Executing: msiexec /I \"", 0) == 0 &&
                            message.size() > Ansi(own).size() &&
                            message.compare(message.size() - Ansi(own).size() - 1, std::string::npos,
                                            Ansi(own) + "\"") == 0);
    }
    EXPECT_TRUE(msi && msu && ownLog) << run.Dump();
    EXPECT_EQ(log.back(), "Bootwright finished, return code=1603");

    // The verbose log shows the launch conditions as the last action, the one
    // that ended the installation (Windows writes "Return value 3" for it).
    const std::string verbose = TestSupport::ReadTextFile(packageLog);
    const size_t failed = verbose.rfind(": LaunchConditions. Return value ");
    ASSERT_NE(failed, std::string::npos) << verbose.substr(0, 2000);
    const size_t ended = verbose.find(": INSTALL. Return value ", failed);
    EXPECT_NE(ended, std::string::npos);
    EXPECT_GT(verbose.find("Action start", failed), ended);
    EXPECT_NE(TestSupport::ReadTextFile(own).find(": LaunchConditions. Return value "), std::string::npos);

    const std::string json = TestSupport::ReadResultFile(result);
    EXPECT_EQ(ResultField(json, "exitCode"), "1603") << json;
    EXPECT_EQ(ResultField(json, "restartRequired"), "false");
    const std::string escaped = "Refused \\\"package\\\" 1\\\\2";
    const struct {
        const char* component;
        const char* field;
        std::string value;
    } fields[] = {
        {"Installed", "installedBefore", "true"},
        {"Installed", "outcome", "\"skipped\""},
        {"Installed", "exitCode", "null"},
        {"Installed", "durationMs", "null"},
        {escaped.c_str(), "kind", "\"msi\""},
        {escaped.c_str(), "installedBefore", "false"},
        {escaped.c_str(), "outcome", "\"failed\""},
        {escaped.c_str(), "exitCode", "1603"},
        {escaped.c_str(), "packageLog", Quoted(packageLog)},
        {"Update", "kind", "\"msu\""},
        {"Update", "outcome", "\"failed\""},
        {"Update", "packageLog", Quoted(updateLog)},
        {"Own log", "packageLog", "null"},
        {"Tools", "kind", "\"cmd\""},
        {"Tools", "outcome", "\"succeeded\""},
        {"Tools", "exitCode", "0"},
        {"Tools", "packageLog", "null"},
    };
    for (const auto& field : fields)
        EXPECT_EQ(ResultField(json, field.field, field.component), field.value) << field.component << " " << field.field;
}

}  // namespace
