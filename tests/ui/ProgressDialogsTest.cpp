#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <string>

#include "components/Component.h"
#include "config/InstallConfiguration.h"
#include "lib/StringUtils.h"
#include "packager/ResourceUpdate.h"
#include "payload/CabinetResources.h"
#include "payload/ExtractCabProcessor.h"
#include "tests/base/LogCapture.h"
#include "tests/payload/PayloadFiles.h"
#include "tests/support/Expect.h"
#include "tests/support/TestEnvironment.h"
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
    ~ScriptedExtraction() override = default;
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
    JoinedJob<ScriptedExtraction> job;
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

// A copy of a test program whose resources carry a payload packed into
// several cabinet segments, loaded as data, as the extraction reads a setup.
class PayloadCarrier {
public:
    explicit PayloadCarrier(const TestSupport::TempFolder& folder) : files(PayloadFiles::MixedPayload()) {
        ::CreateDirectoryW((folder / L"source").c_str(), nullptr);
        const std::vector<std::wstring> cabinets = PayloadFiles::Pack(files, folder / L"source", folder / L"cab", 65536);
        const std::wstring carrier = folder / L"carrier.exe";
        ::CopyFileW((TestSupport::BinDirectory() + L"proc_exitcode.exe").c_str(), carrier.c_str(), FALSE);
        ResourceUpdate update(carrier, [](const std::wstring&, const std::wstring&) { return false; });
        for (size_t i = 0; i < cabinets.size(); ++i) {
            const std::string bytes = TestSupport::ReadTextFile(cabinets[i]);
            update.Put(CabResourceType, SegmentName(static_cast<int>(i + 1)), bytes.data(),
                       static_cast<DWORD>(bytes.size()));
        }
        update.Commit();
        module = ::LoadLibraryExW(carrier.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    }
    ~PayloadCarrier() { ::FreeLibrary(module); }

    std::vector<PayloadFiles::File> files;
    HMODULE module = nullptr;
};

// A real extraction that dwells on its first status text, long enough for
// its window to fail and its owner to unwind meanwhile.
class DwellingExtraction : public ExtractCabProcessor {
public:
    DwellingExtraction(HMODULE module, std::atomic<int>& statuses)
        : ExtractCabProcessor(module), m_statuses(statuses) {}
    Gate reached;

protected:
    ~DwellingExtraction() override = default;
    void OnStatus(const std::wstring& text) override {
        if (m_statuses++ == 0) {
            reached.Open();
            ::Sleep(500);
        }
        ExtractCabProcessor::OnStatus(text);
    }

private:
    std::atomic<int>& m_statuses;
};

// The owners' sequence, with a window that fails while the extraction runs
// (an exception from its procedure). The job object goes only once its thread
// has ended: the rest of the extraction still runs, status texts (virtual
// calls) included, and its segments are cleaned up.
TEST(ExtractCabDlgTest, AWindowFailingMidExtractionLeavesOnlyOnceTheJobEnded) {
    TestSupport::TempFolder folder;
    PayloadCarrier payload(folder);
    ASSERT_NE(payload.module, nullptr);
    ASSERT_GE(CountSegments(payload.module), 3);
    const std::wstring target = folder / L"out";
    std::atomic<int> statuses{0};
    auto extract = [&] {
        JoinedJob<DwellingExtraction> job(payload.module, statuses);
        ExtractCabDlg window(nullptr, &job);
        job.cab_path = target;
        job.Start();
        ASSERT_TRUE(job.reached.Pass());
        window.DoModal();
        job.WaitAndRethrow();
    };
    EXPECT_THROW_MESSAGE(extract(), "Invalid configuration");
    // One per segment and one per file.
    EXPECT_EQ(statuses.load(), CountSegments(payload.module) + static_cast<int>(payload.files.size()));
    PayloadFiles::ExpectUnpacked(payload.files, target);
    EXPECT_EQ(::GetFileAttributesW((target + L"\\SETUP_1.CAB").c_str()), INVALID_FILE_ATTRIBUTES);
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
