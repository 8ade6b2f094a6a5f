#include <gtest/gtest.h>

#include <windows.h>

#include <sstream>
#include <string>
#include <vector>

#include "base/InstallerSession.h"
#include "base/Lcid.h"
#include "base/OperatingSystem.h"
#include "base/ProcessorArchitecture.h"
#include "config/Configurations.h"
#include "config/InstallConfiguration.h"
#include "config/ReferenceConfiguration.h"
#include "lib/TextConversion.h"
#include "tests/base/LogCapture.h"
#include "tests/config/DocumentLoading.h"
#include "tests/support/Expect.h"

using Kestlib::WideToAnsi;

namespace {

// The messages of the lines logged since the capture began, in order.
std::vector<std::string> LoggedMessages(const LogCapture& log) {
    std::vector<std::string> messages;
    std::istringstream lines(log.Text());
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::string::size_type tab = line.find('\t');
        messages.push_back(tab == std::string::npos ? line : line.substr(tab + 1));
    }
    return messages;
}

std::string Install(const std::string& attributes) { return "<configuration type=\"install\" " + attributes + "/>"; }

// The languages of the configurations, in list order, to compare selections by.
std::vector<std::wstring> Languages(const ConfigurationList& list) {
    std::vector<std::wstring> languages;
    for (const ConfigurationPtr& configuration : list) languages.push_back(configuration->language);
    return languages;
}

// A language id that is not the one this machine reports.
unsigned long OtherLcid(unsigned long lcid) { return lcid == 1031 ? 1036 : 1031; }

class ConfigurationLoadTest : public ::testing::Test {
protected:
    LogCapture log;
    Configurations root;
};
using ConfigurationSelectionTest = ConfigurationLoadTest;

}  // namespace

TEST_F(ConfigurationLoadTest, ReadsTheCommonAttributesExpandingOnlyTheLanguageTexts) {
    // Filters that are not numbers or names: outside the vocabulary on purpose.
    LoadDocumentUnrecorded(root, Document("", Install("lcid_filter=\"#PID\" language_id=\"#PID\" "
                                                      "language=\"%TEMP%\" os_filter_greater=\"#PID\" "
                                                      "os_filter_smaller=\"%TEMP%\" "
                                                      "processor_architecture_filter=\"#PID\"")));
    ASSERT_EQ(root.configurations.size(), 1u);
    const Configuration& configuration = *root.configurations[0];
    wchar_t temp[MAX_PATH];
    DWORD length = ::GetEnvironmentVariableW(L"TEMP", temp, MAX_PATH);
    EXPECT_EQ(configuration.language_id, std::to_wstring(::GetCurrentProcessId()));
    EXPECT_EQ(configuration.language, std::wstring(temp, length));
    EXPECT_EQ(configuration.lcid_filter, L"#PID");
    EXPECT_EQ(configuration.os_filter_greater, L"#PID");
    EXPECT_EQ(configuration.os_filter_smaller, L"%TEMP%");
    EXPECT_EQ(configuration.processor_architecture_filter, L"#PID");
}

TEST_F(ConfigurationLoadTest, EachConfigurationMakesANewGuidBeforeReadingItsTexts) {
    const std::wstring before = InstallerSession::Instance().GetGuid();
    LoadDocument(root, Document("", Install("language=\"#GUID\"") +
                                        "<configuration type=\"reference\" language=\"#GUID\">"
                                        "<configfile filename=\"ref.xml\"/></configuration>" +
                                        Install("language=\"#GUID\"")));
    ASSERT_EQ(root.configurations.size(), 3u);

    // Every configuration logs "CreateGUID", then the GUID made for it.
    std::vector<std::string> guids;
    const std::vector<std::string> messages = LoggedMessages(log);
    for (size_t i = 0; i < messages.size(); ++i) {
        if (messages[i] != "CreateGUID") continue;
        ASSERT_LT(i + 1, messages.size());
        ASSERT_EQ(messages[i + 1].rfind("CreateGuid: ", 0), 0u) << messages[i + 1];
        guids.push_back(messages[i + 1].substr(12));
    }
    ASSERT_EQ(guids.size(), 3u);
    for (size_t i = 0; i < guids.size(); ++i) {
        EXPECT_EQ(guids[i].size(), 38u);
        EXPECT_EQ(guids[i].front(), '{');
        EXPECT_EQ(guids[i].back(), '}');
        EXPECT_NE(Kestlib::Utf8ToWide(guids[i]), before);
        for (size_t j = 0; j < i; ++j) EXPECT_NE(guids[i], guids[j]);
        // Each configuration's texts see the GUID made for it.
        EXPECT_EQ(WideToAnsi(root.configurations[i]->language), guids[i]);
    }
    EXPECT_EQ(WideToAnsi(InstallerSession::Instance().GetGuid()), guids[2]);
}

