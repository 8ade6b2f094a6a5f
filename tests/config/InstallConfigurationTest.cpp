#include <gtest/gtest.h>

#include <tinyxml.h>

#include <windows.h>

#include <string>

#include "base/InstallerSession.h"
#include "config/InstallConfiguration.h"
#include "tests/base/FreshSession.h"
#include "tests/base/LogCapture.h"
#include "tests/support/Expect.h"

namespace {

class InstallConfigurationTest : public FreshSessionTest {
protected:
    void Load(const std::string& attributes, const std::string& children = "") {
        TiXmlDocument document;
        document.Parse(("<configuration type=\"install\" " + attributes + ">" + children + "</configuration>").c_str());
        ASSERT_FALSE(document.Error()) << document.ErrorDesc();
        configuration.Load(document.RootElement());
    }

    LogCapture log;
    InstallConfiguration configuration;
};

bool IsZero(const Position& p) { return p.x == 0 && p.y == 0 && p.width == 0 && p.height == 0; }

const char* const TextAttributes[] = {
    "cab_path", "cancel_caption", "dialog_bitmap", "dialog_caption", "dialog_message", "skip_caption",
    "install_caption", "status_installed", "status_notinstalled", "failed_exec_command_continue",
    "installation_completed", "installation_none", "reboot_required", "installing_component_wait",
    "dialog_otherinfo_caption", "dialog_otherinfo_link", "complete_command", "complete_command_basic",
    "complete_command_silent", "cab_dialog_caption", "cab_dialog_message", "cab_cancelled_message", "reboot_cmd",
};

std::wstring InstallConfiguration::*const TextFields[] = {
    &InstallConfiguration::cab_path, &InstallConfiguration::cancel_caption, &InstallConfiguration::dialog_bitmap,
    &InstallConfiguration::dialog_caption, &InstallConfiguration::dialog_message, &InstallConfiguration::skip_caption,
    &InstallConfiguration::install_caption, &InstallConfiguration::status_installed,
    &InstallConfiguration::status_notinstalled, &InstallConfiguration::failed_exec_command_continue,
    &InstallConfiguration::installation_completed, &InstallConfiguration::installation_none,
    &InstallConfiguration::reboot_required, &InstallConfiguration::installing_component_wait,
    &InstallConfiguration::dialog_otherinfo_caption, &InstallConfiguration::dialog_otherinfo_link,
    &InstallConfiguration::complete_command, &InstallConfiguration::complete_command_basic,
    &InstallConfiguration::complete_command_silent, &InstallConfiguration::cab_dialog_caption,
    &InstallConfiguration::cab_dialog_message, &InstallConfiguration::cab_cancelled_message,
    &InstallConfiguration::reboot_cmd,
};

struct Flag {
    const char* attribute;
    bool InstallConfiguration::*field;
    bool defaultValue;
} const Flags[] = {
    {"cab_path_autodelete", &InstallConfiguration::cab_path_autodelete, true},
    {"must_reboot_required", &InstallConfiguration::must_reboot_required, false},
    {"wait_for_complete_command", &InstallConfiguration::wait_for_complete_command, true},
    {"auto_close_if_installed", &InstallConfiguration::auto_close_if_installed, true},
    {"auto_close_on_error", &InstallConfiguration::auto_close_on_error, false},
    {"allow_continue_on_error", &InstallConfiguration::allow_continue_on_error, true},
    {"dialog_show_installed", &InstallConfiguration::dialog_show_installed, true},
    {"dialog_show_required", &InstallConfiguration::dialog_show_required, true},
    {"auto_start", &InstallConfiguration::auto_start, false},
    {"auto_continue_on_reboot", &InstallConfiguration::auto_continue_on_reboot, false},
};

struct PositionAttribute {
    const char* attribute;
    Position InstallConfiguration::*field;
} const Positions[] = {
    {"dialog_position", &InstallConfiguration::dialog_position},
    {"dialog_components_list_position", &InstallConfiguration::dialog_components_list_position},
    {"dialog_message_position", &InstallConfiguration::dialog_message_position},
    {"dialog_bitmap_position", &InstallConfiguration::dialog_bitmap_position},
    {"dialog_otherinfo_link_position", &InstallConfiguration::dialog_otherinfo_link_position},
    {"dialog_osinfo_position", &InstallConfiguration::dialog_osinfo_position},
    {"dialog_install_button_position", &InstallConfiguration::dialog_install_button_position},
    {"dialog_cancel_button_position", &InstallConfiguration::dialog_cancel_button_position},
    {"dialog_skip_button_position", &InstallConfiguration::dialog_skip_button_position},
};

TEST_F(InstallConfigurationTest, MissingAttributesGiveEmptyTextsDefaultFlagsAndUnsetPositions) {
    Load("");
    for (auto field : TextFields) EXPECT_EQ(configuration.*field, L"");
    for (const Flag& flag : Flags) EXPECT_EQ(configuration.*flag.field, flag.defaultValue) << flag.attribute;
    for (const PositionAttribute& position : Positions) EXPECT_TRUE(IsZero(configuration.*position.field));
    EXPECT_TRUE(configuration.components.empty());
    EXPECT_EQ(InstallerSession::Instance().GetConfiguredCabPath(), L"");
    EXPECT_TRUE(log.HasLine("Loaded 0 component(s) from configuration type=1 (lcid_filter=, os_filter_greater=, "
                            "os_filter_smaller=, processor_architecture_filter=)"));
}

TEST_F(InstallConfigurationTest, EveryAttributeIsReadTextsExpanded) {
    ::SetEnvironmentVariableW(L"BWT_INSTALL_TEXT", L"env");
    std::string attributes;
    for (size_t i = 0; i < sizeof TextAttributes / sizeof *TextAttributes; ++i)
        attributes += std::string(TextAttributes[i]) + "=\"" + std::to_string(i) + " %BWT_INSTALL_TEXT%\" ";
    for (const Flag& flag : Flags)
        attributes += std::string(flag.attribute) + (flag.defaultValue ? "=\"FALSE\" " : "=\"True\" ");
    for (size_t i = 0; i < sizeof Positions / sizeof *Positions; ++i)
        attributes += std::string(Positions[i].attribute) + "=\"" + std::to_string(i) + ",2,3,4\" ";
    Load(attributes);
    ::SetEnvironmentVariableW(L"BWT_INSTALL_TEXT", nullptr);
    for (size_t i = 0; i < sizeof TextFields / sizeof *TextFields; ++i)
        EXPECT_EQ(configuration.*TextFields[i], std::to_wstring(i) + L" env") << TextAttributes[i];
    for (const Flag& flag : Flags) EXPECT_EQ(configuration.*flag.field, !flag.defaultValue) << flag.attribute;
    for (size_t i = 0; i < sizeof Positions / sizeof *Positions; ++i) {
        const Position& p = configuration.*Positions[i].field;
        EXPECT_EQ(p.x, static_cast<int>(i));
        EXPECT_EQ(p.y + p.width + p.height, 9);
    }
    // Positions are not expanded: the reference is not a number.
    InstallConfiguration unexpanded;
    TiXmlDocument document;
    document.Parse("<configuration type=\"install\" dialog_position=\"%BWT_NOT_SET%7,1,1,1\"/>");
    unexpanded.Load(document.RootElement());
    EXPECT_EQ(unexpanded.dialog_position.x, 0);
    EXPECT_EQ(unexpanded.dialog_position.height, 1);
}

TEST_F(InstallConfigurationTest, PositionsNeedFourPiecesAndReadLeadingNumbers) {
    struct Case {
        const wchar_t* text;
        Position expected;
    } cases[] = {
        {L"", {9, 9, 9, 9}},
        {L"10,20,300", {9, 9, 9, 9}},
        {L"10,20,300,200,5", {10, 20, 300, 200}},
        {L"a,b,c,d", {0, 0, 0, 0}},
        {L" -5,+7,3x,9 px", {-5, 7, 3, 9}},
        {L",,,", {0, 0, 0, 0}},
        {L"1,2", {9, 9, 9, 9}},
    };
    for (const Case& c : cases) {
        Position position = {9, 9, 9, 9};
        ParsePosition(c.text, position);
        EXPECT_EQ(position.x, c.expected.x) << c.text;
        EXPECT_EQ(position.y, c.expected.y) << c.text;
        EXPECT_EQ(position.width, c.expected.width) << c.text;
        EXPECT_EQ(position.height, c.expected.height) << c.text;
    }
}

TEST_F(InstallConfigurationTest, TheCabPathReachesTheSessionBeforeOtherTextsExpand) {
    ::SetEnvironmentVariableW(L"BWT_CAB_FOLDER", L"C:\\extract");
    Load("dialog_message=\"into #CABPATH\" cab_path=\"%BWT_CAB_FOLDER%\\#GUID\" reboot_cmd=\"#CABPATH\"");
    ::SetEnvironmentVariableW(L"BWT_CAB_FOLDER", nullptr);
    const std::wstring expected = L"C:\\extract\\" + InstallerSession::Instance().GetGuid();
    EXPECT_EQ(configuration.cab_path, expected);
    EXPECT_EQ(InstallerSession::Instance().GetConfiguredCabPath(), expected);
    EXPECT_EQ(configuration.dialog_message, L"into " + expected);
    EXPECT_EQ(configuration.reboot_cmd, expected);
    // Nothing had to make the default folder.
    EXPECT_EQ(InstallerSession::Instance().GetMadeDefaultCabPath(), L"");
}

TEST_F(InstallConfigurationTest, OnlyComponentChildrenCountInDocumentOrder) {
    Load("lcid_filter=\"1031\" os_filter_greater=\"60\" processor_architecture_filter=\"x64\" language=\"Deutsch\"",
         "<embedfile sourcefilepath=\"s\"/><!-- note --><component type=\"cmd\" description=\"First\"/>"
         "<bogus/><component type=\"msi\" description=\"Second\" os_filter_lcid=\"1031\"/>");
    ASSERT_EQ(configuration.components.size(), 2u);
    EXPECT_EQ(configuration.components[0]->description, L"First");
    EXPECT_EQ(configuration.components[1]->type, ComponentTypeMsi);
    EXPECT_FALSE(log.HasLine("Read 'embedfile', source=s, target="));
    EXPECT_TRUE(log.HasLine("Loaded 2 component(s) from configuration type=1 (lcid_filter=1031, "
                            "os_filter_greater=60, os_filter_smaller=, processor_architecture_filter=x64)"));
    EXPECT_EQ(configuration.ToString(1),
              L" Install, lang=Deutsch, pa=x64, os=60/\r\n  First\r\n  Second, lang=1031\r\n");
    Components supported = configuration.GetSupportedComponents(0);
    ASSERT_EQ(supported.size(), 1u);
    EXPECT_EQ(supported[0].get(), configuration.components[0].get());
}

TEST_F(InstallConfigurationTest, BadInputStopsTheLoad) {
    struct Case {
        const char* attributes;
        const char* children;
        const char* message;
    } cases[] = {
        {"", "<component type=\"MSI\"/>", "Unsupported component type: MSI"},
        {"", "<component/>", "Unsupported component type: "},
        {"", "<component type=\"cmd\"><unknown/></component>", "Unexpected node 'unknown'"},
        {"auto_start=\"maybe\"", "", "Invalid boolean value: maybe"},
        {"cab_path_autodelete=\"1\"", "", "Invalid boolean value: 1"},
        {"", "<component type=\"cmd\" required=\"no\"/>", "Invalid boolean value: no"},
    };
    for (const Case& c : cases) {
        InstallConfiguration fresh;
        TiXmlDocument document;
        document.Parse(("<configuration type=\"install\" " + std::string(c.attributes) + ">" + c.children +
                        "</configuration>")
                           .c_str());
        EXPECT_THROW_MESSAGE(fresh.Load(document.RootElement()), c.message);
    }
}

}  // namespace
