#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>

#include "app/StartupErrors.h"
#include "base/InstallUILevel.h"
#include "base/InstallerLog.h"
#include "tests/base/LogCapture.h"

namespace {

TEST(StartupErrors, EachHandlerFailsTheRunWithItsOwnLogLine) {
    InstallUILevel::Instance().SetCommandLineUILevel(UiLevelSilent);
    struct Case {
        const char* name;
        std::function<void()> steps;
        bool succeeded;
        const char* line;  // empty: the run logs nothing
    } cases[] = {
        {"nothing escapes", [] {}, true, ""},
        // The log held by another instance: only the (here silent) message.
        {"log held", [] { throw Kestlib::LogFileWriteException("setup.log", ERROR_SHARING_VIOLATION); }, false, ""},
        {"standard exception", [] { throw std::runtime_error("No configuration found"); }, false,
         "The following error occured: No configuration found"},
        // Not a standard exception: a failure all the same, not the return code reached so far.
        {"anything else", [] { throw 42; }, false, "A error occured!"},
    };
    for (const Case& c : cases) {
        LogCapture log;
        EXPECT_EQ(RunStartupSteps(c.steps), c.succeeded) << c.name;
        if (*c.line)
            EXPECT_TRUE(log.HasLine(c.line)) << c.name << ": " << log.Text();
        else
            EXPECT_EQ(log.Text(), "") << c.name;
    }
    InstallUILevel::Release();
}

}  // namespace
