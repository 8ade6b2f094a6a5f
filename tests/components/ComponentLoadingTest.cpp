#include <gtest/gtest.h>

#include <tinyxml.h>

#include <windows.h>

#include <string>

#include "base/OperatingSystem.h"
#include "components/CmdComponent.h"
#include "components/Components.h"
#include "components/EmbedFile.h"
#include "components/MsiComponent.h"
#include "components/MsuComponent.h"
#include "components/OpenFileComponent.h"
#include "lib/TextConversion.h"
#include "tests/base/FreshSession.h"
#include "tests/base/LogCapture.h"
#include "tests/components/ComponentLoading.h"
#include "tests/support/Expect.h"
#include "tests/support/TestEnvironment.h"

namespace {

class ComponentLoadingTest : public FreshSessionTest {
protected:
    LogCapture log;
};
using ComponentFilterTest = ComponentLoadingTest;

std::string Cmd(const std::string& attributes, const std::string& children = "") {
    return "<component type=\"cmd\" " + attributes + ">" + children + "</component>";
}

TEST_F(ComponentLoadingTest, EachTypeMakesItsKindAndLogsItsLoadedLine) {
    struct Case {
        const char* xml;
        ComponentType type;
        const char* line;
    } cases[] = {
        {"<component type=\"msi\" package=\"a.msi\" description=\"A\"/>", ComponentTypeMsi,
         "Loaded 'msi' component 'a.msi'"},
        {"<component type=\"msu\" package=\"b.msu\" description=\"B\"/>", ComponentTypeMsu,
         "Loaded 'msu' component 'b.msu'"},
        {"<component type=\"cmd\" command=\"x.exe\" description=\"C\"/>", ComponentTypeCmd,
         "Loaded 'cmd' component 'C'"},
        {"<component type=\"openfile\" file=\"d.txt\" description=\"D\"/>", ComponentTypeOpenFile,
         "Loaded 'openfile' component 'd.txt'"},
    };
    for (const Case& c : cases) {
        ComponentPtr component = LoadComponent(c.xml);
        EXPECT_EQ(component->type, c.type) << c.xml;
        EXPECT_TRUE(log.HasLine(c.line)) << c.line;
    }
    EXPECT_EQ(As<MsiComponent>(LoadComponent(cases[0].xml)).package, L"a.msi");
    EXPECT_EQ(As<MsuComponent>(LoadComponent(cases[1].xml)).package, L"b.msu");
    EXPECT_EQ(As<CmdComponent>(LoadComponent(cases[2].xml)).command, L"x.exe");
    EXPECT_EQ(As<OpenFileComponent>(LoadComponent(cases[3].xml)).file, L"d.txt");
}

TEST_F(ComponentLoadingTest, MissingAttributesTakeTheDefaults) {
    ComponentPtr component = LoadComponent("<component type=\"cmd\"/>");
    EXPECT_EQ(component->description, L"");
    EXPECT_EQ(component->status_installed + component->status_notinstalled + component->os_filter_greater +
                  component->os_filter_smaller + component->os_filter_lcid + component->installcompletemessage +
                  component->reboot_required + component->failed_exec_command_continue +
                  component->processor_architecture_filter,
              L"");
    EXPECT_FALSE(component->mustreboot);
    EXPECT_FALSE(component->must_reboot_required);
    EXPECT_TRUE(component->allow_continue_on_error);
    EXPECT_TRUE(component->required);
    EXPECT_TRUE(component->show_progress_dialog);
    EXPECT_TRUE(component->selected);
    EXPECT_TRUE(component->installedchecks.empty());
    EXPECT_TRUE(component->embedfiles.empty());
    EXPECT_TRUE(component->downloaddialog.is_null());
    EXPECT_EQ(component->GetExitCode(), 16777215u);
    EXPECT_FALSE(component->IsExecuting());
    EXPECT_FALSE(component->IsRebootRequired());

    ComponentPtr notRequired = LoadComponent(Cmd("required=\"false\""));
    EXPECT_FALSE(notRequired->required);
    EXPECT_TRUE(notRequired->show_progress_dialog);
}

TEST_F(ComponentLoadingTest, EveryAttributeIsReadAndExpanded) {
    ::SetEnvironmentVariableW(L"BWT_COMPONENT_TEXT", L"env");
    ComponentPtr component = LoadComponent(Cmd(
        "description=\"#PID\" status_installed=\"si %BWT_COMPONENT_TEXT%\" status_notinstalled=\"sn\" "
        "os_filter_greater=\"%BWT_GREATER%\" os_filter_smaller=\"110\" os_filter_lcid=\"1031\" "
        "installcompletemessage=\"done\" mustreboot=\"TRUE\" reboot_required=\"rr\" must_reboot_required=\"true\" "
        "allow_continue_on_error=\"False\" failed_exec_command_continue=\"fc\" required=\"false\" "
        "processor_architecture_filter=\"x64\" show_progress_dialog=\"%BWT_FALSE%\" command=\"c %BWT_COMPONENT_TEXT%\" "
        "command_silent=\"s\" command_basic=\"b\""));
    ::SetEnvironmentVariableW(L"BWT_COMPONENT_TEXT", nullptr);
    EXPECT_EQ(component->description, std::to_wstring(::GetCurrentProcessId()));
    EXPECT_EQ(component->status_installed, L"si env");
    EXPECT_EQ(component->status_notinstalled, L"sn");
    EXPECT_EQ(component->os_filter_greater, L"");
    EXPECT_EQ(component->os_filter_smaller, L"110");
    EXPECT_EQ(component->os_filter_lcid, L"1031");
    EXPECT_EQ(component->installcompletemessage, L"done");
    EXPECT_TRUE(component->mustreboot);
    EXPECT_TRUE(component->IsRebootRequired());
    EXPECT_EQ(component->reboot_required, L"rr");
    EXPECT_TRUE(component->must_reboot_required);
    EXPECT_FALSE(component->allow_continue_on_error);
    EXPECT_EQ(component->failed_exec_command_continue, L"fc");
    EXPECT_FALSE(component->required);
    EXPECT_EQ(component->processor_architecture_filter, L"x64");
    // An expansion to nothing is an absent value: the default.
    EXPECT_TRUE(component->show_progress_dialog);
    const CmdComponent& cmd = As<CmdComponent>(component);
    EXPECT_EQ(cmd.command + L"|" + cmd.command_silent + L"|" + cmd.command_basic, L"c env|s|b");

    ::SetEnvironmentVariableW(L"BWT_FALSE", L"false");
    EXPECT_FALSE(LoadComponent(Cmd("show_progress_dialog=\"%BWT_FALSE%\""))->show_progress_dialog);
    ::SetEnvironmentVariableW(L"BWT_FALSE", nullptr);
}

TEST_F(ComponentLoadingTest, ChildrenInDocumentOrderWithCommentsAndTextSkipped) {
    TestSupport::TempFolder folder;
    const std::string present = Kestlib::WideToAnsi(folder.Path());
    ComponentPtr component = LoadComponentUnrecorded(Cmd(
        "description=\"d\"",
        "<!-- a comment --> text <installedcheck type=\"check_directory\" path=\"" + present +
            "\"/><installedcheckoperator type=\"Not\"><installedcheck type=\"check_directory\" path=\"" + present +
            "\\missing\"/></installedcheckoperator>"
            "<embedfile sourcefilepath=\"%BWT_NOT_SET%src\" targetfilepath=\"tgt\"/><embedfile/>"
            "<downloaddialog dialog_caption=\"first\"><download componentname=\"f1\" sourceurl=\"http://127.0.0.1/x\" "
            "destinationfilename=\"x\"/></downloaddialog>"
            "<downloaddialog dialog_caption=\"second\"><download componentname=\"f2\" sourceurl=\"http://127.0.0.1/y\" "
            "destinationfilename=\"y\"/></downloaddialog>"));
    EXPECT_EQ(component->installedchecks.size(), 2u);
    EXPECT_TRUE(component->IsInstalled());
    ASSERT_EQ(component->embedfiles.size(), 2u);
    EXPECT_EQ(component->embedfiles[0]->sourcefilepath, L"src");
    EXPECT_EQ(component->embedfiles[0]->targetfilepath, L"tgt");
    EXPECT_TRUE(log.HasLine("Read 'embedfile', source=src, target=tgt"));
    EXPECT_TRUE(log.HasLine("Read 'embedfile', source=, target="));
    // A later download dialog replaces an earlier one.
    ASSERT_FALSE(component->downloaddialog.is_null());
    EXPECT_EQ(component->downloaddialog->dialog_caption, L"second");
}

TEST_F(ComponentLoadingTest, BadInputFailsWithItsText) {
    struct Case {
        std::string xml;
        const char* message;
    } cases[] = {
        {"<component type=\"MSI\"/>", "Unsupported component type: MSI"},
        {"<component type=\"exe\"/>", "Unsupported component type: exe"},
        {"<component/>", "Unsupported component type: "},
        // The type is compared as written, not expanded.
        {"<component type=\"%BWT_NOT_SET%cmd\"/>", "Unsupported component type: %BWT_NOT_SET%cmd"},
        {"<Component type=\"cmd\"/>", "Expected 'component' node, got 'Component'"},
        {Cmd("", "<bogus/>"), "Unexpected node 'bogus'"},
        {Cmd("", "<embedfile/><Embedfile/>"), "Unexpected node 'Embedfile'"},
        {Cmd("", "<configuration/>"), "Unexpected node 'configuration'"},
        {Cmd("", "<installedcheck type=\"check_nothing\"/>"), "Invalid installed check type 'check_nothing'"},
        {Cmd("required=\"yes\""), "Invalid boolean value: yes"},
        {Cmd("mustreboot=\"1\""), "Invalid boolean value: 1"},
        {"<component type=\"msi\" show_progress_dialog=\"no\"/>", "Invalid boolean value: no"},
        {"<component type=\"openfile\" allow_continue_on_error=\"on\"/>", "Invalid boolean value: on"},
        {Cmd("", "<downloaddialog dialog_caption=\"c\"/>"),
         "Invalid  Download dialog 'c', requires at least one download file."},
        {Cmd("description=\"@[HKLM]\""), "Invalid registry path 'HKLM' in '@[HKLM]'"},
    };
    for (const Case& c : cases) EXPECT_THROW_MESSAGE(LoadComponent(c.xml), c.message);
}

TEST_F(ComponentLoadingTest, AnEmbedFileElementMustBeNamedSo) {
    EmbedFile file;
    EXPECT_THROW_MESSAGE(file.Load(nullptr), "Expected 'embedfile' node");
    TiXmlDocument document;
    document.Parse("<embedfiles sourcefilepath=\"s\"/>");
    EXPECT_THROW_MESSAGE(file.Load(document.RootElement()), "Expected 'embedfile' node, got 'embedfiles'");
    EXPECT_THROW_MESSAGE(ComponentFactory::Load(nullptr), "Expected 'component' node");
}

TEST_F(ComponentLoadingTest, InstalledEvaluatesEveryCheckWithoutStopping) {
    TestSupport::TempFolder folder;
    const std::string yes =
        "<installedcheck type=\"check_directory\" path=\"" + Kestlib::WideToAnsi(folder.Path()) + "\"/>";
    const std::string no =
        "<installedcheck type=\"check_directory\" path=\"" + Kestlib::WideToAnsi(folder / L"missing") + "\"/>";
    // An operator of an unknown type only fails when it is evaluated.
    const std::string throwing = "<installedcheckoperator type=\"Xor\">" + yes + "</installedcheckoperator>";
    EXPECT_FALSE(LoadComponent(Cmd(""))->IsInstalled());
    EXPECT_TRUE(LoadComponent(Cmd("", yes))->IsInstalled());
    EXPECT_TRUE(LoadComponent(Cmd("", yes + yes))->IsInstalled());
    EXPECT_FALSE(LoadComponent(Cmd("", yes + no))->IsInstalled());
    EXPECT_FALSE(LoadComponent(Cmd("", no + yes))->IsInstalled());
    ComponentPtr failing = LoadComponentUnrecorded(Cmd("", no + throwing));
    EXPECT_THROW(failing->IsInstalled(), std::exception);
}

TEST_F(ComponentFilterTest, LanguageThenProcessorThenExclusiveOsRange) {
    const int os = GetOperatingSystem();
    const std::string below = std::to_string(os - 1), at = std::to_string(os), above = std::to_string(os + 1);
    struct Case {
        std::string attributes;
        unsigned long lcid;
        bool supported;
    } cases[] = {
        {"", 0, true},
        {"os_filter_lcid=\"1031\"", 1031, true},
        {"os_filter_lcid=\"1031\"", 0, false},
        {"os_filter_lcid=\"!1033\"", 0, true},
        {"os_filter_lcid=\"1033,1031\"", 1031, true},
        {"processor_architecture_filter=\"x64\"", 0, true},
        {"processor_architecture_filter=\"x86\"", 0, false},
        {"processor_architecture_filter=\"!x64\"", 0, false},
        {"os_filter_greater=\"" + below + "\"", 0, true},
        {"os_filter_greater=\"" + at + "\"", 0, false},
        {"os_filter_smaller=\"" + above + "\"", 0, true},
        {"os_filter_smaller=\"" + at + "\"", 0, false},
        {"os_filter_greater=\"" + below + "\" os_filter_smaller=\"" + above + "\"", 0, true},
        {"os_filter_greater=\"-1\" os_filter_smaller=\"121\"", 0, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LoadComponent(Cmd(c.attributes))->IsSupported(c.lcid), c.supported) << c.attributes;
    // A language that does not match hides the invalid names and bounds after
    // it. Invalid filters lie outside the vocabulary: not recorded.
    EXPECT_FALSE(LoadComponentUnrecorded(Cmd("os_filter_lcid=\"1031\" processor_architecture_filter=\"bogus\" "
                                             "os_filter_greater=\"a\""))
                     ->IsSupported(1033));
    EXPECT_FALSE(LoadComponentUnrecorded(Cmd("processor_architecture_filter=\"x86\" os_filter_greater=\"a\""))
                     ->IsSupported(0));

    struct Failure {
        const char* attributes;
        const char* message;
    } failures[] = {
        {"processor_architecture_filter=\"X64\"", "Invalid processor architecture: X64"},
        {"processor_architecture_filter=\"arm9\"", "Invalid processor architecture: arm9"},
        {"os_filter_greater=\"sixty\"", "Invalid number: sixty"},
        {"os_filter_smaller=\"100x\"", "Invalid number: 100x"},
        {"os_filter_lcid=\"en\"", "Invalid number: en"},
    };
    for (const Failure& f : failures)
        EXPECT_THROW_MESSAGE(LoadComponentUnrecorded(Cmd(f.attributes))->IsSupported(0), f.message);
}

TEST_F(ComponentFilterTest, SupportedComponentsShareTheObjectsAndLogEachDecision) {
    Components all;
    all.push_back(LoadComponent(Cmd("description=\"First\" os_filter_lcid=\"1031\"")));
    all.push_back(LoadComponent(Cmd("description=\"Second\" processor_architecture_filter=\"x86,x64\" "
                                    "os_filter_greater=\"10\"")));
    all.push_back(LoadComponent(Cmd("description=\"Third\" os_filter_smaller=\"5\"")));
    LogCapture decisions;
    Components supported = all.GetSupportedComponents(0);
    ASSERT_EQ(supported.size(), 1u);
    EXPECT_EQ(supported[0].get(), all[1].get());
    EXPECT_EQ(all[1].use_count(), 2);
    EXPECT_TRUE(decisions.HasLine("-- First (os_filter_lcid=1031, os_filter_greater=, os_filter_smaller=, "
                                  "processor_architecture_filter=): SKIPPED"));
    EXPECT_TRUE(decisions.HasLine("-- Second (os_filter_lcid=, os_filter_greater=10, os_filter_smaller=, "
                                  "processor_architecture_filter=x86,x64): LOADED"));
    EXPECT_TRUE(decisions.HasLine("-- Third (os_filter_lcid=, os_filter_greater=, os_filter_smaller=5, "
                                  "processor_architecture_filter=): SKIPPED"));
    EXPECT_TRUE(decisions.HasLine("--- Loaded 1 supported component(s)"));
    EXPECT_EQ(all.GetSupportedComponents(1031).size(), 2u);
    EXPECT_TRUE(Components().GetSupportedComponents(0).empty());
}

TEST_F(ComponentFilterTest, ToStringShowsTheFiltersThatAreSet) {
    struct Case {
        const char* attributes;
        int indent;
        const wchar_t* text;
    } cases[] = {
        {"description=\"A\"", 0, L"A"},
        {"description=\"A\" os_filter_lcid=\"1031\"", 2, L"  A, lang=1031"},
        {"description=\"A\" processor_architecture_filter=\"x86\"", 1, L" A, pa=x86"},
        {"description=\"A\" os_filter_greater=\"60\"", 0, L"A, os=60/"},
        {"description=\"A\" os_filter_smaller=\"100\"", 0, L"A, os=/100"},
        {"description=\"A\" os_filter_lcid=\"!1033\" processor_architecture_filter=\"x64\" "
         "os_filter_greater=\"60\" os_filter_smaller=\"121\"",
         1, L" A, lang=!1033, pa=x64, os=60/121"},
    };
    Components list;
    for (const Case& c : cases) {
        ComponentPtr component = LoadComponent(Cmd(c.attributes));
        EXPECT_EQ(component->ToString(c.indent), c.text);
        list.push_back(component);
    }
    EXPECT_EQ(Components(list.begin(), list.begin() + 2).ToString(1), L" A\r\n A, lang=1031");
    EXPECT_EQ(Components().ToString(1), L"");
}

}  // namespace
