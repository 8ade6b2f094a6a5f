#pragma once

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <windows.h>

#include <functional>
#include <stdexcept>
#include <string>

#include "base/ApplicationTitle.h"
#include "base/InstallUILevel.h"
#include "base/InstallerCommandLineInfo.h"
#include "config/InstallConfiguration.h"
#include "lib/TextConversion.h"
#include "tests/base/FreshSession.h"
#include "tests/base/LogCapture.h"
#include "tests/components/ProcessTesting.h"
#include "tests/support/DocumentCorpus.h"
#include "tests/support/TestEnvironment.h"
#include "tests/ui/DialogDriver.h"
#include "ui/CBootwrightDlg.h"

namespace MainDialogTesting {

inline std::string Ansi(const std::wstring& text) { return Kestlib::WideToAnsi(text); }

// Counts the windows activated on the test thread: a window that was never
// shown was never activated either.
class ActivationWatch {
public:
    ActivationWatch() {
        s_count = 0;
        m_hook = ::SetWindowsHookExW(WH_CBT, &ActivationWatch::Hook, nullptr, ::GetCurrentThreadId());
    }
    ~ActivationWatch() {
        if (m_hook) ::UnhookWindowsHookEx(m_hook);
    }
    ActivationWatch(const ActivationWatch&) = delete;
    ActivationWatch& operator=(const ActivationWatch&) = delete;
    int Count() const { return s_count; }

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
        if (code == HCBT_ACTIVATE) ++s_count;
        return ::CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static inline int s_count = 0;
    HHOOK m_hook = nullptr;
};

// The dialog with its check list readable by the test.
class InspectableDialog : public CBootwrightDlg {
public:
    using CBootwrightDlg::GetComponentsList;
};

// Each case starts with a fresh session, command line, UI level and title.
class MainDialogTest : public FreshSessionTest {
protected:
    using Script = std::function<void()>;

    void SetUp() override {
        FreshSessionTest::SetUp();
        InstallUILevel::Release();
        InstallerCommandLineInfo::Release();
        ApplicationTitle::Release();
        m_caption = UniqueTitle(L"Suite Setup");
    }
    void TearDown() override {
        InstallUILevel::Release();
        InstallerCommandLineInfo::Release();
        ApplicationTitle::Release();
        FreshSessionTest::TearDown();
    }

    static void SetLevel(int level) { InstallUILevel::Instance().SetCommandLineUILevel(level); }

    // An install configuration read from its XML text, with a caption of its own.
    ConfigurationPtr Configuration(const std::string& attributes, const std::string& components = "") {
        m_caption = UniqueTitle(L"Suite Setup");
        const std::string xml = "<configuration type=\"install\" dialog_caption=\"" + Ansi(m_caption) +
                                "\" status_installed=\"(installed)\" status_notinstalled=\"(not installed)\" " +
                                attributes + ">" + components + "</configuration>";
        TiXmlDocument document;
        document.Parse(xml.c_str());
        if (document.Error()) throw std::logic_error("test XML does not parse: " + xml);
        InstallConfiguration* configuration = new InstallConfiguration;
        ConfigurationPtr holder(configuration);
        configuration->Load(document.RootElement());
        TestSupport::RecordAcceptedDocument(xml);
        return holder;
    }

    // A command component that ends with exitCode; optional unless extra says otherwise.
    static std::string Cmd(const std::string& name, int exitCode, const std::string& extra = "",
                           const std::string& children = "") {
        const std::string optional = extra.find("required=") == std::string::npos ? "required=\"false\" " : "";
        return "<component type=\"cmd\" description=\"" + name + "\" show_progress_dialog=\"false\" " + optional +
               "command=\"" + Ansi(ProcessTesting::Program(L"proc_exitcode.exe")) + " " + std::to_string(exitCode) +
               "\" " + extra + ">" + children + "</component>";
    }
    // A component whose installed check finds a file that exists.
    std::string Installed(const std::string& name) {
        const std::wstring marker = m_folder / L"installed.txt";
        TestSupport::WriteTextFile(marker, "installed");
        return Cmd(name, 0, "", "<installedcheck type=\"check_file\" filename=\"" + Ansi(marker) + "\"/>");
    }

    // Shows the configuration while script plays the user. Without a script
    // the dialog must end on its own; one still open after the patience time
    // is closed, and so fails the case.
    INT_PTR Run(const ConfigurationPtr& configuration, bool more, const Script& script = Script()) {
        HANDLE done = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        INT_PTR result = 0;
        {
            DialogDriver user([&] {
                if (script) return script();
                if (::WaitForSingleObject(done, DialogDriver::kPatienceMs) == WAIT_TIMEOUT) {
                    ADD_FAILURE() << "the dialog stayed open";
                    if (HWND window = m_dialog.GetHwnd()) ::PostMessageW(window, WM_CLOSE, 0, 0);
                }
            });
            try {
                result = m_dialog.Run(configuration, m_lcid, more);
            } catch (...) {
                ::SetEvent(done);
                ::CloseHandle(done);
                throw;
            }
            ::SetEvent(done);
        }
        ::CloseHandle(done);
        return result;
    }

    // The main window once it shows.
    HWND WaitForWindow() {
        HWND window = nullptr;
        DialogDriver::WaitFor([&] {
            window = m_dialog.GetHwnd();
            return window && ::IsWindowVisible(window);
        });
        return window;
    }
    // A message box with the run's title over the main window; its text and
    // then a press of button.
    std::wstring AnswerMessageBox(HWND main, int button) {
        HWND box = nullptr;
        DialogDriver::WaitFor([&] {
            box = nullptr;
            while ((box = ::FindWindowExW(nullptr, box, L"#32770", m_caption.c_str())) != nullptr)
                if (box != main && ::IsWindowVisible(box)) return true;
            return false;
        });
        if (!box) return L"(no message box)";
        const std::wstring text = DialogDriver::Text(box, 0xFFFF);
        DialogDriver::Click(box, button);
        DialogDriver::WaitGone(box);
        return text;
    }

    InspectableDialog m_dialog;
    unsigned long m_lcid = 1033;
    std::wstring m_caption;
    TestSupport::TempFolder m_folder;
    LogCapture m_log;
};

}  // namespace MainDialogTesting
