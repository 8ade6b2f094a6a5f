#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <type_traits>

#include "base/ThreadComponent.h"
#include "lib/Handles.h"
#include "tests/base/LogCapture.h"
#include "tests/support/Expect.h"

namespace {

// A job whose work the test supplies.
class ScriptedJob : public ThreadComponent {
public:
    explicit ScriptedJob(std::function<int()> work) : m_work(std::move(work)) {}

protected:
    int ExecOnThread() override { return m_work(); }

private:
    std::function<int()> m_work;
};

// However a job class is derived, only the joining holder makes an object of it.
static_assert(std::is_abstract<ScriptedJob>::value && !std::is_abstract<JoinedJob<ScriptedJob>>::value,
              "a job can be held without being joined");

struct Outcome {
    const char* name;
    std::function<int()> work;
    int exitCode;
    // Empty: WaitAndRethrow returns.
    std::string rethrown;
    // Empty: no line expected.
    std::string logged;
};

TEST(ThreadComponent, OutcomesReachTheCallersThread) {
    const Outcome outcomes[] = {
        {"success", [] { return 0; }, 0, "", ""},
        {"standard exception", []() -> int { throw std::runtime_error("disk full"); }, -1, "disk full",
         "The following error was caught in ThreadComponent::ExecuteThread(): disk full"},
        {"exit code", [] { return 1603; }, 1603, "Component failed with error code: 1603", ""},
        {"negative exit code", [] { return -2; }, -2, "Component failed with error code: -2", ""},
        {"unknown exception", []() -> int { throw 42; }, -1, "Component failed with error code: -1",
         "An unknown error was caught in ThreadComponent::ExecuteThread()"},
    };
    for (const Outcome& outcome : outcomes) {
        SCOPED_TRACE(outcome.name);
        LogCapture log;
        JoinedJob<ScriptedJob> job(outcome.work);
        job.Start();
        if (outcome.rethrown.empty()) {
            EXPECT_NO_THROW(job.WaitAndRethrow());
        } else {
            EXPECT_THROW_MESSAGE(job.WaitAndRethrow(), outcome.rethrown);
        }
        EXPECT_EQ(job.GetExitCode(), outcome.exitCode);
        EXPECT_FALSE(job.IsExecuting());
        if (!outcome.logged.empty()) {
            EXPECT_TRUE(log.HasLine(outcome.logged)) << log.Text();
        }
    }
}

TEST(ThreadComponent, AJobNeverStartedIsIdle) {
    JoinedJob<ScriptedJob> job([] { return 5; });
    EXPECT_FALSE(job.IsExecuting());
    job.Join();
    EXPECT_NO_THROW(job.WaitAndRethrow());
    EXPECT_EQ(job.GetExitCode(), 0);
}

TEST(ThreadComponent, RunsOnItsOwnThreadUntilItsWorkEnds) {
    Kestlib::KernelHandle release(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(release);
    const DWORD caller = ::GetCurrentThreadId();
    DWORD worker = caller;
    JoinedJob<ScriptedJob> job([&] {
        worker = ::GetCurrentThreadId();
        ::WaitForSingleObject(release.Get(), INFINITE);
        return 0;
    });
    job.Start();
    EXPECT_TRUE(job.IsExecuting());
    ::SetEvent(release.Get());
    job.WaitAndRethrow();
    EXPECT_FALSE(job.IsExecuting());
    EXPECT_NE(worker, caller);
}

TEST(ThreadComponent, ARestartForgetsTheEarlierOutcome) {
    int runs = 0;
    JoinedJob<ScriptedJob> job([&]() -> int {
        if (++runs == 1) throw std::runtime_error("first run fails");
        return 0;
    });
    job.Start();
    EXPECT_THROW_MESSAGE(job.WaitAndRethrow(), "first run fails");
    job.Start();
    EXPECT_NO_THROW(job.WaitAndRethrow());
    EXPECT_EQ(runs, 2);
    EXPECT_TRUE(job.GetError().empty());
    EXPECT_EQ(job.GetExitCode(), 0);
}

}  // namespace
