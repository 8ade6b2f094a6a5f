#include <gtest/gtest.h>

#include <windows.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "base/InstallerSession.h"
#include "config/Configurations.h"
#include "config/InstallConfiguration.h"
#include "lib/Handles.h"
#include "tests/base/LogCapture.h"
#include "tests/support/Expect.h"
#include "tests/ui/DialogDriver.h"
#include "ui/CLanguageSelectorDialog.h"
#include "ui/resource.h"

namespace {

ConfigurationPtr Offered(const std::wstring& language, const std::wstring& languageId) {
    auto* configuration = new InstallConfiguration();
    configuration->language = language;
    configuration->language_id = languageId;
    return ConfigurationPtr(configuration);
}

std::wstring NoSuiteRunning() { return std::wstring(); }

Configurations Document(std::initializer_list<ConfigurationPtr> configurations, const std::wstring& title) {
    Configurations document;
    document.configurations.assign(configurations);
    document.language_selector_title = title;
    return document;
}

// A dialog over a document with these configurations, in the given row, that
// sees no suite application (other tests open such windows). Its log is the
// process's own, as tests run side by side.
struct Selector {
    Selector(std::initializer_list<ConfigurationPtr> configurations, int row)
        : title(UniqueTitle(L"Choose Language")), dialog(Document(configurations, title)) {
        dialog.SetLanguageRow(row);
        dialog.SetSiblingFinder(&NoSuiteRunning);
    }
    LogCapture log;
    std::wstring title;
    CLanguageSelectorDialog dialog;
};

// What the user sees.
struct Seen {
    std::vector<std::wstring> lines;
    int selected = -2;
    std::wstring prompt, ok, cancel;
};

Seen Read(HWND window) {
    Seen seen;
    HWND list = ::GetDlgItem(window, IDC_LANGUAGE_LIST);
    const int count = static_cast<int>(::SendMessageW(list, LB_GETCOUNT, 0, 0));
    for (int line = 0; line < count; ++line) {
        std::vector<wchar_t> text(static_cast<size_t>(::SendMessageW(list, LB_GETTEXTLEN, line, 0)) + 1);
        ::SendMessageW(list, LB_GETTEXT, line, reinterpret_cast<LPARAM>(text.data()));
        seen.lines.emplace_back(text.data());
    }
    seen.selected = static_cast<int>(::SendMessageW(list, LB_GETCURSEL, 0, 0));
    seen.prompt = DialogDriver::Text(window, IDC_LANGUAGE_PROMPT);
    seen.ok = DialogDriver::Text(window, IDOK);
    seen.cancel = DialogDriver::Text(window, IDCANCEL);
    return seen;
}

// Selects a line (-1: none) as a click would, with the list's notification.
void Select(HWND window, int line, WORD notification = LBN_SELCHANGE) {
    HWND list = ::GetDlgItem(window, IDC_LANGUAGE_LIST);
    ::SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(line), 0);
    ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_LANGUAGE_LIST, notification), reinterpret_cast<LPARAM>(list));
}

const wchar_t kGermanPrompt[] = L"Bitte w\u00e4hlen Sie die Sprache der Installation:";
const wchar_t kEnglishPrompt[] = L"Please choose the installation language:";

