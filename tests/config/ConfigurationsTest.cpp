#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "base/InstallUILevel.h"
#include "base/InstallerSession.h"
#include "config/ConfigFile.h"
#include "config/Configurations.h"
#include "config/InstallConfiguration.h"
#include "config/ReferenceConfiguration.h"
#include "lib/TextConversion.h"
#include "tests/base/LogCapture.h"
#include "tests/config/DocumentLoading.h"
#include "tests/support/Expect.h"
#include "tests/support/TestEnvironment.h"

using Kestlib::WideToAnsi;

namespace {

std::wstring Environment(const wchar_t* name) {
    wchar_t value[MAX_PATH];
    DWORD length = ::GetEnvironmentVariableW(name, value, MAX_PATH);
    return std::wstring(value, length < MAX_PATH ? length : 0);
}

std::wstring Pid() { return std::to_wstring(::GetCurrentProcessId()); }

class ConfigurationsRootTest : public ::testing::Test {
protected:
    LogCapture log;
    Configurations root;
};
using SchemaTest = ConfigurationsRootTest;
using FileAttributesTest = ConfigurationsRootTest;
using ConfigurationsToStringTest = ConfigurationsRootTest;

}  // namespace

TEST_F(ConfigurationsRootTest, ValuesBeforeLoading) {
    EXPECT_TRUE(root.configurations.empty());
    EXPECT_EQ(root.lcid_type, LcidTypeUserExe);
    EXPECT_EQ(root.ui_level, UiLevelNotSet);
    EXPECT_EQ(root.schema.version, L"1");
    EXPECT_EQ(root.schema.generator, L"Bootwright Drafter");
    EXPECT_TRUE(root.attributes.entries.empty());
    EXPECT_FALSE(root.log_enabled);
    EXPECT_FALSE(root.show_language_selector);
}

TEST_F(ConfigurationsRootTest, EmptyRootTakesTheDefaults) {
    LoadDocument(root, "<configurations/>");
    EXPECT_EQ(root.lcid_type, LcidTypeUser);
    EXPECT_EQ(root.ui_level, UiLevelNotSet);
    EXPECT_FALSE(root.log_enabled);
    EXPECT_FALSE(root.show_language_selector);
    EXPECT_TRUE(root.fileversion.empty());
    EXPECT_TRUE(root.productversion.empty());
    EXPECT_TRUE(root.log_file.empty());
    EXPECT_TRUE(root.language_selector_title.empty());
    EXPECT_TRUE(root.language_selector_ok.empty());
    EXPECT_TRUE(root.language_selector_cancel.empty());
    EXPECT_TRUE(root.configuration_no_match_message.empty());
    EXPECT_EQ(root.schema.version, L"1");
    EXPECT_EQ(root.schema.generator, L"Bootwright Drafter");
    EXPECT_TRUE(root.configurations.empty());
    EXPECT_TRUE(log.HasLine("Quorvane Setup build: "));
    EXPECT_TRUE(log.HasLine("--- Read 0 configuration(s)"));
}

TEST_F(ConfigurationsRootTest, UiLevelNamesAreExactAndAnythingElseIsNotSet) {
    const std::pair<const char*, int> table[] = {
        {"full", UiLevelFull},      {"basic", UiLevelBasic},   {"silent", UiLevelSilent},
        {"Silent", UiLevelNotSet},  {"FULL", UiLevelNotSet},   {" basic", UiLevelNotSet},
        {"3", UiLevelNotSet},       {"", UiLevelNotSet},
    };
    // Most rows lie outside the vocabulary: not recorded.
    for (const auto& row : table) {
        Configurations document;
        LoadDocumentUnrecorded(document, Document("ui_level=\"" + std::string(row.first) + "\""));
        EXPECT_EQ(document.ui_level, row.second) << row.first;
    }
}

TEST_F(ConfigurationsRootTest, LcidTypes) {
    const std::pair<const char*, LcidType> table[] = {
        {"UserExe", LcidTypeUserExe}, {"System", LcidTypeSystem}, {"User", LcidTypeUser}, {"", LcidTypeUser}};
    for (const auto& row : table) {
        Configurations document;
        LoadDocument(document, Document("lcid_type=\"" + std::string(row.first) + "\""));
        EXPECT_EQ(document.lcid_type, row.second) << row.first;
    }
    EXPECT_THROW_MESSAGE(LoadDocument(root, Document("lcid_type=\"user\"")), "Invalid LCID type: user");
}