TEST_F(ConfigurationLoadTest, ReferenceConfigurationsLogTheirDocument) {
    LoadDocument(root, Document("", "<configuration type=\"reference\" lcid_filter=\"1031\">"
                                    "<!-- the German document --><configfile filename=\"%TEMP%\\de.xml\"/>"
                                    "</configuration>"
                                    "<configuration type=\"reference\"/>"));
    ASSERT_EQ(root.configurations.size(), 2u);
    const auto* german = static_cast<const ReferenceConfiguration*>(root.configurations[0].get());
    const auto* none = static_cast<const ReferenceConfiguration*>(root.configurations[1].get());
    wchar_t temp[MAX_PATH];
    DWORD length = ::GetEnvironmentVariableW(L"TEMP", temp, MAX_PATH);
    EXPECT_EQ(german->filename, std::wstring(temp, length) + L"\\de.xml");
    EXPECT_EQ(german->lcid_filter, L"1031");
    EXPECT_TRUE(none->filename.empty());

    const std::vector<std::string> messages = LoggedMessages(log);
    std::vector<std::string> loaded;
    for (const std::string& message : messages)
        if (message.rfind("Loaded 'reference' configuration '", 0) == 0) loaded.push_back(message);
    ASSERT_EQ(loaded.size(), 2u);
    EXPECT_EQ(loaded[0], "Loaded 'reference' configuration '" + WideToAnsi(german->filename) + "'");
    EXPECT_EQ(loaded[1], "Loaded 'reference' configuration ''");
}

TEST_F(ConfigurationLoadTest, AReferenceRefusesUnknownChildren) {
    Configurations reference;
    EXPECT_THROW_MESSAGE(LoadDocument(reference, Document("", "<configuration type=\"reference\">"
                                                              "<configfile filename=\"a.xml\"/><component/>"
                                                              "</configuration>")),
                         "Unexpected node 'component'");
}

TEST_F(ConfigurationLoadTest, TheGuidIsMadeEvenBeforeTheElementIsChecked) {
    InstallConfiguration install;
    EXPECT_THROW_MESSAGE(install.Load(nullptr), "Expected 'configuration' node");
    ReferenceConfiguration reference;
    EXPECT_THROW_MESSAGE(reference.Load(nullptr), "Expected 'configuration' node");
    std::vector<std::string> messages = LoggedMessages(log);
    ASSERT_EQ(messages.size(), 4u);
    EXPECT_EQ(messages[0], "CreateGUID");
    EXPECT_EQ(messages[1].rfind("CreateGuid: {", 0), 0u);
    EXPECT_EQ(messages[2], "CreateGUID");
    EXPECT_FALSE(log.HasLine("Loaded 'reference' configuration ''"));
}

TEST_F(ConfigurationSelectionTest, LanguageFilterKeepsEveryMatchInDocumentOrder) {
    LoadDocument(root, Document("", Install("lcid_filter=\"1031\" language=\"de1\"") +
                                        Install("lcid_filter=\"1033\" language=\"en\"") +
                                        Install("lcid_filter=\"1031\" language=\"de2\"") +
                                        Install("language=\"any\"") +
                                        Install("lcid_filter=\"!1031\" language=\"not-de\"")));
    EXPECT_EQ(Languages(root.GetSupportedConfigurations(1031)),
              (std::vector<std::wstring>{L"de1", L"de2", L"any"}));
    EXPECT_EQ(Languages(root.GetSupportedConfigurations(1036)), (std::vector<std::wstring>{L"any", L"not-de"}));
    EXPECT_EQ(Languages(root.GetSupportedConfigurations(1033)),
              (std::vector<std::wstring>{L"en", L"any", L"not-de"}));
}

