// A running suite application stops the setup before the language selector
// opens. Serial: while its window exists, every selector of the prefix would stop.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "lib/Handles.h"
#include "tests/e2e/SetupDocuments.h"
#include "tests/support/SetupRun.h"

using namespace E2e;
using TestSupport::RunSetup;

namespace {

// A Gridwell frame window for as long as the object lives.
class GridwellWindow {
public:
    GridwellWindow() {
        const std::wstring ready = L"bwtest-gridwell-" + std::to_wstring(::GetCurrentProcessId());
        Kestlib::KernelHandle event(::CreateEventW(nullptr, TRUE, FALSE, ready.c_str()));
        const std::wstring program = TestSupport::BinDirectory() + L"gridwell_window.exe";
        std::wstring command = L"\"" + program + L"\" " + ready + L" " + std::to_wstring(::GetCurrentProcessId());
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION started = {};
        if (!::CreateProcessW(program.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                              &started))
            return;
        ::CloseHandle(started.hThread);
        m_process.Reset(started.hProcess);
        HANDLE waited[] = {event.Get(), m_process.Get()};
        m_ready = ::WaitForMultipleObjects(2, waited, FALSE, 20000) == WAIT_OBJECT_0;
    }
    ~GridwellWindow() {
        if (!m_process) return;
        ::TerminateProcess(m_process.Get(), 0);
        ::WaitForSingleObject(m_process.Get(), 5000);
    }
    bool Ready() const { return m_ready; }

private:
    Kestlib::ProcessHandle m_process;
    bool m_ready = false;
};

TEST(SuiteApplication, ARunningGridwellIsNamedInTheUsersLanguageAndTheSetupEndsWithZero) {
    Scenario run;
    const std::wstring title = L"Choose Language " + std::to_wstring(::GetCurrentProcessId());
    const std::wstring setup = TestSupport::PackageSetup(
        run.folder.Path(),
        Document(Install("language=\"English\" language_id=\"1033\"",
                         MarkerComponent("Marker", run.folder / L"marker.txt")),
                 "ui_level=\"silent\" show_language_selector=\"true\" language_selector_title=\"" + Xml(title) +
                     "\""));
    GridwellWindow gridwell;
    ASSERT_TRUE(gridwell.Ready());

    TestSupport::SetupOptions options = run.Options(L"");
    options.unixLocale = L"de_DE.UTF-8";
    TestSupport::SetupProcess selector(setup, options);
    HWND box = TestSupport::FindProcessDialog(selector.Id());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(TestSupport::MessageBoxText(box), L"Bitte verlassen Sie vorher Gridwell");
    TestSupport::Press(box, IDOK);
    EXPECT_EQ(selector.Wait(), 0u);
    const auto log = run.Log();
    EXPECT_FALSE(TestSupport::HasMessageStartingWith(log, "Opening language selector dialog")) << run.Dump();
    EXPECT_FALSE(TestSupport::HasMessageStartingWith(log, "Bootwright finished")) << run.Dump();
    EXPECT_FALSE(FileExists(run.folder / L"marker.txt"));

    // Without the selector there is no check either.
    EXPECT_EQ(RunSetup(setup, run.Options(L"/q")), 0u);
    EXPECT_TRUE(FileExists(run.folder / L"marker.txt")) << run.Dump();
}

}  // namespace