TEST_F(ConfigurationsRootTest, BooleanAttributes) {
    LoadDocument(root, Document("log_enabled=\"TRUE\" show_language_selector=\"true\""));
    EXPECT_TRUE(root.log_enabled);
    EXPECT_TRUE(root.show_language_selector);

    Configurations off;
    LoadDocument(off, Document("log_enabled=\"false\" show_language_selector=\"False\""));
    EXPECT_FALSE(off.log_enabled);
    EXPECT_FALSE(off.show_language_selector);

    // The flag has no effect on logging, but a bad value still stops loading.
    Configurations yes;
    EXPECT_THROW_MESSAGE(LoadDocument(yes, Document("log_enabled=\"yes\"")), "Invalid boolean value: yes");
    Configurations one;
    EXPECT_THROW_MESSAGE(LoadDocument(one, Document("show_language_selector=\"1\"")), "Invalid boolean value: 1");
}

TEST_F(ConfigurationsRootTest, ExpandedAttributesAreExpanded) {
    LoadDocument(root, Document("log_file=\"%TEMP%\\setup-#PID.log\" language_selector_title=\"Title #PID\" "
                                "language_selector_ok=\"OK %TEMP%\" language_selector_cancel=\"#PID\""));
    EXPECT_EQ(root.log_file, Environment(L"TEMP") + L"\\setup-" + Pid() + L".log");
    EXPECT_EQ(root.language_selector_title, L"Title " + Pid());
    EXPECT_EQ(root.language_selector_ok, L"OK " + Environment(L"TEMP"));
    EXPECT_EQ(root.language_selector_cancel, Pid());
}

TEST_F(ConfigurationsRootTest, OtherAttributesStayAsWritten) {
    LoadDocument(root, Document("fileversion=\"#PID\" productversion=\"%TEMP% 12.0\" "
                                "configuration_no_match_message=\"%TEMP%: none of %s for #PID\""));
    EXPECT_EQ(root.fileversion, L"#PID");
    EXPECT_EQ(root.productversion, L"%TEMP% 12.0");
    EXPECT_EQ(root.configuration_no_match_message, L"%TEMP%: none of %s for #PID");
    EXPECT_TRUE(log.HasLine("Quorvane Setup build: %TEMP% 12.0"));
}

TEST_F(ConfigurationsRootTest, AnInvalidExpansionStopsLoading) {
    EXPECT_THROW_MESSAGE(LoadDocument(root, Document("log_file=\"#NOSUCH\"")),
                         "Invalid variable #NOSUCH in '#NOSUCH'");
}

TEST_F(ConfigurationsRootTest, Utf8TextIsWidened) {
    LoadDocument(root, Document("language_selector_title=\"Sprache w\xC3\xA4hlen\""));
    EXPECT_EQ(root.language_selector_title, L"Sprache w\u00E4hlen");

    // Bytes that are not UTF-8 become replacement characters, nothing fails.
    Configurations latin1;
    LoadDocument(latin1, "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>" +
                             Document("language_selector_title=\"w\xE4hlen\""));
    EXPECT_EQ(latin1.language_selector_title, L"w\uFFFDhlen");
}

TEST_F(ConfigurationsRootTest, TheRootElementIsChecked) {
    EXPECT_THROW_MESSAGE(root.Load(nullptr), "Expected 'configurations' node");
    EXPECT_THROW_MESSAGE(LoadDocument(root, "<configuration type=\"install\"/>"),
                         "Expected 'configurations' node, got 'configuration'");
    EXPECT_THROW_MESSAGE(LoadDocument(root, "<Configurations/>"),
                         "Expected 'configurations' node, got 'Configurations'");
}

TEST_F(ConfigurationsRootTest, ConfigurationTypes) {
    LoadDocument(root, Document("", "<configuration type=\"install\"/><configuration type=\"reference\"/>"
                                    "<configuration type=\"install\"/>"));
    ASSERT_EQ(root.configurations.size(), 3u);
    EXPECT_EQ(root.configurations[0]->type, ConfigurationTypeInstall);
    EXPECT_NE(dynamic_cast<InstallConfiguration*>(root.configurations[0].get()), nullptr);
    EXPECT_EQ(root.configurations[1]->type, ConfigurationTypeReference);
    EXPECT_NE(dynamic_cast<ReferenceConfiguration*>(root.configurations[1].get()), nullptr);
    EXPECT_EQ(root.configurations[2]->type, ConfigurationTypeInstall);
    EXPECT_TRUE(log.HasLine("--- Read 3 configuration(s)"));
}

