#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <string>

#include "components/Component.h"
#include "config/InstallConfiguration.h"
#include "lib/StringUtils.h"
#include "payload/ExtractCabProcessor.h"
#include "tests/base/LogCapture.h"
#include "tests/support/Expect.h"
#include "tests/ui/DialogDriver.h"
#include "ui/ExtractCabDlg.h"
#include "ui/InstallComponentDlg.h"
#include "ui/resource.h"

std::wstring UniqueTitle(const std::wstring& base) {
    return base + L" " + std::to_wstring(::GetCurrentProcessId()) + L"." + std::to_wstring(::GetTickCount());
}

namespace {

// Signals between the test and a job: the job waits until the test lets it go on.
class Gate {
public:
    Gate() : m_event(::CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}
    ~Gate() { ::CloseHandle(m_event); }
    void Open() { ::SetEvent(m_event); }
    bool Pass() { return ::WaitForSingleObject(m_event, DialogDriver::kPatienceMs) == WAIT_OBJECT_0; }

private:
    HANDLE m_event;
};

// An extraction that reports one segment when told to, then ends when told to.
class ScriptedExtraction : public ExtractCabProcessor {
public:
    ScriptedExtraction() : ExtractCabProcessor(::GetModuleHandleW(nullptr)) {}
    Gate report;
    Gate finish;

protected:
    int ExecOnThread() override {
        report.Pass();
        OnStatus(L"Setup.cab - 25%");
        finish.Pass();
        return 0;
    }
};

void SetTexts(InstallConfiguration& configuration, const std::wstring& caption) {
    configuration.cab_dialog_caption = caption;
    configuration.cab_dialog_message = L"Extracting %s";
    configuration.installing_component_wait = L"Installing %s. Please wait...";
}

TEST(ExtractCabDlgTest, ShowsTheTextsFollowsTheJobAndClosesWhenItEnds) {
    const std::wstring caption = UniqueTitle(L"Setup & Extract");
    InstallConfiguration configuration;
    SetTexts(configuration, caption);
    ScriptedExtraction job;
    ExtractCabDlg watching(&configuration, &job);
    job.Start();
    std::atomic<bool> stayed{false};
    std::atomic<bool> busyHidden{false};
    std::wstring headline, status, updated;
    {
        DialogDriver user([&] {
            HWND window = DialogDriver::FindDialog(caption);
            if (!window) return job.finish.Open();
            DialogDriver::WaitFor([&] { return !DialogDriver::Text(window, IDC_PROGRESS_STATUS).empty(); });
            headline = DialogDriver::Text(window, IDC_PROGRESS_HEADLINE);
            status = DialogDriver::Text(window, IDC_PROGRESS_STATUS);
            busyHidden = !::IsWindowVisible(::GetDlgItem(window, IDC_PROGRESS_BUSY));
            // Escape and Enter do nothing: the user cannot stop an extraction.
            ::SendMessageW(window, WM_COMMAND, IDCANCEL, 0);
            ::SendMessageW(window, WM_COMMAND, IDOK, 0);
            ::SendMessageW(window, WM_CLOSE, 0, 0);
            stayed = ::IsWindow(window) != FALSE;
            job.report.Open();
            DialogDriver::WaitForText(window, IDC_PROGRESS_STATUS, L"Extracting Setup.cab - 25%");
            updated = DialogDriver::Text(window, IDC_PROGRESS_STATUS);
            job.finish.Open();
        });
        EXPECT_EQ(watching.DoModal(), IDOK);
    }
    EXPECT_FALSE(job.IsExecuting());
    EXPECT_EQ(headline, L"Installing " + Kestlib::ReplaceAll(caption, L"&", L"&&") + L". Please wait...");
    EXPECT_EQ(status, L"Extracting " + caption);
    EXPECT_EQ(updated, L"Extracting Setup.cab - 25%");
    EXPECT_TRUE(stayed);
    EXPECT_TRUE(busyHidden);
}

TEST(ExtractCabDlgTest, WithoutAConfigurationTheWindowFails) {
    ExtractCabDlg dialog(nullptr, nullptr);
    EXPECT_THROW_MESSAGE(dialog.DoModal(), "Invalid configuration");
    InstallComponentDlg component(nullptr, nullptr);
    EXPECT_THROW_MESSAGE(component.DoModal(), "Invalid configuration");
}

// A component whose process the test ends.
class RunningComponent : public Component {
public:
    RunningComponent() : Component(ComponentTypeCmd) {}
    void Exec() override {}
    bool IsExecuting() const override { return running; }
    unsigned long GetExitCode() const override { return 0; }
    std::atomic<bool> running{true};
};

TEST(InstallComponentDlgTest, StaysHiddenTakesStatusTextsAndClosesWhenTheComponentEnds) {
    const std::wstring description = UniqueTitle(L"Runtime & Tools");
    InstallConfiguration configuration;
    SetTexts(configuration, L"Suite & Co");
    RunningComponent component;
    component.description = description;
    InstallComponentDlg dialog(&configuration, &component);
    std::atomic<bool> everVisible{false};
    std::wstring headline, status;
    {
        DialogDriver user([&] {
            HWND window = DialogDriver::FindDialog(description);
            if (!window) return (void)(component.running = false);
            dialog.PostStatusText(L"step two");
            DialogDriver::WaitFor([&] {
                everVisible = everVisible || ::IsWindowVisible(window);
                return !DialogDriver::Text(window, IDC_PROGRESS_STATUS).empty();
            });
            // Across a poll of the timer, too.
            for (int i = 0; i < 120; ++i, ::Sleep(10)) everVisible = everVisible || ::IsWindowVisible(window);
            headline = DialogDriver::Text(window, IDC_PROGRESS_HEADLINE);
            status = DialogDriver::Text(window, IDC_PROGRESS_STATUS);
            component.running = false;
        });
        EXPECT_EQ(dialog.DoModal(), IDOK);
    }
    EXPECT_FALSE(everVisible);
    EXPECT_EQ(headline, L"Installing Suite && Co. Please wait...");
    EXPECT_EQ(status, L"Installing step two. Please wait...");
}

}  // namespace
