// Which configurations a run goes through: reference documents followed to
// their limit, and several configurations shown one after the other.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "tests/e2e/SetupDocuments.h"
#include "tests/support/SetupRun.h"
#include "ui/resource.h"

using namespace E2e;
using TestSupport::Ansi;
using TestSupport::BootstrapperPath;
using TestSupport::HasMessage;
using TestSupport::RunSetup;

namespace {

const char kNestingError[] =
    "The following error occured: Maximum nested reference configuration level of 10 reached. "
    "Do you have a circular reference?";

// A chain of documents: the first refers to the second and so on; the last
// installs. Returns the first.
std::wstring WriteChain(const Scenario& run, int references) {
    for (int index = references; index >= 0; --index) {
        const std::wstring path = run.folder / (L"chain" + std::to_wstring(index) + L".xml");
        const std::string configurations =
            index == references ? Install("", MarkerComponent("Marker", run.folder / L"marker.txt"))
                                : Reference(run.folder / (L"chain" + std::to_wstring(index + 1) + L".xml"));
        TestSupport::WriteTextFile(path, Document(configurations));
    }
    return run.folder / L"chain0.xml";
}

TEST(References, NineReferencedDocumentsInARowAreFollowed) {
    Scenario run;
    const std::wstring first = WriteChain(run, 9);
    EXPECT_EQ(RunSetup(BootstrapperPath(), run.Options(L"/q /ConfigFile \"" + first + L"\"")), 0u) << run.Dump();
    EXPECT_TRUE(FileExists(run.folder / L"marker.txt"));
    EXPECT_TRUE(HasMessage(run.Log(), "Downloading reference configuration to '" + Ansi(run.folder / L"chain9.xml") +
                                          "'"))
        << run.Dump();
}

TEST(References, TheTenthReferenceOrASelfReferenceReachesTheNestingLimit) {
    Scenario run;
    const std::wstring chain = WriteChain(run, 10);
    const std::wstring self = run.folder / L"self.xml";
    TestSupport::WriteTextFile(self, Document(Reference(self)));
    for (const std::wstring& document : {chain, self}) {
        SCOPED_TRACE(Ansi(document));
        ::DeleteFileW(run.log.c_str());
        EXPECT_EQ(RunSetup(BootstrapperPath(), run.Options(L"/q /ConfigFile \"" + document + L"\"")), kFailed);
        EXPECT_TRUE(HasMessage(run.Log(), kNestingError)) << run.Dump();
        EXPECT_FALSE(FileExists(run.folder / L"marker.txt"));
    }
}

// Two install configurations at the full level, each with its own window.
struct TwoConfigurations {
    Scenario run;
    std::wstring first = L"First configuration " + std::to_wstring(::GetCurrentProcessId());
    std::wstring second = L"Second configuration " + std::to_wstring(::GetCurrentProcessId());
    std::wstring setup = TestSupport::PackageSetup(
        run.folder.Path(),
        Document(Install("dialog_caption=\"" + Xml(first) + "\"", MarkerComponent("First", run.folder / L"first.txt")) +
                 Install("dialog_caption=\"" + Xml(second) + "\"",
                         MarkerComponent("Second", run.folder / L"second.txt"))));
};

bool ButtonShown(HWND dialog, int id) { return ::IsWindowVisible(::GetDlgItem(dialog, id)) != FALSE; }

TEST(Configurations, SkipInTheFirstShowsTheSecondWhichInstalls) {
    TwoConfigurations two;
    TestSupport::SetupProcess setup(two.setup, two.run.Options(L""));
    HWND first = TestSupport::FindProcessDialog(setup.Id(), two.first);
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(ButtonShown(first, IDC_SKIP));
    TestSupport::Press(first, IDC_SKIP);

    HWND second = TestSupport::FindProcessDialog(setup.Id(), two.second);
    ASSERT_NE(second, nullptr);
    EXPECT_FALSE(ButtonShown(second, IDC_SKIP));
    // Installed, the list reads complete and the window closes by itself.
    TestSupport::Press(second, IDC_INSTALL);
    EXPECT_EQ(setup.Wait(), 0u);
    EXPECT_FALSE(FileExists(two.run.folder / L"first.txt"));
    EXPECT_TRUE(FileExists(two.run.folder / L"second.txt"));
    const auto log = two.run.Log();
    EXPECT_TRUE(HasMessage(log, "*** Component 'Second': SUCCESS")) << two.run.Dump();
    EXPECT_EQ(log.back(), kFinishedZero) << two.run.Dump();
}

TEST(Configurations, CancelInTheFirstEndsTheRunWithMinusTwo) {
    TwoConfigurations two;
    TestSupport::SetupProcess setup(two.setup, two.run.Options(L""));
    HWND first = TestSupport::FindProcessDialog(setup.Id(), two.first);
    ASSERT_NE(first, nullptr);
    TestSupport::Press(first, IDCANCEL);
    EXPECT_EQ(setup.Wait(), kCancelled);
    EXPECT_FALSE(FileExists(two.run.folder / L"first.txt"));
    EXPECT_FALSE(FileExists(two.run.folder / L"second.txt"));
    EXPECT_EQ(two.run.Log().back(), "Bootwright finished, return code=-2") << two.run.Dump();
}

}  // namespace