TEST_F(ConfigurationsRootTest, UnknownConfigurationTypesStopLoadingKeepingWhatWasRead) {
    EXPECT_THROW_MESSAGE(LoadDocument(root, Document("", "<configuration type=\"install\"/><configuration/>")),
                         "Invalid configuration type ''");
    EXPECT_EQ(root.configurations.size(), 1u);
    EXPECT_FALSE(log.HasLine("--- Read 1 configuration(s)"));

    Configurations capital;
    EXPECT_THROW_MESSAGE(LoadDocument(capital, Document("", "<configuration type=\"Install\"/>")),
                         "Invalid configuration type 'Install'");
    // The type is not expanded.
    Configurations expanded;
    EXPECT_THROW_MESSAGE(LoadDocument(expanded, Document("", "<configuration type=\"%TEMP%\"/>")),
                         "Invalid configuration type '%TEMP%'");
}

TEST_F(ConfigurationsRootTest, UnknownChildrenAreRefused) {
    EXPECT_THROW_MESSAGE(LoadDocument(root, Document("", "<installedcheck type=\"check_file\"/>")),
                         "Unexpected node 'installedcheck'");
    Configurations capital;
    EXPECT_THROW_MESSAGE(LoadDocument(capital, Document("", "<Schema version=\"1\"/>")), "Unexpected node 'Schema'");
}

TEST_F(ConfigurationsRootTest, CommentsAndTextAreIgnoredEverywhere) {
    // Text among the children lies outside the vocabulary: not recorded.
    LoadDocumentUnrecorded(
        root, Document("", "<!-- a --> text <schema version=\"2\"><!-- b --></schema>"
                           "<fileattributes><!-- c --><fileattribute name=\"n\" value=\"v\"/></fileattributes>"
                           "<configuration type=\"install\"><!-- d --></configuration>"
                           "<configuration type=\"reference\"><!-- e --><configfile filename=\"f\"/>"
                           "</configuration><!-- f -->"));
    EXPECT_EQ(root.schema.version, L"2");
    EXPECT_EQ(root.attributes.entries.size(), 1u);
    EXPECT_EQ(root.configurations.size(), 2u);
}

TEST_F(ConfigurationsRootTest, AFullDocumentLoadsFromAFile) {
    TestSupport::TempFolder folder;
    const std::wstring path = folder / L"configuration.xml";
    TestSupport::WriteTextFile(
        path, "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
              "<configurations lcid_type=\"System\" ui_level=\"basic\" fileversion=\"1.0.0.1\" "
              "productversion=\"12.0.4518\" show_language_selector=\"true\" log_enabled=\"false\">\n"
              "  <schema version=\"1\" generator=\"Hand\"/>\n"
              "  <fileattributes><fileattribute name=\"Company\" value=\"Quorvane\"/></fileattributes>\n"
              "  <configuration type=\"install\" lcid_filter=\"1031\" language=\"Deutsch\"/>\n"
              "  <configuration type=\"reference\" lcid_filter=\"1033\"><configfile filename=\"en.xml\"/>"
              "</configuration>\n"
              "</configurations>\n");
    ConfigFile file;
    file.LoadFile(path);
    EXPECT_EQ(file.GetFilename(), path);
    EXPECT_EQ(file.lcid_type, LcidTypeSystem);
    EXPECT_EQ(file.ui_level, UiLevelBasic);
    EXPECT_EQ(file.fileversion, L"1.0.0.1");
    EXPECT_TRUE(file.show_language_selector);
    EXPECT_EQ(file.schema.generator, L"Hand");
    ASSERT_EQ(file.configurations.size(), 2u);
    EXPECT_EQ(file.configurations[0]->language, L"Deutsch");
    EXPECT_EQ(static_cast<ReferenceConfiguration*>(file.configurations[1].get())->filename, L"en.xml");
    EXPECT_TRUE(log.HasLine("Quorvane Setup build: 12.0.4518"));
    EXPECT_TRUE(log.HasLine("Loaded schema: version=1, generator=Hand"));
    EXPECT_TRUE(log.HasLine("Read file attribute: name=Company, value=Quorvane"));
    EXPECT_TRUE(log.HasLine("Read 1 file attribute(s)"));
    EXPECT_TRUE(log.HasLine("Loaded 'reference' configuration 'en.xml'"));
    EXPECT_TRUE(log.HasLine("--- Read 2 configuration(s)"));
}