TEST(LanguageSelector, EnglishUserSeesEnglishPreselectedSwitchesToGermanAndChoosesIt) {
    InstallerSession::Instance().languageId = 0;
    // The hidden line in between must not shift the English line off its row.
    Selector selector({Offered(L"German", L"1031"), Offered(L"0 hidden", L"1036"), Offered(L"English", L"1033")}, 1);
    Seen english, german;
    INT_PTR result = 0;
    {
        DialogDriver user([&] {
            HWND window = DialogDriver::FindDialog(selector.title);
            if (!window) return;
            english = Read(window);
            Select(window, 0);
            DialogDriver::WaitForText(window, IDCANCEL, L"Abbrechen");
            german = Read(window);
            DialogDriver::Click(window, IDOK);
        });
        result = selector.dialog.DoModal();
    }
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(english.lines, (std::vector<std::wstring>{L"German", L"English"}));
    EXPECT_EQ(english.selected, 1);
    EXPECT_EQ(english.prompt, kEnglishPrompt);
    EXPECT_EQ(english.ok, L"OK");
    EXPECT_EQ(english.cancel, L"Cancel");
    EXPECT_EQ(german.selected, 0);
    EXPECT_EQ(german.prompt, kGermanPrompt);
    EXPECT_EQ(german.cancel, L"Abbrechen");
    EXPECT_EQ(InstallerSession::Instance().languageId, 1031u);
    EXPECT_TRUE(selector.log.HasLine("Opening language selector dialog '" + std::string(selector.title.begin(),
                                                                                selector.title.end()) + "'"));
    EXPECT_TRUE(selector.log.HasLine("User-chosen language id: 1031"));
}

TEST(LanguageSelector, RussianUserWithAShortListHasNothingSelectedAndOkFails) {
    Selector selector({Offered(L"German", L"1031"), Offered(L"English", L"1033"), Offered(L"French", L"1036")}, 10);
    Seen russian, cleared;
    {
        DialogDriver user([&] {
            HWND window = DialogDriver::FindDialog(selector.title);
            if (!window) return;
            russian = Read(window);
            // Choosing and then clearing the choice leaves the English texts.
            Select(window, 0);
            DialogDriver::WaitForText(window, IDCANCEL, L"Abbrechen");
            Select(window, -1);
            DialogDriver::WaitForText(window, IDCANCEL, L"Cancel");
            cleared = Read(window);
            DialogDriver::Click(window, IDOK);
        });
        EXPECT_THROW_MESSAGE(selector.dialog.DoModal(), "Missing configuration");
    }
    EXPECT_EQ(russian.lines.size(), 3u);
    EXPECT_EQ(russian.selected, LB_ERR);
    EXPECT_EQ(russian.ok, L"\u041E\u041A");
    EXPECT_EQ(russian.cancel, L"\u041E\u0442\u043C\u0435\u043D\u0430");
    EXPECT_EQ(cleared.selected, LB_ERR);
    EXPECT_EQ(cleared.prompt, kEnglishPrompt);
    EXPECT_EQ(cleared.ok, L"OK");
}

TEST(LanguageSelector, ChoicesWithoutAUsableLanguageIdFailAndLeaveTheChosenLcid) {
    const struct {
        const wchar_t* languageId;
        WORD how;  // the OK button, or a double click on the line
        const char* error;
    } cases[] = {
        {L"", BN_CLICKED, "Chosen configuration of type '1' is missing a language_id"},
        {L"", LBN_DBLCLK, "Chosen configuration of type '1' is missing a language_id"},
        {L"10x33", LBN_DBLCLK, "Invalid number: 10x33"},
    };
    for (const auto& c : cases) {
        InstallerSession::Instance().languageId = 77;
        Selector selector({Offered(L"Deutsch", c.languageId)}, 0);
        {
            DialogDriver user([&] {
                HWND window = DialogDriver::FindDialog(selector.title);
                if (!window) return;
                if (c.how == LBN_DBLCLK) return Select(window, 0, LBN_DBLCLK);
                DialogDriver::Click(window, IDOK);
            });
            EXPECT_THROW_MESSAGE(selector.dialog.DoModal(), c.error);
        }
        EXPECT_EQ(InstallerSession::Instance().languageId, 77u);
    }
}

TEST(LanguageSelector, CancelAndTheCloseBoxEndWithCancel) {
    for (bool closeBox : {false, true}) {
        InstallerSession::Instance().languageId = 77;
        Selector selector({Offered(L"English", L"1033")}, 1);
        INT_PTR result = 0;
        {
            DialogDriver user([&] {
                HWND window = DialogDriver::FindDialog(selector.title);
                if (!window) return;
                if (closeBox) return (void)::PostMessageW(window, WM_CLOSE, 0, 0);
                DialogDriver::Click(window, IDCANCEL);
            });
            result = selector.dialog.DoModal();
        }
        EXPECT_EQ(result, IDCANCEL) << closeBox;
        EXPECT_EQ(InstallerSession::Instance().languageId, 77u);
    }
}

