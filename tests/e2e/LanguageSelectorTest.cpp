// The language selector of a real run, in the user's own language, driven
// through its window; the chosen language decides which configuration runs.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/e2e/SetupDocuments.h"
#include "tests/support/SetupRun.h"
#include "ui/resource.h"

using namespace E2e;
using TestSupport::HasMessage;
using TestSupport::RunSetup;

namespace {

const wchar_t kGermanPrompt[] = L"Bitte w\u00e4hlen Sie die Sprache der Installation:";
const wchar_t kEnglishPrompt[] = L"Please choose the installation language:";

// What the user sees in the selector.
struct Seen {
    std::vector<std::wstring> lines;
    int selected = -2;
    std::wstring prompt, ok, cancel;
};

std::wstring Text(HWND window, int id) {
    wchar_t text[512] = {};
    ::GetWindowTextW(::GetDlgItem(window, id), text, 512);
    return text;
}

Seen Read(HWND window) {
    Seen seen;
    HWND list = ::GetDlgItem(window, IDC_LANGUAGE_LIST);
    const int count = static_cast<int>(::SendMessageW(list, LB_GETCOUNT, 0, 0));
    for (int line = 0; line < count; ++line) {
        wchar_t text[256] = {};
        if (::SendMessageW(list, LB_GETTEXTLEN, line, 0) < 256)
            ::SendMessageW(list, LB_GETTEXT, line, reinterpret_cast<LPARAM>(text));
        seen.lines.emplace_back(text);
    }
    seen.selected = static_cast<int>(::SendMessageW(list, LB_GETCURSEL, 0, 0));
    seen.prompt = Text(window, IDC_LANGUAGE_PROMPT);
    seen.ok = Text(window, IDOK);
    seen.cancel = Text(window, IDCANCEL);
    return seen;
}

bool WaitForText(HWND window, int id, const std::wstring& text) {
    for (int waited = 0; waited < 20000; waited += 10) {
        if (Text(window, id) == text) return true;
        ::Sleep(10);
    }
    return false;
}

class LanguageSelection : public ::testing::Test {
protected:
    // One package for the suite: German listed first, English second; the
    // document's own silent level applies only once the configurations run.
    static void SetUpTestSuite() {
        s_package = new TestSupport::TempFolder();
        s_title = new std::wstring(L"Choose Language " + std::to_wstring(::GetCurrentProcessId()));
        const std::string document = Document(
            Install("language=\"Deutsch\" language_id=\"1031\" lcid_filter=\"1031\"",
                    MarkerComponent("German", *s_package / L"german.txt")) +
                Install("language=\"English\" language_id=\"1033\" lcid_filter=\"1033\"",
                        MarkerComponent("English", *s_package / L"english.txt")),
            "ui_level=\"silent\" show_language_selector=\"true\" language_selector_title=\"" + Xml(*s_title) + "\"");
        s_setup = new std::wstring(TestSupport::PackageSetup(s_package->Path(), document));
    }
    static void TearDownTestSuite() {
        delete s_setup;
        delete s_title;
        delete s_package;
    }
    void SetUp() override {
        ::DeleteFileW((*s_package / L"german.txt").c_str());
        ::DeleteFileW((*s_package / L"english.txt").c_str());
    }

    static bool Installed(const wchar_t* marker) { return FileExists(*s_package / marker); }

    // Starts the setup for a user of this Unix locale (empty: the test's own) and finds the selector.
    HWND Start(const std::wstring& locale) {
        TestSupport::SetupOptions options = m_run.Options(L"");
        options.unixLocale = locale;
        m_setup.reset(new TestSupport::SetupProcess(*s_setup, options));
        return TestSupport::FindProcessDialog(m_setup->Id(), *s_title);
    }

