#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "base/ApplicationTitle.h"
#include "base/InstallUILevel.h"
#include "lib/TextConversion.h"
#include "payload/DownloadFile.h"
#include "tests/base/LogCapture.h"
#include "tests/ui/DialogDriver.h"
#include "ui/CDownloadDialog.h"
#include "ui/resource.h"

namespace {

using Script = std::function<int(IDownloadCallback&)>;

// A download list whose work the test scripts through the real callback.
class ScriptedList : public DownloadDialog {
public:
    explicit ScriptedList(Script script) : m_script(std::move(script)) {}
    std::atomic<int> runs{0};

protected:
    int ExecOnThread() override {
        ++runs;
        return m_script(*GetCallback());
    }

private:
    Script m_script;
};

class DownloadWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_caption = UniqueTitle(L"Download components");
        ApplicationTitle::Instance().SetTitle(UniqueTitle(L"Setup"));
    }
    void TearDown() override {
        InstallUILevel::Release();
        ApplicationTitle::Release();
    }

    DownloadDialogPtr List(Script script, bool autostart) {
        ScriptedList* list = new JoinedJob<ScriptedList>(std::move(script));
        list->dialog_caption = m_caption;
        list->dialog_message = L"Press Start to download the runtime.";
        list->dialog_message_downloading = L"Downloading the runtime...";
        list->dialog_message_connecting = L"Connecting...";
        list->dialog_message_sendingrequest = L"Sending request...";
        list->buttonstart_caption = L"Start";
        list->buttoncancel_caption = L"Cancel";
        list->autostartdownload = autostart;
        m_list = list;
        return DownloadDialogPtr(list);
    }
    // A file that is not there yet, so the window waits for the start button.
    static void AddMissingFile(DownloadDialog& list) {
        DownloadFile* file = new DownloadFile;
        file->componentname = L"runtime";
        file->sourceurl = L"http://127.0.0.1:9/runtime.msi";
        file->destinationpath = L"C:\\bootwright-missing-folder";
        file->destinationfilename = L"runtime.msi";
        list.downloadfiles.push_back(DownloadFilePtr(file));
    }
    static int Position(HWND window) {
        return static_cast<int>(::SendMessageW(::GetDlgItem(window, IDC_DOWNLOAD_PROGRESS), PBM_GETPOS, 0, 0));
    }

    std::wstring m_caption;
    ScriptedList* m_list = nullptr;
    LogCapture m_log;
};

TEST_F(DownloadWindowTest, ShowsProgressAndClosesWhenTheListCompletes) {
    HANDLE proceed = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    DownloadDialogPtr list = List(
        [&](IDownloadCallback& callback) {
            callback.Connecting();
            // Sizes beyond 32 bits place the bar as any other.
            callback.Status(1500000000ULL, 6000000000ULL, L"runtime.msi: 250 of 1000 bytes");
            // A repeated text is not posted again: the bar keeps its place.
            callback.Status(5400000000ULL, 6000000000ULL, L"runtime.msi: 250 of 1000 bytes");
            ::WaitForSingleObject(proceed, DialogDriver::kPatienceMs);
            callback.DownloadComplete();
            return 0;
        },
        true);
    std::wstring message, status;
    int position = -1;
    bool startEnabled = true;
    bool completed = false;
    {
        DialogDriver user([&] {
            HWND window = DialogDriver::FindDialog(m_caption);
            if (window) {
                DialogDriver::WaitForText(window, IDC_DOWNLOAD_STATUS, L"runtime.msi: 250 of 1000 bytes");
                message = DialogDriver::Text(window, IDC_DOWNLOAD_MESSAGE);
                status = DialogDriver::Text(window, IDC_DOWNLOAD_STATUS);
                position = Position(window);
                startEnabled = ::IsWindowEnabled(::GetDlgItem(window, IDC_DOWNLOAD_START)) != FALSE;
            }
            ::SetEvent(proceed);
        });
        CDownloadDialog dialog(list);
        completed = dialog.DoModal();
    }
    ::CloseHandle(proceed);
    EXPECT_TRUE(completed);
    EXPECT_EQ(message, L"Downloading the runtime...");
    EXPECT_EQ(status, L"runtime.msi: 250 of 1000 bytes");
    EXPECT_EQ(position, 250);
    EXPECT_FALSE(startEnabled);
    EXPECT_TRUE(m_log.HasLine("Opening download dialog '" + Kestlib::WideToAnsi(m_caption) + "'"));
    EXPECT_TRUE(m_log.HasLine("--- Download OK"));
    EXPECT_TRUE(m_log.HasLine("Closing download dialog '" + Kestlib::WideToAnsi(m_caption) + "'"));
    EXPECT_EQ(list->GetCallback(), nullptr);
}

// The poll timer may come while the job's last record still waits in the
// queue. To make that moment certain, a hook on the window's thread holds
// the thread inside a message the user sends, lets the job finish, and
// delivers the timer right there, before the queued record.
HHOOK g_hook = nullptr;
const UINT kHoldMessage = WM_APP + 7;
std::function<void(HWND)> g_whileHeld;

