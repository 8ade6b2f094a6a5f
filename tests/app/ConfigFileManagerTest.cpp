#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "app/ConfigFileManager.h"
#include "base/ApplicationTitle.h"
#include "base/InstallUILevel.h"
#include "base/InstallerCommandLineInfo.h"
#include "base/InstallerLog.h"
#include "base/InstallerSession.h"
#include "base/Lcid.h"
#include "lib/FileOps.h"
#include "lib/TextConversion.h"
#include "tests/base/LogCapture.h"
#include "tests/support/Expect.h"
#include "tests/support/LocalHttpServer.h"
#include "tests/support/SetupRun.h"
#include "tests/support/TestEnvironment.h"
#include "tests/ui/DialogDriver.h"
#include "ui/SiblingApplications.h"
#include "ui/resource.h"

using Kestlib::WideToAnsi;
using Kestlib::WideToUtf8;

namespace {

const std::string kCurrentSchema = "<schema version=\"1.7.29433.0\"/>";

// Window titles no other test process on this desktop uses.
std::wstring OwnTitle(const std::wstring& base) {
    static int counter = 0;
    return base + L" " + std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(++counter);
}

std::string Install(const std::string& language, const std::string& lcidFilter = "",
                    const std::string& extra = "", const std::string& children = "") {
    return "<configuration type=\"install\" language=\"" + language + "\" language_id=\"" + lcidFilter +
           "\" lcid_filter=\"" + lcidFilter + "\" " + extra + ">" + children + "</configuration>";
}

std::string Document(const std::string& children, const std::string& attributes = "",
                     const std::string& schema = kCurrentSchema) {
    return "<configurations " + attributes + ">" + schema + children + "</configurations>";
}

std::vector<std::wstring> Languages(const ConfigurationList& list) {
    std::vector<std::wstring> languages;
    for (const ConfigurationPtr& configuration : list) languages.push_back(configuration->language);
    return languages;
}

// A language this machine does not report, so that only a choice can select it.
unsigned long OtherLcid() { return GetLcid(LcidTypeUser) == 1031 ? 1036 : 1031; }

// The run as one configuration after the other sees it, without the window.
class RecordingManager : public ConfigFileManager {
public:
    struct Run {
        std::wstring language;
        unsigned long lcid;
        bool more;
        int configLevel;
    };
    std::vector<INT_PTR> results;
    std::vector<Run> runs;

protected:
    INT_PTR RunConfiguration(const ConfigurationPtr& configuration, unsigned long lcid, bool more) override {
        runs.push_back({configuration->language, lcid, more, InstallUILevel::Instance().GetConfigUILevel()});
        // What a configuration does to the level must not reach the next one.
        InstallUILevel::Instance().SetConfigUILevel(UiLevelSilent);
        return runs.size() <= results.size() ? results[runs.size() - 1] : IDOK;
    }
};

// Every case starts and ends with fresh process objects and names its
// document on the command line.
class ConfigFileManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        Reset();
        ApplicationTitle::Instance().SetTitle(m_title);
    }
    void TearDown() override { Reset(); }
    static void Reset() {
        if (InstallerSession::Exists()) {
            const std::wstring made = InstallerSession::Instance().GetMadeDefaultCabPath();
            if (!made.empty()) Kestlib::DeleteDirectory(made, Kestlib::DeleteFiles | Kestlib::DeleteSelf |
                                                                   Kestlib::DeleteRecursive);
        }
        InstallUILevel::Release();
        InstallerSession::Release();
        InstallerCommandLineInfo::Release();
        ApplicationTitle::Release();
    }

    std::wstring Write(const std::wstring& name, const std::string& xml) const {
        const std::wstring path = m_folder / name;
        TestSupport::WriteTextFile(path, xml);
        return path;
    }
    std::wstring Name(const std::string& xml) const {
        const std::wstring path = Write(L"setup.xml", xml);
        InstallerCommandLineInfo::Instance().configFile = path;
        return path;
    }
    static void SetCommandLineLevel(int level) { InstallUILevel::Instance().SetCommandLineUILevel(level); }
    // The selector ends the process when a suite application is open, as
    // another test's stand-in window may be.
    static bool SuiteRunning() { return !FindRunningSiblingApplication().empty(); }

    TestSupport::TempFolder m_folder;
    LogCapture m_log;
    std::wstring m_title = OwnTitle(L"Setup");
};

}  // namespace