// The root's ui_level reaches InstallUILevel only when the configurations
// start to run; loading, failed or not, changes no UI level. The session's
// configured cab path is the cab_path of the last install configuration read.
TEST_F(ConfigurationsRootTest, LoadingLeavesTheProcessWideStateAlone) {
    InstallUILevel& level = InstallUILevel::Instance();
    level.SetConfigUILevel(UiLevelBasic);
    level.SetCommandLineUILevel(UiLevelFull);
    InstallerSession& session = InstallerSession::Instance();
    session.SetConfiguredCabPath(L"C:\\configured-cab-path");

    LoadDocument(root, Document("ui_level=\"silent\"", "<configuration type=\"install\" cab_path=\"C:\\first\"/>"));
    Configurations failing;
    EXPECT_THROW_MESSAGE(
        LoadDocument(failing, Document("ui_level=\"silent\" log_file=\"#CABPATH\"",
                                       "<configuration type=\"install\" cab_path=\"C:\\second\" "
                                       "language=\"#CABPATH\"/><bogus/>")),
        "Unexpected node 'bogus'");

    EXPECT_EQ(level.GetConfigUILevel(), UiLevelBasic);
    EXPECT_EQ(level.GetCommandLineUILevel(), UiLevelFull);
    EXPECT_EQ(session.GetConfiguredCabPath(), L"C:\\second");
    EXPECT_EQ(failing.configurations.size(), 1u);
    // The common attributes are read before cab_path: they still see the earlier path.
    EXPECT_EQ(failing.configurations[0]->language, L"C:\\first");
    EXPECT_TRUE(session.GetMadeDefaultCabPath().empty());
    InstallUILevel::Release();
    InstallerSession::Release();
}

TEST_F(SchemaTest, ReadsVersionAndGeneratorUnexpanded) {
    LoadDocument(root, Document("", "<schema version=\"#PID\" generator=\"%TEMP%\"/>"));
    EXPECT_EQ(root.schema.version, L"#PID");
    EXPECT_EQ(root.schema.generator, L"%TEMP%");
    EXPECT_TRUE(log.HasLine("Loaded schema: version=#PID, generator=%TEMP%"));
}

TEST_F(SchemaTest, AMissingAttributeReplacesTheDefaultByEmpty) {
    LoadDocument(root, Document("", "<schema generator=\"Hand\"/>"));
    EXPECT_EQ(root.schema.version, L"");
    EXPECT_EQ(root.schema.generator, L"Hand");
    EXPECT_TRUE(log.HasLine("Loaded schema: version=, generator=Hand"));

    Configurations bare;
    LoadDocument(bare, Document("", "<schema/>"));
    EXPECT_EQ(bare.schema.version, L"");
    EXPECT_EQ(bare.schema.generator, L"");
}

TEST_F(SchemaTest, ASecondSchemaOverwritesTheFirst) {
    LoadDocument(root, Document("", "<schema version=\"2\" generator=\"A\"/><schema version=\"3\"/>"));
    EXPECT_EQ(root.schema.version, L"3");
    EXPECT_EQ(root.schema.generator, L"");
}

TEST_F(SchemaTest, DirectLoadChecksTheElement) {
    Schema schema;
    EXPECT_THROW_MESSAGE(schema.Load(nullptr), "Expected 'schema' node");
    EXPECT_EQ(schema.version, L"1");
}

TEST_F(FileAttributesTest, ReadsExpandedPairsAndLogsThem) {
    LoadDocument(root, Document("", "<fileattributes>"
                                    "<fileattribute name=\"Process\" value=\"#PID\"/>"
                                    "<fileattribute name=\"Temp%TEMP%\" value=\"x\"/>"
                                    "<fileattribute value=\"nameless\"/>"
                                    "</fileattributes>"));
    const auto& entries = root.attributes.entries;
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries.at(L"Process")->value, Pid());
    EXPECT_EQ(entries.at(L"Temp" + Environment(L"TEMP"))->value, L"x");
    EXPECT_EQ(entries.at(L"")->value, L"nameless");
    EXPECT_TRUE(log.HasLine("Read file attribute: name=Process, value=" + WideToAnsi(Pid())));
    EXPECT_TRUE(log.HasLine("Read file attribute: name=, value=nameless"));
    EXPECT_TRUE(log.HasLine("Read 3 file attribute(s)"));
}