TEST_F(ConfigurationSelectionTest, ReferenceConfigurationsAreFilteredLikeInstallOnes) {
    LoadDocument(root, Document("", Install("lcid_filter=\"1031\" language=\"install\"") +
                                        "<configuration type=\"reference\" lcid_filter=\"1031\" language=\"ref-de\"/>"
                                        "<configuration type=\"reference\" lcid_filter=\"1033\" language=\"ref-en\"/>"));
    ConfigurationList selected = root.GetSupportedConfigurations(1031);
    ASSERT_EQ(selected.size(), 2u);
    EXPECT_EQ(selected[0]->type, ConfigurationTypeInstall);
    EXPECT_EQ(selected[1]->type, ConfigurationTypeReference);
    EXPECT_EQ(selected[1]->language, L"ref-de");
    // The selection shares the configuration objects of the document.
    EXPECT_EQ(selected[0].get(), root.configurations[0].get());
}

TEST_F(ConfigurationSelectionTest, ZeroStandsForTheLanguageTheDocumentsLcidTypeNames) {
    const unsigned long user = ::GetUserDefaultLCID();
    const unsigned long system = ::GetSystemDefaultLCID();
    ASSERT_EQ(user, 1033u) << "the tests run under the en_US locale";
    const std::string configurations = Install("lcid_filter=\"" + std::to_string(user) + "\" language=\"user\"") +
                                       Install("lcid_filter=\"" + std::to_string(system) + "\" language=\"system\"") +
                                       Install("lcid_filter=\"" + std::to_string(OtherLcid(user)) +
                                               "\" language=\"other\"");
    for (const char* type : {"", "User", "System"}) {
        Configurations document;
        LoadDocument(document, Document("lcid_type=\"" + std::string(type) + "\"", configurations));
        EXPECT_EQ(Languages(document.GetSupportedConfigurations(0)), (std::vector<std::wstring>{L"user", L"system"}))
            << type;
        // A chosen language replaces the document's own.
        EXPECT_EQ(Languages(document.GetSupportedConfigurations(OtherLcid(user))),
                  (std::vector<std::wstring>{L"other"}));
    }
}

TEST_F(ConfigurationSelectionTest, ProcessorFilterUsesThisMachinesArchitecture) {
    const std::string native = WideToAnsi(ProcessorArchitectureName(GetProcessorArchitecture()));
    ASSERT_EQ(native, "x64");
    LoadDocument(root, Document("", Install("processor_architecture_filter=\"x64\" language=\"x64\"") +
                                        Install("processor_architecture_filter=\"x86\" language=\"x86\"") +
                                        Install("processor_architecture_filter=\"!x86\" language=\"!x86\"") +
                                        Install("processor_architecture_filter=\"!x64\" language=\"!x64\"") +
                                        Install("processor_architecture_filter=\"!x86,x64\" language=\"!x86,x64\"") +
                                        Install("processor_architecture_filter=\"!x64,x64\" language=\"!x64,x64\"") +
                                        Install("processor_architecture_filter=\"ia64,,x64\" language=\"ia64,,x64\"")));
    EXPECT_EQ(Languages(root.GetSupportedConfigurations(1033)),
              (std::vector<std::wstring>{L"x64", L"!x86,x64", L"ia64,,x64"}));
}