TEST_F(ConfigFileManagerTest, ANamedDocumentThatIsNotAFileIsMissingWithoutFallback) {
    const std::wstring cases[] = {m_folder.Path(), m_folder / L"absent.xml"};
    for (const std::wstring& path : cases) {
        SCOPED_TRACE(WideToAnsi(path));
        InstallerCommandLineInfo::Instance().configFile = path;
        ConfigFileManager manager;
        EXPECT_THROW_MESSAGE(manager.LoadConfigurations(), "Missing '" + WideToAnsi(path) + "'");
    }
}

TEST_F(ConfigFileManagerTest, WithoutANamedDocumentTheEmbeddedOneOrTheOneBesideTheExecutableIsRead) {
    const std::wstring beside = Kestlib::PathCombine(Kestlib::GetModuleDirectory(), L"configuration.xml");
    ASSERT_FALSE(Kestlib::FileExists(beside));
    ConfigFileManager manager;
    EXPECT_THROW_MESSAGE(manager.LoadConfigurations(), "Missing '" + WideToAnsi(beside) + "'");

    // A copy of a loading program in a folder of its own, with the document beside it.
    const std::wstring program = m_folder / L"config_beside.exe";
    Kestlib::FileCopy(TestSupport::BinDirectory() + L"config_beside.exe", program);
    const std::wstring document = Write(L"configuration.xml", Document(Install("beside") + Install("too")));
    const std::wstring logFile = m_folder / L"beside.log";
    TestSupport::SetupOptions options;
    options.arguments = L"\"" + logFile + L"\"";
    EXPECT_EQ(TestSupport::RunSetup(program, options), 0u);
    const std::vector<std::string> messages = TestSupport::ReadLogMessages(logFile);
    EXPECT_TRUE(TestSupport::HasMessage(messages, "Loaded 2 configuration(s) from '" + WideToAnsi(document) + "'"))
        << TestSupport::JoinMessages(messages);

    // An embedded document comes before the one beside the executable.
    const std::string embedded = Document(Install("embedded"));
    HANDLE update = ::BeginUpdateResourceW(program.c_str(), FALSE);
    ASSERT_NE(update, nullptr);
    ASSERT_TRUE(::UpdateResourceW(update, L"CUSTOM", L"RES_CONFIGURATION", MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL),
                                  const_cast<char*>(embedded.data()), static_cast<DWORD>(embedded.size())));
    ASSERT_TRUE(::EndUpdateResourceW(update, FALSE));
    EXPECT_EQ(TestSupport::RunSetup(program, options), 0u);
    const std::vector<std::string> second = TestSupport::ReadLogMessages(logFile);
    EXPECT_TRUE(TestSupport::HasMessage(second, "Loaded 1 configuration(s) from 'Resource: RES_CONFIGURATION'"))
        << TestSupport::JoinMessages(second);
}

TEST_F(ConfigFileManagerTest, TheVersionQuestionAnsweredNoInItsWindowStopsLoading) {
    const std::wstring path = Name(Document(Install("old"), "", ""));
    ConfigFileManager manager;
    std::wstring question;
    {
        DialogDriver user([&] {
            HWND box = DialogDriver::FindDialog(m_title);
            if (!box) return;
            question = DialogDriver::Text(box, 0xFFFF);
            DialogDriver::Click(box, IDNO);
        });
        EXPECT_THROW_MESSAGE(manager.LoadConfigurations(),
                             "Configuration version in '" + WideToAnsi(path) +
                                 "' 1 does not match bootstrapper version 1.7.29433.0");
    }
    EXPECT_EQ(question, L"Configuration " + path +
                            L" version 1 does not match bootstrapper version.\r\n"
                            L"Open and re-save configuration.xml with editor version 1.7.29433.0.\r\n"
                            L"Continue with installation?");
}

TEST_F(ConfigFileManagerTest, TheVersionQuestionIsAnsweredYesAtTheSilentLevelWithoutAWindow) {
    Name(Document(Install("old"), "", "<schema version=\"1.6\"/>"));
    SetCommandLineLevel(UiLevelSilent);
    ConfigFileManager manager;
    manager.LoadConfigurations();
    EXPECT_EQ(Languages(manager.configurations), std::vector<std::wstring>{L"old"});
}