LRESULT CALLBACK HoldingHook(int code, WPARAM wParam, LPARAM lParam) {
    const CWPSTRUCT* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && call->message == kHoldMessage && g_whileHeld) g_whileHeld(call->hwnd);
    return ::CallNextHookEx(g_hook, code, wParam, lParam);
}

TEST_F(DownloadWindowTest, TheLastRecordCountsEvenWhenTheTimerComesFirst) {
    HANDLE finish = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    DownloadDialogPtr list = List(
        [&](IDownloadCallback& callback) {
            ::WaitForSingleObject(finish, DialogDriver::kPatienceMs);
            callback.DownloadComplete();
            return 0;
        },
        true);
    g_whileHeld = [&](HWND window) {
        ::SetEvent(finish);
        DialogDriver::WaitFor([&] { return !m_list->IsExecuting(); });
        ::SendMessageW(window, WM_TIMER, 1, 0);
    };
    g_hook = ::SetWindowsHookExW(WH_CALLWNDPROC, HoldingHook, nullptr, ::GetCurrentThreadId());
    ASSERT_NE(g_hook, nullptr);
    bool completed = false;
    {
        DialogDriver user([&] {
            HWND window = DialogDriver::FindDialog(m_caption);
            if (window) ::SendMessageW(window, kHoldMessage, 0, 0);
            ::SetEvent(finish);
        });
        CDownloadDialog dialog(list);
        completed = dialog.DoModal();
    }
    ::UnhookWindowsHookEx(g_hook);
    g_whileHeld = nullptr;
    ::CloseHandle(finish);
    EXPECT_TRUE(completed);
    EXPECT_TRUE(m_log.HasLine("--- Download OK")) << m_log.Text();
}

TEST_F(DownloadWindowTest, AFailedListShowsItsErrorOnceAndCloses) {
    DownloadDialogPtr list = List(
        [](IDownloadCallback& callback) {
            callback.DownloadError(L"The server did not answer.");
            return -1;
        },
        true);
    std::wstring shown;
    bool completed = true;
    {
        DialogDriver user([&] {
            HWND box = DialogDriver::FindDialog(ApplicationTitle::Instance().GetTitle());
            if (!box) return;
            shown = DialogDriver::Text(box, 0xFFFF);
            DialogDriver::Click(box, IDOK);
        });
        CDownloadDialog dialog(list);
        completed = dialog.DoModal();
    }
    EXPECT_FALSE(completed);
    EXPECT_EQ(shown, L"The server did not answer.");
    EXPECT_TRUE(m_log.HasLine("*** Download ERROR: The server did not answer."));
    EXPECT_TRUE(m_log.HasLine("Closing download dialog '" + Kestlib::WideToAnsi(m_caption) + "'"));
}

// The list stops between two files when it sees the cancellation and ends
// without telling the window: the window notices the ended job itself. A
// close request while the list runs is such a cancellation too.
TEST_F(DownloadWindowTest, ACancellationBetweenFilesStillClosesTheWindow) {
    const std::vector<std::function<void(HWND)>> requests = {
        [](HWND window) { DialogDriver::Click(window, IDC_DOWNLOAD_CANCEL); },
        [](HWND window) { ::PostMessageW(window, DownloadEndMessage, 0, 0); },
    };
    for (const auto& request : requests) {
        LogCapture log;
        DownloadDialogPtr list = List(
            [](IDownloadCallback& callback) {
                callback.Status(1, 2, L"first.cab copied");
                DialogDriver::WaitFor([&] { return callback.IsDownloadCancelled(); });
                return -2;
            },
            true);
        bool completed = true;
        {
            DialogDriver user([&] {
                HWND window = DialogDriver::FindDialog(m_caption);
                if (!window) return;
                DialogDriver::WaitForText(window, IDC_DOWNLOAD_STATUS, L"first.cab copied");
                request(window);
            });
            CDownloadDialog dialog(list);
            completed = dialog.DoModal();
        }
        EXPECT_FALSE(completed);
        EXPECT_FALSE(list->IsExecuting());
        EXPECT_TRUE(log.HasLine("*** Download CANCELED"));
        EXPECT_EQ(log.Text().find("*** Download ERROR"), std::string::npos);
        EXPECT_TRUE(log.HasLine("Closing download dialog '" + Kestlib::WideToAnsi(m_caption) + "'"));
    }
}