TEST_F(ConfigurationSelectionTest, OperatingSystemRangeIsExclusive) {
    const int os = GetOperatingSystem();
    ASSERT_GT(os, winUnsupported);
    const std::string below = std::to_string(os - 1), at = std::to_string(os), above = std::to_string(os + 1);
    LoadDocument(root, Document("", Install("os_filter_greater=\"" + below + "\" os_filter_smaller=\"" + above +
                                            "\" language=\"around\"") +
                                        Install("os_filter_greater=\"" + at + "\" language=\"greater-at\"") +
                                        Install("os_filter_smaller=\"" + at + "\" language=\"smaller-at\"") +
                                        Install("os_filter_greater=\"" + below + "\" language=\"open-above\"") +
                                        Install("os_filter_smaller=\"" + above + "\" language=\"open-below\"") +
                                        Install("os_filter_greater=\"" + above + "\" language=\"too-new\"") +
                                        Install("os_filter_smaller=\"" + below + "\" language=\"too-old\"")));
    EXPECT_EQ(Languages(root.GetSupportedConfigurations(1033)),
              (std::vector<std::wstring>{L"around", L"open-above", L"open-below"}));
}

TEST_F(ConfigurationSelectionTest, FiltersAreCombined) {
    const std::string os = std::to_string(GetOperatingSystem());
    LoadDocument(root, Document("", Install("lcid_filter=\"1031\" processor_architecture_filter=\"x64\" "
                                            "os_filter_smaller=\"121\" language=\"all\"") +
                                        Install("lcid_filter=\"1031\" processor_architecture_filter=\"x86\" "
                                                "language=\"wrong-processor\"") +
                                        Install("lcid_filter=\"1031\" processor_architecture_filter=\"x64\" "
                                                "os_filter_greater=\"" + os + "\" language=\"wrong-os\"")));
    EXPECT_EQ(Languages(root.GetSupportedConfigurations(1031)), (std::vector<std::wstring>{L"all"}));
    EXPECT_TRUE(root.GetSupportedConfigurations(1033).empty());
}

// The language is tested first, the processor next and the OS range last, so a
// bad value further on only fails for a configuration that got that far.
TEST_F(ConfigurationSelectionTest, InvalidFilterValuesOnlyFailWhenReached) {
    // The first configuration's OS bound is never parsed: its processor does not match.
    // Invalid filters lie outside the vocabulary: not recorded.
    LoadDocumentUnrecorded(
        root, Document("", Install("lcid_filter=\"1031\" processor_architecture_filter=\"x86\" "
                                   "os_filter_greater=\"new\"") +
                               Install("lcid_filter=\"1033\" language=\"en\"") +
                               Install("lcid_filter=\"1031\" processor_architecture_filter=\"sparc\"")));
    EXPECT_EQ(Languages(root.GetSupportedConfigurations(1033)), (std::vector<std::wstring>{L"en"}));
    EXPECT_THROW_MESSAGE(root.GetSupportedConfigurations(1031), "Invalid processor architecture: sparc");

    Configurations os;
    LoadDocumentUnrecorded(os, Document("", Install("lcid_filter=\"1031\" os_filter_smaller=\"old\"")));
    EXPECT_TRUE(os.GetSupportedConfigurations(1033).empty());
    EXPECT_THROW_MESSAGE(os.GetSupportedConfigurations(1031), "Invalid number: old");

    Configurations language;
    LoadDocumentUnrecorded(language, Document("", Install("lcid_filter=\"1033,abc\"")));
    EXPECT_EQ(language.GetSupportedConfigurations(1033).size(), 1u);
    EXPECT_THROW_MESSAGE(language.GetSupportedConfigurations(1031), "Invalid number: abc");
}

TEST_F(ConfigurationSelectionTest, LanguageTextFallsBackThroughTheFilters) {
    LoadDocument(root, Document("", Install("language=\"Deutsch\" language_id=\"1031\" lcid_filter=\"1031,2055\"") +
                                        Install("language_id=\"1031\" lcid_filter=\"1031,2055\"") +
                                        Install("lcid_filter=\"1031,2055\"") + Install("")));
    ASSERT_EQ(root.configurations.size(), 4u);
    EXPECT_EQ(root.configurations[0]->GetLanguageText(), L"Deutsch");
    EXPECT_EQ(root.configurations[1]->GetLanguageText(), L"1031");
    EXPECT_EQ(root.configurations[2]->GetLanguageText(), L"1031,2055");
    EXPECT_EQ(root.configurations[3]->GetLanguageText(), std::to_wstring(::GetUserDefaultLCID()));
}