TEST_F(ConfigFileManagerTest, TheLanguageSelectorChoosesTheLanguageOrCancelsLoading) {
    if (SuiteRunning()) GTEST_SKIP() << "a suite application window is open";
    const unsigned long other = OtherLcid();
    const std::string chosen = std::to_string(other);
    struct Case {
        const char* name;
        int button;
    };
    const Case cases[] = {{"cancel", IDCANCEL}, {"ok", IDOK}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        InstallerSession::Release();
        const std::wstring title = OwnTitle(L"Choose Language");
        Name(Document(Install("Chosen", chosen) + Install("Neutral") + Install("Never", "1"),
                      "show_language_selector=\"true\" language_selector_title=\"" + WideToUtf8(title) + "\""));
        LogCapture log;
        ConfigFileManager manager;
        DialogDriver user([&] {
            HWND window = DialogDriver::FindDialog(title);
            if (!window) return;
            ::SendMessageW(::GetDlgItem(window, IDC_LANGUAGE_LIST), LB_SETCURSEL, 0, 0);
            DialogDriver::Click(window, c.button);
        });
        if (c.button == IDCANCEL) {
            EXPECT_THROW_MESSAGE(manager.LoadConfigurations(), "Language selection cancelled by user");
        } else {
            manager.LoadConfigurations();
            EXPECT_TRUE(log.HasLine("Locale chosen: " + chosen));
            EXPECT_EQ(Languages(manager.configurations), (std::vector<std::wstring>{L"Chosen", L"Neutral"}));
        }
    }
}