TEST_F(FileAttributesTest, ALaterPairOfTheSameNameReplacesTheEarlierOne) {
    LoadDocument(root, Document("", "<fileattributes>"
                                    "<fileattribute name=\"Company\" value=\"First\"/>"
                                    "<fileattribute name=\"Product\" value=\"Suite\"/>"
                                    "<fileattribute name=\"Company\" value=\"Second\"/>"
                                    "</fileattributes>"));
    ASSERT_EQ(root.attributes.entries.size(), 2u);
    EXPECT_EQ(root.attributes.entries.at(L"Company")->value, L"Second");
    EXPECT_TRUE(log.HasLine("Read file attribute: name=Company, value=First"));
    EXPECT_TRUE(log.HasLine("Read file attribute: name=Company, value=Second"));
    EXPECT_TRUE(log.HasLine("Read 2 file attribute(s)"));
    EXPECT_FALSE(log.HasLine("Read 3 file attribute(s)"));
}

TEST_F(FileAttributesTest, ASecondElementAddsToTheSameMap) {
    LoadDocument(root, Document("", "<fileattributes><fileattribute name=\"a\" value=\"1\"/></fileattributes>"
                                    "<fileattributes><fileattribute name=\"b\" value=\"2\"/>"
                                    "<fileattribute name=\"a\" value=\"3\"/></fileattributes>"));
    ASSERT_EQ(root.attributes.entries.size(), 2u);
    EXPECT_EQ(root.attributes.entries.at(L"a")->value, L"3");
    EXPECT_TRUE(log.HasLine("Read 1 file attribute(s)"));
    EXPECT_TRUE(log.HasLine("Read 2 file attribute(s)"));
}

TEST_F(FileAttributesTest, EmptyElementAndRefusedChildren) {
    LoadDocument(root, Document("", "<fileattributes/>"));
    EXPECT_TRUE(root.attributes.entries.empty());
    EXPECT_TRUE(log.HasLine("Read 0 file attribute(s)"));

    Configurations other;
    EXPECT_THROW_MESSAGE(
        LoadDocument(other, Document("", "<fileattributes><fileattribute name=\"a\"/><attribute/></fileattributes>")),
        "Unexpected node 'attribute'");
    FileAttributes direct;
    EXPECT_THROW_MESSAGE(direct.Load(nullptr), "Expected 'fileattributes' node");
}

TEST_F(ConfigurationsToStringTest, OneEntryPerConfigurationInDocumentOrder) {
    LoadDocument(root, Document("", "<configuration type=\"install\" language=\"Deutsch\" lcid_filter=\"1031\"/>"
                                    "<configuration type=\"reference\" language_id=\"1033\" "
                                    "processor_architecture_filter=\"x86,x64\"/>"
                                    "<configuration type=\"install\" lcid_filter=\"1036\" os_filter_greater=\"75\"/>"
                                    "<configuration type=\"install\" language=\"All\" os_filter_smaller=\"100\" "
                                    "processor_architecture_filter=\"!x86\" os_filter_greater=\"45\"/>"));
    EXPECT_EQ(root.ToString(), L"Install, lang=Deutsch\r\n\r\n"
                               L"Reference , lang=1033, pa=x86,x64"
                               L"Install, lang=1036, os=75/\r\n\r\n"
                               L"Install, lang=All, pa=!x86, os=45/100\r\n\r\n");
    EXPECT_EQ(root.configurations[1]->ToString(2), L"  Reference , lang=1033, pa=x86,x64");
    EXPECT_EQ(root.configurations[3]->ToString(1), L" Install, lang=All, pa=!x86, os=45/100\r\n\r\n");
}

TEST_F(ConfigurationsToStringTest, EmptyDocumentGivesEmptyText) {
    LoadDocument(root, "<configurations/>");
    EXPECT_EQ(root.ToString(), L"");
}
