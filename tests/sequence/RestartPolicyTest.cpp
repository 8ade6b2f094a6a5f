#include <gtest/gtest.h>

#include <string>

#include "base/InstallUILevel.h"
#include "base/InstallerCommandLineInfo.h"
#include "components/Component.h"
#include "config/InstallConfiguration.h"
#include "sequence/RestartPolicy.h"
#include "tests/base/LogCapture.h"

namespace {

// A component that has ended and asks for a restart, or has started one itself.
class Asking : public Component {
public:
    Asking(const wchar_t* name, bool asks, bool started) : Component(ComponentTypeMsi), m_started(started) {
        description = name;
        mustreboot = asks;
    }
    void Exec() override {}
    bool IsExecuting() const override { return false; }
    unsigned long GetExitCode() const override { return m_started ? 1641 : 0; }
    bool IsRebootRequired() const override { return mustreboot || m_started; }
    bool HasStartedRestart() const override { return m_started; }

private:
    bool m_started;
};

class RestartPolicyTest : public ::testing::Test {
protected:
    void SetUp() override { InstallUILevel::Instance().SetCommandLineUILevel(UiLevelSilent); }
    void TearDown() override {
        InstallerCommandLineInfo::Release();
        InstallUILevel::Release();
    }
};

// At the silent level every question takes its default answer, Yes.
TEST_F(RestartPolicyTest, DecidesWhatARestartRequestLeadsTo) {
    struct Case {
        const char* name;
        bool noRestart;
        bool asks, started;
        bool goesOn, requested, leftToCaller;
        const char* line;  // logged for the component; null: nothing about restarts
    } cases[] = {
        {"no request", false, false, false, true, false, false, nullptr},
        {"a request, accepted", false, true, false, false, true, false, "--- Component 'Second: CAUSED A REBOOT"},
        {"a request under /norestart", true, true, false, true, false, true,
         "--- Component 'Second': REBOOT SUPPRESSED (/norestart)"},
        {"a restart the package started", false, false, true, false, true, false,
         "--- Component 'Second': STARTED A RESTART ITSELF"},
        {"a restart the package started under /norestart", true, false, true, true, false, true,
         "--- Component 'Second': STARTED A RESTART ITSELF"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        InstallerCommandLineInfo::Release();
        InstallerCommandLineInfo::Instance().noRestart = c.noRestart;
        InstallConfiguration configuration;
        configuration.components.push_back(ComponentPtr(new Asking(L"First", false, false)));
        configuration.components.push_back(ComponentPtr(new Asking(L"Second", c.asks, c.started)));
        RestartPolicy policy(1);
        LogCapture log;
        EXPECT_EQ(policy.OnComplete(&configuration, *configuration.components[1]), c.goesOn);
        EXPECT_EQ(policy.IsRestartRequested(), c.requested);
        EXPECT_EQ(policy.IsRestartLeftToCaller(), c.leftToCaller);
        EXPECT_EQ(policy.IsRestartStartedByPackage(), c.started && !c.noRestart);
        EXPECT_EQ(log.HasLine("--- Component 'Second: REQUESTS REBOOT"), c.line != nullptr);
        if (c.line) {
            EXPECT_TRUE(log.HasLine(c.line)) << log.Text();
        }
        // Nobody is asked about a restart already under way.
        EXPECT_EQ(log.Text().find("REQUIRES REBOOT"), std::string::npos);
        EXPECT_EQ(policy.LoopRefusal(), L"");
    }
}

}  // namespace