TEST_F(ConfigFileManagerTest, TheSelectorIsLeftOutWhenDisplayingBelowTheFullLevelOrUnasked) {
    struct Case {
        const char* name;
        bool asked;
        int level;
        bool display;
    };
    const Case cases[] = {{"not asked", false, UiLevelNotSet, false},
                          {"basic", true, UiLevelBasic, false},
                          {"silent", true, UiLevelSilent, false},
                          {"display", true, UiLevelNotSet, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        InstallUILevel::Release();
        InstallerCommandLineInfo::Release();
        Name(Document(Install("Neutral"), c.asked ? "show_language_selector=\"true\"" : ""));
        SetCommandLineLevel(c.level);
        InstallerCommandLineInfo::Instance().displayConfig = c.display;
        LogCapture log;
        ConfigFileManager manager;
        manager.LoadConfigurations();
        EXPECT_EQ(log.Text().find("Opening language selector dialog"), std::string::npos);
        EXPECT_EQ(InstallerSession::Instance().languageId, 0u);
    }
}

TEST_F(ConfigFileManagerTest, DisplayingListsThePrimaryDocumentUnfilteredAndUnexpandedButRunsNothing) {
    const std::wstring never = m_folder / L"never.xml";
    Name(Document("<configuration type=\"reference\" language=\"elsewhere\"><configfile filename=\"" +
                  WideToUtf8(never) + "\"/></configuration>" + Install("Neutral") + Install("Never", "1")));
    InstallerCommandLineInfo::Instance().displayConfig = true;
    ConfigFileManager manager;
    manager.LoadConfigurations();
    EXPECT_EQ(Languages(manager.configurations), (std::vector<std::wstring>{L"elsewhere", L"Neutral", L"Never"}));
    EXPECT_FALSE(m_log.HasLine("Loading configuration file: " + WideToAnsi(never)));
    EXPECT_THROW_MESSAGE(manager.RunConfigurations(), "Unexpected configuration type 2");
}

TEST_F(ConfigFileManagerTest, AReferencedDocumentIsFetchedThroughItsDownloadWindow) {
    TestSupport::LocalHttpServer server;
    TestSupport::HttpRoute route;
    route.body = Document(Install("fetched") + Install("fetched too"));
    server.Add("/reference.xml", route);
    const std::wstring fetched = m_folder / L"reference.xml";
    const std::string caption = WideToUtf8(OwnTitle(L"Fetching"));
    Name(Document(Install("before") +
                  "<configuration type=\"reference\"><configfile filename=\"" + WideToUtf8(fetched) +
                  "\"/><downloaddialog dialog_caption=\"" + caption +
                  "\" autostartdownload=\"true\"><download componentname=\"reference\" sourceurl=\"" +
                  WideToUtf8(server.Url("/reference.xml")) + "\" destinationpath=\"" +
                  WideToUtf8(m_folder.Path()) + "\" destinationfilename=\"reference.xml\"/>"
                  "</downloaddialog></configuration>" +
                  Install("after")));
    ConfigFileManager manager;
    manager.LoadConfigurations();
    EXPECT_EQ(Languages(manager.configurations),
              (std::vector<std::wstring>{L"before", L"fetched", L"fetched too", L"after"}));
    EXPECT_EQ(server.RequestCount("/reference.xml"), 1);
    EXPECT_TRUE(m_log.HasLine("Closing download dialog '" + caption + "'"));
    EXPECT_TRUE(m_log.HasLine("Downloading reference configuration to '" + WideToAnsi(fetched) + "'"));
}

TEST_F(ConfigFileManagerTest, ConfigurationsRunInOrderWhileEachEndsWithOk) {
    struct Case {
        const char* name;
        std::vector<INT_PTR> results;
        size_t runs;
    };
    const Case cases[] = {{"all ok", {IDOK, IDOK, IDOK}, 3},
                          {"cancel in the second", {IDOK, IDCANCEL}, 2},
                          {"reboot in the first", {CBootwrightDlg::RebootResult}, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        InstallUILevel::Release();
        Name(Document(Install("A") + Install("B") + Install("C"),
                      "ui_level=\"basic\" lcid_type=\"System\" log_file=\"" + WideToUtf8(m_folder / L"never.log") +
                          "\""));
        RecordingManager manager;
        manager.results = c.results;
        manager.LoadConfigurations();
        EXPECT_EQ(manager.RunConfigurations(), 0);
        ASSERT_EQ(manager.runs.size(), c.runs);
        const wchar_t* languages[] = {L"A", L"B", L"C"};
        for (size_t i = 0; i < c.runs; ++i) {
            EXPECT_EQ(manager.runs[i].language, languages[i]);
            EXPECT_EQ(manager.runs[i].lcid, GetLcid(LcidTypeSystem));
            EXPECT_EQ(manager.runs[i].more, i < 2);
            EXPECT_EQ(manager.runs[i].configLevel, UiLevelBasic);
        }
        // The log had its path already: the document's log_file changes nothing.
        EXPECT_NE(InstallerLog::Instance().GetPath(), m_folder / L"never.log");
    }
}

TEST_F(ConfigFileManagerTest, ALogWithoutAPathTakesTheDocumentsLogFile) {
    Name(Document(Install("A"), "log_file=\"" + WideToUtf8(m_folder / L"document.log") + "\""));
    RecordingManager manager;
    manager.LoadConfigurations();
    const std::wstring processLog = InstallerLog::Instance().GetPath();
    InstallerLog::Release();
    manager.RunConfigurations();
    const std::wstring taken = InstallerLog::Instance().GetPath();
    InstallerLog::Release();
    InstallerLog::Instance().SetPath(processLog);
    EXPECT_EQ(taken, m_folder / L"document.log");
    EXPECT_EQ(manager.runs.size(), 1u);
}

TEST_F(ConfigFileManagerTest, TheMainWindowFiltersComponentsWithTheChosenLanguage) {
    if (SuiteRunning()) GTEST_SKIP() << "a suite application window is open";
    const std::string chosen = std::to_string(OtherLcid());
    const std::string program = WideToUtf8(TestSupport::BinDirectory() + L"proc_exitcode.exe");
    const std::wstring title = OwnTitle(L"Choose Language");
    auto component = [&](const std::string& name, const std::string& lcid) {
        return "<component type=\"cmd\" description=\"" + name + "\" os_filter_lcid=\"" + lcid +
               "\" show_progress_dialog=\"false\" command=\"" + program + " 0\"/>";
    };
    Name(Document(Install("Chosen", chosen, "auto_start=\"true\" dialog_caption=\"" + WideToUtf8(m_title) + "\"",
                          component("Chosen part", chosen) + component("Other part", "1") +
                              component("Every part", "")),
                  "show_language_selector=\"true\" language_selector_title=\"" + WideToUtf8(title) + "\""));
    ConfigFileManager manager;
    {
        DialogDriver user([&] {
            HWND window = DialogDriver::FindDialog(title);
            if (!window) return;
            ::SendMessageW(::GetDlgItem(window, IDC_LANGUAGE_LIST), LB_SETCURSEL, 0, 0);
            DialogDriver::Click(window, IDOK);
        });
        manager.LoadConfigurations();
    }
    EXPECT_EQ(manager.RunConfigurations(), 0);
    EXPECT_TRUE(m_log.HasLine("-- Chosen part: NOT INSTALLED"));
    EXPECT_TRUE(m_log.HasLine("-- Every part: NOT INSTALLED"));
    EXPECT_EQ(m_log.Text().find("-- Other part:"), std::string::npos);
    EXPECT_EQ(m_log.Text().find("Component 'Other part'"), std::string::npos);
    EXPECT_TRUE(m_log.HasLine("*** Component 'Chosen part': SUCCESS")) << m_log.Text();
}
