#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/CBootwrightApp.h"
#include "app/StartupErrors.h"
#include "base/ApplicationTitle.h"
#include "base/InstallUILevel.h"
#include "base/InstallerLog.h"
#include "base/TimedMessageBox.h"
#include "tests/base/LogCapture.h"

namespace {

void ThrowLogHeld() { throw Kestlib::LogFileWriteException("setup.log", ERROR_SHARING_VIOLATION); }

// A window that no longer exists: a box it should own cannot be created.
HWND GoneWindow() {
    HWND window = ::CreateWindowW(L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    ::DestroyWindow(window);
    return window;
}

TEST(StartupErrors, EachHandlerFailsTheRunWithItsOwnLogLine) {
    const HWND gone = GoneWindow();
    // What the "box failing" case relies on: at the basic level such a box throws.
    InstallUILevel::Instance().SetCommandLineUILevel(UiLevelBasic);
    ApplicationTitle::Instance().SetMainWindow(gone);
    EXPECT_ANY_THROW(ShowTimedMessageBox(L"Owned by a window that is gone", MB_OK, IDOK));
    struct Case {
        const char* name;
        int level;
        HWND owner;
        std::function<void()> steps;
        bool succeeded;
        const char* line;  // empty: the run logs nothing
    } cases[] = {
        {"nothing escapes", UiLevelSilent, nullptr, [] {}, true, ""},
        // The log held by another instance: only the (here silent) message.
        {"log held", UiLevelSilent, nullptr, &ThrowLogHeld, false, ""},
        // Its box failing inside the handler ends the run the same way.
        {"log held, box failing", UiLevelBasic, gone, &ThrowLogHeld, false, ""},
        {"standard exception", UiLevelSilent, nullptr, [] { throw std::runtime_error("No configuration found"); },
         false, "The following error occured: No configuration found"},
        // Not a standard exception: a failure all the same, not the return code reached so far.
        {"anything else", UiLevelSilent, nullptr, [] { throw 42; }, false, "A error occured!"},
    };
    for (const Case& c : cases) {
        InstallUILevel::Instance().SetCommandLineUILevel(c.level);
        ApplicationTitle::Instance().SetMainWindow(c.owner);
        LogCapture log;
        EXPECT_EQ(RunStartupSteps(c.steps), c.succeeded) << c.name;
        if (*c.line)
            EXPECT_TRUE(log.HasLine(c.line)) << c.name << ": " << log.Text();
        else
            EXPECT_EQ(log.Text(), "") << c.name;
    }
    ApplicationTitle::Release();
    InstallUILevel::Release();
}

// Reading the command line is one of the steps: its failure is the run's,
// logged and ending with -1.
TEST(StartupErrors, ACommandLineThatCannotBeReadEndsTheRunWithMinusOne) {
    LogCapture log;
    const std::wstring path = InstallerLog::Instance().GetPath();
    const int result = CBootwrightApp().Run([]() -> std::vector<std::wstring> {
        throw std::runtime_error("CommandLineToArgvW failed");
    });
    // The run released the process's log; this one is read from the same file.
    InstallerLog::Instance().SetPath(path);
    EXPECT_EQ(result, -1);
    EXPECT_TRUE(log.HasLine("The following error occured: CommandLineToArgvW failed")) << log.Text();
    EXPECT_EQ(log.Text().find("Bootwright finished"), std::string::npos) << log.Text();
}

}  // namespace
