#include <string>
#include <vector>

#include "components/ProcessComponent.h"
#include "lib/FileOps.h"
#include "lib/Registry.h"
#include "sequence/RebootRunKey.h"
#include "tests/support/LocalHttpServer.h"
#include "tests/ui/MainDialogTesting.h"
#include "ui/resource.h"

using namespace MainDialogTesting;

namespace {

bool RunValueExists() { return Kestlib::RegistryKeyExists(HKEY_LOCAL_MACHINE, RebootRunKeyPath, RebootRunValueName()); }

TEST_F(MainDialogTest, SilentRunsStartThemselvesAndReturnTheFirstFailure) {
    SetLevel(UiLevelSilent);
    struct Case {
        const char* name;
        std::string components;
        int code;
        std::vector<std::string> lines;
    } cases[] = {
        {"all succeed",
         Cmd("A", 0) + Cmd("B", 0),
         0,
         {"Silent mode: automatically starting install", "--- Component 'A': EXECUTING", "--- Component 'A: DIALOG CLOSED",
          "*** Component 'A': SUCCESS", "*** Component 'B': SUCCESS"}},
        {"a failure in the middle",
         Cmd("A", 0) + Cmd("B", 7) + Cmd("C", 9) + Cmd("D", 0),
         7,
         {"*** Component 'B' ERROR: Error executing 'B': 0x7", "--- Component 'B' FAILED: Error executing 'B': 0x7",
          "--- Component 'C': EXECUTING", "--- Component 'C' FAILED: Error executing 'C': 0x9",
          "*** Component 'D': SUCCESS"}},
        {"an installed component",
         Installed("A") + Cmd("B", 5),
         5,
         {"-- A: INSTALLED", "-- B: NOT INSTALLED", "--- Component 'A': SKIPPED", "--- Component 'B': EXECUTING"}},
    };
    for (const Case& c : cases) {
        // A value left by an earlier reboot goes when the dialog opens.
        Kestlib::RegistrySetStringValue(RebootRunKeyPath, RebootRunValueName(), L"\"setup.exe\" /Reboot");
        LogCapture log;
        ActivationWatch shown;
        EXPECT_EQ(Run(Configuration("", c.components), true), IDOK) << c.name;
        EXPECT_EQ(m_dialog.GetReturnCode(), c.code) << c.name;
        EXPECT_FALSE(m_dialog.IsRebootRequested()) << c.name;
        EXPECT_EQ(shown.Count(), 0) << c.name;
        EXPECT_FALSE(RunValueExists()) << c.name;
        for (const std::string& line : c.lines) EXPECT_TRUE(log.HasLine(line)) << c.name << ": " << line;
        // The completion step runs after components only at the full level.
        EXPECT_FALSE(log.HasLine("--- Complete Command")) << c.name;
    }
}

TEST_F(MainDialogTest, AFailureAtTheFullLevelKeepsTheDialogOpenUnlessTheConfigurationClosesIt) {
    const std::string components = Cmd("A", 0) + Cmd("B", 7) + Cmd("C", 0);
    bool reenabled = false;
    EXPECT_EQ(Run(Configuration("", components), false,
                  [&] {
                      HWND window = WaitForWindow();
                      DialogDriver::Press(window, IDC_INSTALL);
                      DialogDriver::WaitFor([&] { return m_log.HasLine("*** Component 'C': SUCCESS"); });
                      // The buttons rest during the run and are back once it is over.
                      reenabled = DialogDriver::WaitFor(
                          [&] { return ::IsWindowEnabled(::GetDlgItem(window, IDCANCEL)) != FALSE; });
                      DialogDriver::Press(window, IDCANCEL);
                  }),
              IDCANCEL);
    EXPECT_TRUE(reenabled);
    // Cancel after a failure keeps the failure's code.
    EXPECT_EQ(m_dialog.GetReturnCode(), 7);
    EXPECT_FALSE(m_log.HasLine("--- Complete Command"));

    EXPECT_EQ(Run(Configuration("auto_close_on_error=\"true\"", components), false,
                  [&] { DialogDriver::Press(WaitForWindow(), IDC_INSTALL); }),
              IDOK);
    EXPECT_EQ(m_dialog.GetReturnCode(), 7);
}

TEST_F(MainDialogTest, CancelSkipAndInstallShapeTheCodeAcrossConfigurations) {
    SetLevel(UiLevelFull);
    EXPECT_EQ(Run(Configuration("", Cmd("A", 0)), true, [&] { DialogDriver::Press(WaitForWindow(), IDCANCEL); }),
              IDCANCEL);
    EXPECT_EQ(m_dialog.GetReturnCode(), -2);
    EXPECT_FALSE(m_log.HasLine("--- Component 'A': EXECUTING"));

    SetLevel(UiLevelSilent);
    EXPECT_EQ(Run(Configuration("", Cmd("A", 4)), true), IDOK);
    EXPECT_EQ(m_dialog.GetReturnCode(), 4);

    SetLevel(UiLevelFull);
    LogCapture skipped;
    EXPECT_EQ(Run(Configuration("", Cmd("S", 0)), true, [&] { DialogDriver::Press(WaitForWindow(), IDC_SKIP); }),
              IDOK);
    EXPECT_EQ(m_dialog.GetReturnCode(), 4);
    EXPECT_FALSE(skipped.HasLine("--- Component 'S': EXECUTING"));

    EXPECT_EQ(Run(Configuration("", Cmd("A", 0)), false, [&] { DialogDriver::Press(WaitForWindow(), IDCANCEL); }),
              IDCANCEL);
    EXPECT_EQ(m_dialog.GetReturnCode(), 4);
}

TEST_F(MainDialogTest, AnErrorAfterTheComponentsReportsItAndEndsWithMinusOne) {
    const std::string missing = Ansi(m_folder / L"missing.exe");
    std::wstring shown;
    EXPECT_EQ(Run(Configuration("complete_command=\"" + missing + "\"", Cmd("A", 0)), true,
                  [&] {
                      HWND window = WaitForWindow();
                      DialogDriver::Press(window, IDC_INSTALL);
                      shown = AnswerMessageBox(window, IDOK);
                  }),
              IDOK);
    EXPECT_EQ(m_dialog.GetReturnCode(), -1);
    EXPECT_TRUE(m_log.HasLine("*** Component 'A': SUCCESS"));
    const std::string logged = "\t*** Failed to install one or more components: ";
    EXPECT_NE(m_log.Text().find(logged + Ansi(shown) + "\r\n"), std::string::npos) << Ansi(shown);
    EXPECT_NE(shown.find(Kestlib::AnsiToWide(missing)), std::wstring::npos) << Ansi(shown);
}

TEST_F(MainDialogTest, CompletionMessagesAndADeclinedRebootAtTheFullLevel) {
    std::wstring first, second, third;
    const std::string components = Cmd("A", 0, "installcompletemessage=\"A is ready\"") +
                                   Cmd("B", 0, "mustreboot=\"true\" reboot_required=\"Restart now?\"") + Cmd("C", 0);
    EXPECT_EQ(Run(Configuration("installation_completed=\"All done\"", components), false,
                  [&] {
                      HWND window = WaitForWindow();
                      DialogDriver::Press(window, IDC_INSTALL);
                      first = AnswerMessageBox(window, IDOK);
                      second = AnswerMessageBox(window, IDNO);
                      third = AnswerMessageBox(window, IDOK);
                  }),
              IDOK);
    EXPECT_EQ(first, L"A is ready");
    EXPECT_EQ(second, L"Restart now?");
    EXPECT_EQ(third, L"All done");
    EXPECT_EQ(m_dialog.GetReturnCode(), 0);
    EXPECT_FALSE(m_dialog.IsRebootRequested());
    EXPECT_TRUE(m_log.HasLine("--- Component 'B: REQUESTS REBOOT"));
    EXPECT_FALSE(m_log.HasLine("--- Component 'B: REQUIRES REBOOT"));
    EXPECT_FALSE(m_log.HasLine("--- Component 'B: CAUSED A REBOOT"));
    EXPECT_TRUE(m_log.HasLine("*** Component 'C': SUCCESS"));
    EXPECT_TRUE(m_log.HasLine("--- Complete Command"));
    EXPECT_FALSE(RunValueExists());
}

TEST_F(MainDialogTest, AFailedDownloadFailsItsComponentAndTheLoopGoesOn) {
    SetLevel(UiLevelSilent);
    TestSupport::LocalHttpServer server;
    const std::string download = "<downloaddialog dialog_caption=\"" + Ansi(UniqueTitle(L"Download")) +
                                 "\" autostartdownload=\"true\"><download componentname=\"runtime\" sourceurl=\"" +
                                 Ansi(server.Url("/runtime.msi")) + "\" destinationpath=\"" + Ansi(m_folder.Path()) +
                                 "\" destinationfilename=\"runtime.msi\"/></downloaddialog>";
    EXPECT_EQ(Run(Configuration("", Cmd("Runtime", 0, "", download) + Cmd("Tools", 0)), false), IDOK);
    EXPECT_EQ(server.RequestCount("/runtime.msi"), 1);
    EXPECT_EQ(m_dialog.GetReturnCode(), static_cast<int>(ProcessComponent::NotStartedExitCode));
    const std::string text = m_log.Text();
    const size_t onDownload = text.find("\t*** Component 'Runtime: ERROR ON DOWNLOAD\r\n");
    const size_t error = text.find("\t*** Component 'Runtime' ERROR: Error downloading 'Runtime'\r\n");
    const size_t failed = text.find("\t--- Component 'Runtime' FAILED: Error downloading 'Runtime'\r\n");
    const size_t next = text.find("\t*** Component 'Tools': SUCCESS\r\n");
    ASSERT_NE(onDownload, std::string::npos) << text;
    EXPECT_LT(onDownload, error);
    EXPECT_LT(error, failed);
    EXPECT_LT(failed, next);
    EXPECT_NE(next, std::string::npos);
    EXPECT_FALSE(m_log.HasLine("*** Component 'Runtime': SUCCESS"));
}

TEST_F(MainDialogTest, EverythingInstalledAtEachLevel) {
    const std::wstring output = m_folder / L"completed.txt";
    ProcessTesting::ScopedVariable target(L"PROC_PRINTARGS_OUTPUT", output);
    const std::string complete =
        "complete_command=\"" + Ansi(ProcessTesting::Program(L"proc_printargs.exe")) + " finished\" ";
    struct Case {
        int level;
        const char* attributes;
        bool waits;     // for the user to press Install
        bool message;   // installation_none is shown
    } cases[] = {
        {UiLevelFull, "auto_close_if_installed=\"false\"", true, false},
        {UiLevelFull, "installation_none=\"Nothing to install\"", false, true},
        {UiLevelBasic, "auto_close_if_installed=\"false\"", false, false},
        {UiLevelSilent, "auto_close_if_installed=\"false\" installation_none=\"Nothing to install\"", false, false},
    };
    for (const Case& c : cases) {
        SetLevel(c.level);
        ::DeleteFileW(output.c_str());
        LogCapture log;
        ActivationWatch shown;
        bool installEnabled = false;
        bool completedFirst = true;
        std::wstring message;
        const INT_PTR result = Run(
            Configuration(complete + c.attributes, Installed("A") + Installed("B")), true, [&] {
                if (c.waits) {
                    HWND window = WaitForWindow();
                    installEnabled = ::IsWindowEnabled(::GetDlgItem(window, IDC_INSTALL)) != FALSE;
                    completedFirst = log.HasLine("--- Complete Command");
                    DialogDriver::Press(window, IDC_INSTALL);
                } else if (c.message) {
                    message = AnswerMessageBox(m_dialog.GetHwnd(), IDOK);
                }
            });
        EXPECT_EQ(result, IDOK) << c.level << c.attributes;
        EXPECT_EQ(m_dialog.GetReturnCode(), 0) << c.level;
        EXPECT_TRUE(log.HasLine("--- Complete Command")) << c.level;
        EXPECT_TRUE(TestSupport::ReadTextFile(output).find(" finished") != std::string::npos) << c.level;
        EXPECT_FALSE(log.HasLine("--- Component 'A': EXECUTING")) << c.level;
        if (c.waits) {
            EXPECT_TRUE(installEnabled);
            EXPECT_FALSE(completedFirst);
            EXPECT_TRUE(log.HasLine("--- Component 'A': SKIPPED"));
        }
        if (c.message) {
            EXPECT_EQ(message, L"Nothing to install");
        }
        // A dialog ended while it was set up never appears.
        if (!c.waits && !c.message) {
            EXPECT_EQ(shown.Count(), 0) << c.level;
        }
    }
}

TEST_F(MainDialogTest, CompletionArgumentsWithoutACompletionCommand) {
    SetLevel(UiLevelSilent);
    const std::wstring output = m_folder / L"arguments.txt";
    ProcessTesting::ScopedVariable target(L"PROC_PRINTARGS_OUTPUT", output);
    const std::wstring arguments = ProcessTesting::Program(L"proc_printargs.exe") + L" --done \"x y\"";
    InstallerCommandLineInfo::Instance().completeCommandArgs = arguments;
    EXPECT_EQ(Run(Configuration("", Installed("A")), false), IDOK);
    EXPECT_TRUE(m_log.HasLine("Executing complete command:  " + Ansi(arguments)));
    EXPECT_EQ(TestSupport::ReadTextFile(output), Ansi(arguments));
}

TEST_F(MainDialogTest, TheExtractionFolderGoesOnlyWhenTheConfigurationSaysSo) {
    SetLevel(UiLevelSilent);
    for (const bool autodelete : {false, true}) {
        const std::wstring folder = m_folder / (autodelete ? L"deleted" : L"kept");
        ::CreateDirectoryW(folder.c_str(), nullptr);
        TestSupport::WriteTextFile(folder + L"\\setup.msi", "payload");
        LogCapture log;
        EXPECT_EQ(Run(Configuration("cab_path=\"" + Ansi(folder) + "\" cab_path_autodelete=\"" +
                                        (autodelete ? "true" : "false") + "\"",
                                    Cmd("A", 0)),
                      false),
                  IDOK);
        EXPECT_EQ(Kestlib::DirectoryExists(folder), !autodelete) << autodelete;
        EXPECT_EQ(log.HasLine("Deleting temporary folder: " + Ansi(folder)), autodelete);
    }
}

TEST_F(MainDialogTest, AnAutomaticStartAtTheFullLevelLeavesTheButtonsDisabled) {
    struct Case {
        bool reboot;
        const char* attributes;
        const char* line;   // empty: no automatic start
    } cases[] = {
        // A resumed run does not look at auto_start.
        {true, "auto_start=\"true\"", ""},
        {false, "auto_start=\"true\"", "Configuration defines auto-start: automatically starting install"},
        {true, "auto_continue_on_reboot=\"true\"", "Reboot defines auto-start: automatically starting install"},
    };
    for (const Case& c : cases) {
        InstallerCommandLineInfo::Instance().reboot = c.reboot;
        const bool automatic = *c.line != '\0';
        LogCapture log;
        bool install = true, cancel = true, link = true;
        EXPECT_EQ(Run(Configuration(std::string(c.attributes) +
                                        " dialog_otherinfo_caption=\"Release notes\" dialog_otherinfo_link=\"http://127.0.0.1/notes\"",
                                    Cmd("A", 3)),
                      true,
                      [&] {
                          HWND window = WaitForWindow();
                          if (automatic) DialogDriver::WaitFor([&] { return log.HasLine("*** Component 'A' ERROR: Error executing 'A': 0x3"); });
                          install = ::IsWindowEnabled(::GetDlgItem(window, IDC_INSTALL)) != FALSE;
                          cancel = ::IsWindowEnabled(::GetDlgItem(window, IDCANCEL)) != FALSE;
                          link = ::IsWindowEnabled(::GetDlgItem(window, IDC_OTHERINFO_LINK)) != FALSE;
                          // Pressing the disabled button does nothing; closing the window cancels.
                          if (automatic) DialogDriver::Press(window, IDC_INSTALL);
                          ::PostMessageW(window, WM_CLOSE, 0, 0);
                      }),
                  IDCANCEL)
            << c.attributes;
        EXPECT_EQ(install, !automatic) << c.attributes;
        EXPECT_EQ(cancel, !automatic) << c.attributes;
        EXPECT_EQ(link, !automatic) << c.attributes;
        EXPECT_EQ(m_dialog.GetReturnCode(), automatic ? 3 : -2) << c.attributes;
        EXPECT_EQ(log.HasLine("--- Component 'A': EXECUTING"), automatic) << c.attributes;
        if (automatic) {
            EXPECT_TRUE(log.HasLine(c.line)) << c.line;
        }
        EXPECT_FALSE(log.HasLine("Configuration defines auto-start: automatically starting install") && c.reboot);
    }
}

TEST_F(MainDialogTest, TheUserUnchecksAComponentThatThenDoesNotRun) {
    std::vector<std::wstring> texts;
    std::vector<bool> checks, enabled, after;
    const std::string components = Cmd("Runtime", 0) + Cmd("Samples", 0) + Installed("Core") +
                                   Cmd("Tools", 0, "required=\"true\"");
    EXPECT_EQ(Run(Configuration("", components), false,
                  [&] {
                      HWND window = WaitForWindow();
                      HWND list = ::GetDlgItem(window, IDC_COMPONENTS_LIST);
                      const CComponentsList& entries = m_dialog.GetComponentsList();
                      const int count = static_cast<int>(::SendMessageW(list, LB_GETCOUNT, 0, 0));
                      for (int index = 0; index < count; ++index) {
                          texts.push_back(entries.GetText(index));
                          checks.push_back(entries.GetCheck(index));
                          enabled.push_back(entries.IsEntryEnabled(index));
                      }
                      RECT item = {};
                      ::SendMessageW(list, LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&item));
                      const LPARAM point = MAKELPARAM(item.left + 3, item.top + 3);
                      ::SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, point);
                      ::SendMessageW(list, WM_LBUTTONUP, 0, point);
                      for (int index = 0; index < count; ++index) after.push_back(entries.GetCheck(index));
                      DialogDriver::Press(window, IDC_INSTALL);
                  }),
              IDOK);
    EXPECT_EQ(texts, (std::vector<std::wstring>{L"Runtime (not installed)", L"Samples (not installed)",
                                                L"Core (installed)", L"Tools (not installed)"}));
    EXPECT_EQ(checks, (std::vector<bool>{true, true, false, true}));
    EXPECT_EQ(enabled, (std::vector<bool>{true, true, false, false}));
    EXPECT_EQ(after, (std::vector<bool>{true, false, false, true}));
    EXPECT_TRUE(m_log.HasLine("*** Component 'Runtime': SUCCESS"));
    EXPECT_TRUE(m_log.HasLine("--- Component 'Samples': SKIPPED"));
    EXPECT_TRUE(m_log.HasLine("--- Component 'Core': SKIPPED"));
    EXPECT_TRUE(m_log.HasLine("*** Component 'Tools': SUCCESS"));
    EXPECT_EQ(m_dialog.GetReturnCode(), 0);
}

}  // namespace
