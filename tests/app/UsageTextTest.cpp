#include <gtest/gtest.h>

#include "app/UsageText.h"
#include "lib/StringUtils.h"

namespace {

const wchar_t* const OptionsAndVersion =
    L"\n"
    L" /? or /help : this help screen\n"
    L" /q : force silent (no UI) mode\n"
    L" /qb : force basic UI mode\n"
    L" /nq : force full UI mode\n"
    L" /Log : enable logging\n"
    L" /LogFile [path] : specify log file\n"
    L" /ConfigFile [path] : specify configuration file\n"
    L" /ExtractCab: extract embedded components\n"
    L" /DisplayCab: display a list of embedded components\n"
    L" /DisplayConfig: display a list of configurations\n"
    L" /ComponentArgs [\"name\":\"value\" ...] : additional component args\n"
    L" /CompleteCommandArgs [args] : additional complete command\n"
    L" /Launcher [path] : alternate launcher on reboot\n"
    L" /LauncherArgs [args] : additional launcher args on reboot\n"
    L" /norestart : never restart; exit code 3010 when a restart is needed\n"
    L" /ResultFile [path] : write the run's outcome as JSON\n"
    L"\n"
    L"Built by Bootwright (BWT), version 1.7.29433.0";

TEST(UsageText, IsExactAndNamedAfterTheProgramFile) {
    EXPECT_EQ(UsageText(L"C:\\Program Files\\Setup Dir\\setup.exe"),
              std::wstring(L"Usage: setup.exe [args]\n") + OptionsAndVersion);
}

TEST(UsageText, ProgramNameIsThePartAfterTheLastSeparator) {
    EXPECT_TRUE(Kestlib::StartsWith(UsageText(L"/opt/tools/run.exe"), L"Usage: run.exe [args]\n\n"));
    EXPECT_TRUE(Kestlib::StartsWith(UsageText(L"plain.exe"), L"Usage: plain.exe [args]\n\n"));
    // A backslash is looked for first.
    EXPECT_TRUE(Kestlib::StartsWith(UsageText(L"C:\\a/b.exe"), L"Usage: a/b.exe [args]\n\n"));
}

TEST(UsageText, OfThisProgramUsesItsOwnFileName) {
    EXPECT_EQ(UsageText(), std::wstring(L"Usage: test_app.exe [args]\n") + OptionsAndVersion);
}

}  // namespace
