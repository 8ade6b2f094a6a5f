// Texts of the document shown in the progress windows are data: a value goes
// in place of the first %s, "%%" is a percent sign, and every other '%'
// sequence shows as it stands. Stray directives reach a text mostly through
// variables: the document itself can hold only one lone '%' per text, since
// two of them read as an environment reference.
#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <set>
#include <string>

#include "tests/e2e/SetupDocuments.h"
#include "tests/support/SetupRun.h"
#include "ui/resource.h"

using namespace E2e;
using TestSupport::Ansi;
using TestSupport::HasMessage;

namespace {

// What the progress windows of one title showed while they were there.
struct Shown {
    std::set<std::wstring> headlines;
    std::set<std::wstring> statuses;
};

std::wstring ItemText(HWND window, int id) {
    wchar_t text[1024] = {};
    ::GetDlgItemTextW(window, id, text, 1024);
    return text;
}

std::wstring Title(HWND window) {
    wchar_t title[256] = {};
    ::GetWindowTextW(window, title, 256);
    return title;
}

struct Watch {
    DWORD processId;
    std::map<std::wstring, Shown>* shown;
};

BOOL CALLBACK Look(HWND window, LPARAM parameter) {
    const Watch& watch = *reinterpret_cast<const Watch*>(parameter);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner != watch.processId) return TRUE;
    const std::wstring title = Title(window);
    auto found = watch.shown->find(title);
    if (found == watch.shown->end()) return TRUE;
    // The install window stays hidden; its texts are there all the same.
    // Texts count once they stand: read twice under the same title, so that
    // a window changing or going away between two reads is not taken for
    // what another one showed.
    const std::wstring headline = ItemText(window, IDC_PROGRESS_HEADLINE);
    const std::wstring status = ItemText(window, IDC_PROGRESS_STATUS);
    if (headline != ItemText(window, IDC_PROGRESS_HEADLINE) || status != ItemText(window, IDC_PROGRESS_STATUS) ||
        Title(window) != title)
        return TRUE;
    if (!headline.empty()) found->second.headlines.insert(headline);
    if (!status.empty()) found->second.statuses.insert(status);
    return TRUE;
}

// One row: a configuration whose texts carry stray '%' sequences; the
// extraction window has the configuration's caption as title, the install
// window the component's description.
struct Row {
    const char* name;
    std::string attributes;
    std::wstring caption;      // after expansion
    std::wstring component;
    std::wstring headline;     // both windows
    std::wstring statusBefore;  // the extraction status: before + value + after
    std::wstring statusAfter;
};

TEST(DocumentTexts, StrayPercentSequencesShowAsWrittenInTheRealWindows) {
    Scenario run;
    TestSupport::WriteTextFile(run.folder / L"payload.txt", "payload\r\n");
    const std::string slow = Xml("\"" + Utf8(TestSupport::BinDirectory()) + "proc_exitcode.exe\" 0 1500");
    const Row rows[] = {
        {"directives a variable brings in",
         "cab_dialog_caption=\"Texts A\" cab_dialog_message=\"%BWTEST_STRAY% %s\" "
         "installing_component_wait=\"Wait %BWTEST_STRAY% %s\"",
         L"Texts A", L"Component A", L"Wait %n %d %x %ls %p Texts A", L"%n %d %x %ls %p ", L""},
        {"a second %s and a double percent",
         "cab_dialog_caption=\"Texts B\" cab_dialog_message=\"%BWTEST_TWICE% 100%%\" "
         "installing_component_wait=\"100%% %%s %s\"",
         L"Texts B", L"Component B", L"100% %s Texts B", L"", L" and %s 100%"},
        {"a path holding a percent sign, as text and as value",
         "cab_dialog_caption=\"Texts C %BWTEST_PATH%\" cab_dialog_message=\"Into %BWTEST_PATH%: %s\" "
         "installing_component_wait=\"Installing %s\"",
         L"Texts C C:\\Sale 50%\\off", L"Component C", L"Installing Texts C C:\\Sale 50%\\off",
         L"Into C:\\Sale 50%\\off: ", L""},
    };
    std::string configurations;
    std::map<std::wstring, Shown> shown;
    for (const Row& row : rows) {
        const std::string embed = &row == rows ? "      <embedfile sourcefilepath=\"payload.txt\"/>\n" : "";
        configurations += Install(row.attributes, "    <component type=\"cmd\" description=\"" +
                                                      Utf8(row.component) + "\" command=\"" + slow + "\">\n" +
                                                      embed + "    </component>\n");
        shown[row.caption];
        shown[row.component];
    }
    const std::wstring setup = TestSupport::PackageSetup(run.folder.Path(), Document(configurations));
    TestSupport::SetupOptions options = run.Options(L"/qb");
    options.environment = {{L"BWTEST_STRAY", L"%n %d %x %ls %p"},
                           {L"BWTEST_TWICE", L"%s and %s"},
                           {L"BWTEST_PATH", L"C:\\Sale 50%\\off"}};
    TestSupport::SetupProcess process(setup, options);
    Watch watch = {process.Id(), &shown};
    for (int waited = 0; waited < 60000 && !process.HasEnded(); waited += 20) {
        ::EnumWindows(&Look, reinterpret_cast<LPARAM>(&watch));
        ::Sleep(20);
    }
    EXPECT_EQ(process.Wait(), 0u) << run.Dump();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const Shown& extraction = shown[row.caption];
        const Shown& install = shown[row.component];
        EXPECT_EQ(extraction.headlines, std::set<std::wstring>{row.headline}) << Ansi(row.caption);
        EXPECT_EQ(install.headlines, std::set<std::wstring>{row.headline}) << Ansi(row.component);
        ASSERT_FALSE(extraction.statuses.empty());
        for (const std::wstring& status : extraction.statuses) {
            const bool fits = status.size() >= row.statusBefore.size() + row.statusAfter.size() &&
                              status.compare(0, row.statusBefore.size(), row.statusBefore) == 0 &&
                              status.compare(status.size() - row.statusAfter.size(), std::wstring::npos,
                                             row.statusAfter) == 0;
            EXPECT_TRUE(fits) << "'" << Ansi(status) << "' (" << status.size() << " characters)";
        }
        EXPECT_TRUE(HasMessage(run.Log(), "*** Component '" + Utf8(row.component) + "': SUCCESS")) << run.Dump();
    }
}

}  // namespace