// A window that ends while its list runs (closed, or ended by a command)
// cancels the list before it waits for it: the transfer stops at its next
// report instead of running to its end.
TEST_F(DownloadWindowTest, AWindowEndingMidTransferCancelsBeforeItWaits) {
    const std::vector<std::function<void(HWND)>> endings = {
        [](HWND window) { ::PostMessageW(window, WM_CLOSE, 0, 0); },
        [](HWND window) { ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); },
    };
    for (const auto& end : endings) {
        std::atomic<bool> sawCancel{false};
        DownloadDialogPtr list = List(
            [&](IDownloadCallback& callback) {
                callback.Status(1, 100, L"runtime.msi: 1 of 100 bytes");
                // A transfer that would take half a minute unless cancelled.
                for (int wait = 0; wait < 300 && !callback.IsDownloadCancelled(); ++wait) ::Sleep(100);
                sawCancel = callback.IsDownloadCancelled();
                return -2;
            },
            true);
        const ULONGLONG start = ::GetTickCount64();
        bool completed = true;
        {
            DialogDriver user([&] {
                HWND window = DialogDriver::FindDialog(m_caption);
                if (!window) return;
                DialogDriver::WaitForText(window, IDC_DOWNLOAD_STATUS, L"runtime.msi: 1 of 100 bytes");
                end(window);
            });
            CDownloadDialog dialog(list);
            completed = dialog.DoModal();
        }
        EXPECT_FALSE(completed);
        EXPECT_TRUE(sawCancel.load());
        EXPECT_LT(::GetTickCount64() - start, 15000u);
        EXPECT_FALSE(list->IsExecuting());
    }
}

TEST_F(DownloadWindowTest, AMissingFileWaitsForStartAndCancelBeforeStartRunsNothing) {
    DownloadDialogPtr list = List([](IDownloadCallback&) { return 0; }, false);
    AddMissingFile(*list);
    bool startShown = false;
    std::wstring message, start, cancel;
    bool completed = true;
    {
        DialogDriver user([&] {
            HWND window = DialogDriver::FindDialog(m_caption);
            if (!window) return;
            DialogDriver::WaitFor([&] { return ::IsWindowVisible(window) != FALSE; });
            HWND button = ::GetDlgItem(window, IDC_DOWNLOAD_START);
            startShown = ::IsWindowVisible(button) && ::IsWindowEnabled(button);
            message = DialogDriver::Text(window, IDC_DOWNLOAD_MESSAGE);
            start = DialogDriver::Text(window, IDC_DOWNLOAD_START);
            cancel = DialogDriver::Text(window, IDC_DOWNLOAD_CANCEL);
            ::SendMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        });
        CDownloadDialog dialog(list);
        completed = dialog.DoModal();
    }
    EXPECT_FALSE(completed);
    EXPECT_TRUE(startShown);
    EXPECT_EQ(message, L"Press Start to download the runtime.");
    EXPECT_EQ(start, L"Start");
    EXPECT_EQ(cancel, L"Cancel");
    EXPECT_EQ(m_list->runs, 0);
    EXPECT_TRUE(m_log.HasLine("*** Download CANCELED"));
}

TEST_F(DownloadWindowTest, TheStartButtonStartsTheList) {
    DownloadDialogPtr list = List(
        [](IDownloadCallback& callback) {
            callback.DownloadComplete();
            return 0;
        },
        false);
    AddMissingFile(*list);
    bool completed = false;
    {
        DialogDriver user([&] {
            HWND window = DialogDriver::FindDialog(m_caption);
            if (window) DialogDriver::Click(window, IDC_DOWNLOAD_START);
        });
        CDownloadDialog dialog(list);
        completed = dialog.DoModal();
    }
    EXPECT_TRUE(completed);
    EXPECT_EQ(m_list->runs, 1);
}

TEST_F(DownloadWindowTest, BasicLevelStartsAtOnceWithoutTheStartButton) {
    InstallUILevel::Instance().SetCommandLineUILevel(UiLevelBasic);
    DownloadDialogPtr list = List(
        [](IDownloadCallback& callback) {
            ::Sleep(300);
            callback.DownloadComplete();
            return 0;
        },
        false);
    AddMissingFile(*list);
    bool startHidden = false;
    {
        DialogDriver user([&] {
            HWND window = DialogDriver::FindDialog(m_caption);
            if (window) startHidden = !::IsWindowVisible(::GetDlgItem(window, IDC_DOWNLOAD_START));
        });
        CDownloadDialog dialog(list);
        EXPECT_TRUE(dialog.DoModal());
    }
    EXPECT_TRUE(startHidden);
}

// A silent run shows no window, not even for the moment the list runs.
TEST_F(DownloadWindowTest, SilentLevelRunsTheListWithoutEverShowingTheWindow) {
    InstallUILevel::Instance().SetCommandLineUILevel(UiLevelSilent);
    std::atomic<bool> everVisible{false};
    DownloadDialogPtr list = List(
        [&](IDownloadCallback& callback) {
            for (int i = 0; i < 30; ++i) {
                HWND window = ::FindWindowW(L"#32770", m_caption.c_str());
                if (window && ::IsWindowVisible(window)) everVisible = true;
                ::Sleep(20);
            }
            callback.DownloadComplete();
            return 0;
        },
        false);
    AddMissingFile(*list);
    CDownloadDialog dialog(list);
    EXPECT_TRUE(dialog.DoModal());
    EXPECT_EQ(m_list->runs.load(), 1);
    EXPECT_FALSE(everVisible.load());
}

}  // namespace