TEST(LanguageSelector, AListWithNothingToOfferFailsBeforeItIsShown) {
    Selector hidden({Offered(L"0", L"1031"), Offered(L"", L"0409")}, 1);
    EXPECT_THROW_MESSAGE(hidden.dialog.DoModal(), "No languages are available for language selection");
    Selector empty({}, 1);
    EXPECT_THROW_MESSAGE(empty.dialog.DoModal(), "No languages are available for language selection");
}

// The check for a running suite application ends the process, so it runs in
// a child: this same executable, told by its environment to play that part.
const wchar_t kChildVariable[] = L"BWTEST_LANGUAGE_SELECTOR_CHILD";

TEST(LanguageSelectorChild, NamesTheRunningApplicationAndEndsTheProcess) {
    if (!::GetEnvironmentVariableW(kChildVariable, nullptr, 0)) GTEST_SKIP() << "runs only as a child process";
    CLanguageSelectorDialog dialog(Document({Offered(L"English", L"1033")}, L"Never shown"));
    dialog.SetLanguageRow(6);
    dialog.SetSiblingFinder([] { return std::wstring(L"Gridwell"); });
    dialog.DoModal();
    ::ExitProcess(3);
}

struct ProcessBox {
    DWORD processId;
    HWND box;
};

BOOL CALLBACK FindVisibleDialogOf(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<ProcessBox*>(context);
    DWORD owner = 0;
    wchar_t windowClass[16] = {};
    ::GetWindowThreadProcessId(window, &owner);
    ::GetClassNameW(window, windowClass, 16);
    if (owner != search->processId || std::wstring(windowClass) != L"#32770" || !::IsWindowVisible(window))
        return TRUE;
    search->box = window;
    return FALSE;
}

TEST(LanguageSelector, ARunningSuiteApplicationIsNamedInTheUsersLanguageAndTheProcessEndsWithZero) {
    wchar_t self[MAX_PATH] = {};
    ASSERT_TRUE(::GetModuleFileNameW(nullptr, self, MAX_PATH));
    std::wstring command = L"\"" + std::wstring(self) + L"\" --gtest_filter=LanguageSelectorChild.*";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION created = {};
    ::SetEnvironmentVariableW(kChildVariable, L"1");
    const BOOL started =
        ::CreateProcessW(self, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &created);
    ::SetEnvironmentVariableW(kChildVariable, nullptr);
    ASSERT_TRUE(started);
    Kestlib::ThreadHandle thread(created.hThread);
    // A child that failed to end must not outlive the test.
    struct EndedChild {
        Kestlib::ProcessHandle process;
        ~EndedChild() {
            if (::WaitForSingleObject(process.Get(), 0) == WAIT_TIMEOUT) ::TerminateProcess(process.Get(), 1);
        }
    } child{Kestlib::ProcessHandle(created.hProcess)};
    HANDLE process = child.process.Get();
    ProcessBox search = {created.dwProcessId, nullptr};
    DialogDriver::WaitFor([&] { return !::EnumWindows(&FindVisibleDialogOf, reinterpret_cast<LPARAM>(&search)); });
    ASSERT_NE(search.box, nullptr);
    // The message box keeps its text in the static with the id 0xFFFF.
    EXPECT_EQ(DialogDriver::Text(search.box, 0xFFFF), L"Sluit Gridwell af");
    DialogDriver::Click(search.box, IDOK);
    ASSERT_EQ(::WaitForSingleObject(process, DialogDriver::kPatienceMs), WAIT_OBJECT_0);
    DWORD exitCode = 1;
    ::GetExitCodeProcess(process, &exitCode);
    EXPECT_EQ(exitCode, 0u);
}

}  // namespace