    static TestSupport::TempFolder* s_package;
    static std::wstring* s_title;
    static std::wstring* s_setup;
    Scenario m_run;
    std::unique_ptr<TestSupport::SetupProcess> m_setup;
};

TestSupport::TempFolder* LanguageSelection::s_package = nullptr;
std::wstring* LanguageSelection::s_title = nullptr;
std::wstring* LanguageSelection::s_setup = nullptr;

TEST_F(LanguageSelection, AGermanUserSeesGermanSwitchesToEnglishAndGetsTheEnglishConfiguration) {
    HWND window = Start(L"de_DE.UTF-8");
    ASSERT_NE(window, nullptr);
    const Seen german = Read(window);
    EXPECT_EQ(german.lines, (std::vector<std::wstring>{L"Deutsch", L"English"}));
    EXPECT_EQ(german.selected, 0) << "the user's language did not reach the setup";
    EXPECT_EQ(german.prompt, kGermanPrompt);
    EXPECT_EQ(german.ok, L"OK");
    EXPECT_EQ(german.cancel, L"Abbrechen");

    HWND list = ::GetDlgItem(window, IDC_LANGUAGE_LIST);
    ::SendMessageW(list, LB_SETCURSEL, 1, 0);
    ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_LANGUAGE_LIST, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    EXPECT_TRUE(WaitForText(window, IDCANCEL, L"Cancel"));
    EXPECT_EQ(Text(window, IDC_LANGUAGE_PROMPT), kEnglishPrompt);

    TestSupport::Press(window, IDOK);
    EXPECT_EQ(m_setup->Wait(), 0u) << m_run.Dump();
    EXPECT_TRUE(Installed(L"english.txt"));
    EXPECT_FALSE(Installed(L"german.txt"));
    const auto log = m_run.Log();
    EXPECT_TRUE(HasMessage(log, "Opening language selector dialog '" + TestSupport::Ansi(*s_title) + "'"));
    EXPECT_TRUE(HasMessage(log, "User-chosen language id: 1033")) << m_run.Dump();
    EXPECT_TRUE(HasMessage(log, "Locale chosen: 1033")) << m_run.Dump();
    EXPECT_EQ(log.back(), kFinishedZero);
}

TEST_F(LanguageSelection, CancelEndsTheRunWithMinusOne) {
    HWND window = Start(L"en_US.UTF-8");
    ASSERT_NE(window, nullptr);
    const Seen english = Read(window);
    EXPECT_EQ(english.selected, 1);
    EXPECT_EQ(english.prompt, kEnglishPrompt);
    EXPECT_EQ(english.cancel, L"Cancel");
    TestSupport::Press(window, IDCANCEL);
    EXPECT_EQ(m_setup->Wait(), kFailed);
    EXPECT_TRUE(HasMessage(m_run.Log(), kErrorPrefix + std::string("Language selection cancelled by user")))
        << m_run.Dump();
    EXPECT_FALSE(Installed(L"english.txt"));
    EXPECT_FALSE(Installed(L"german.txt"));
}

TEST_F(LanguageSelection, ARussianUserFindsNothingSelectedAndOkWithoutAChoiceFails) {
    HWND window = Start(L"ru_RU.UTF-8");
    ASSERT_NE(window, nullptr);
    const Seen russian = Read(window);
    EXPECT_EQ(russian.selected, LB_ERR);
    EXPECT_EQ(russian.ok, L"\u041E\u041A");
    EXPECT_EQ(russian.cancel, L"\u041E\u0442\u043C\u0435\u043D\u0430");
    TestSupport::Press(window, IDOK);
    EXPECT_EQ(m_setup->Wait(), kFailed);
    EXPECT_TRUE(HasMessage(m_run.Log(), kErrorPrefix + std::string("Missing configuration"))) << m_run.Dump();
    EXPECT_FALSE(Installed(L"english.txt"));
    EXPECT_FALSE(Installed(L"german.txt"));
}

TEST_F(LanguageSelection, ASilentLevelOnTheCommandLineSkipsTheSelector) {
    TestSupport::SetupOptions options = m_run.Options(L"/q");
    options.unixLocale = L"de_DE.UTF-8";
    EXPECT_EQ(TestSupport::SetupProcess(*s_setup, options).Wait(), 0u) << m_run.Dump();
    // Without a choice the user's language picks the configuration.
    EXPECT_TRUE(Installed(L"german.txt"));
    EXPECT_FALSE(Installed(L"english.txt"));
    EXPECT_FALSE(TestSupport::HasMessageStartingWith(m_run.Log(), "Opening language selector dialog"));
}

}  // namespace
