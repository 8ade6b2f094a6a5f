#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "base/InstallerLog.h"
#include "config/ConfigFile.h"
#include "lib/FileOps.h"
#include "tests/base/FreshSession.h"
#include "tests/support/DocumentCorpus.h"
#include "tests/support/TestEnvironment.h"

namespace {

// The ```xml blocks of docs/configuration.md, in order.
std::vector<std::string> XmlExamples() {
    const Kestlib::ByteVector bytes =
        Kestlib::LoadResourceData(::GetModuleHandleW(nullptr), L"RES_CONFIGURATION_REFERENCE", L"CUSTOM");
    const std::string text(bytes.begin(), bytes.end());
    const std::string open = "```xml\n";
    const std::string close = "\n```";
    std::vector<std::string> examples;
    for (size_t start = text.find(open); start != std::string::npos; start = text.find(open, start)) {
        start += open.size();
        const size_t end = text.find(close, start);
        if (end == std::string::npos) break;
        examples.push_back(text.substr(start, end - start));
        start = end + close.size();
    }
    return examples;
}

// The first line, to name a failing example.
std::string Headline(const std::string& example) {
    const size_t start = example.find('<', example.find("?>") == std::string::npos ? 0 : example.find("?>") + 2);
    return example.substr(start, example.find('\n', start) - start);
}

class ConfigurationReferenceTest : public FreshSessionTest {
protected:
    void SetUp() override {
        FreshSessionTest::SetUp();
        InstallerLog::Instance().SetPath(m_folder / L"reference.log");
    }
    void TearDown() override {
        InstallerLog::Release();
        FreshSessionTest::TearDown();
    }

    TestSupport::TempFolder m_folder;
};

}  // namespace

// Every example of the reference, as a whole document (a fragment in the
// smallest document that holds it), loads through the program's own reader.
TEST_F(ConfigurationReferenceTest, EveryExampleLoads) {
    const std::vector<std::string> examples = XmlExamples();
    // One example per component kind and per check kind at least.
    ASSERT_GE(examples.size(), 15u);
    for (size_t index = 0; index < examples.size(); ++index) {
        SCOPED_TRACE("example " + std::to_string(index + 1) + ": " + Headline(examples[index]));
        const std::string document = TestSupport::WrapFragment(examples[index]);
        const std::wstring path = m_folder / (L"example" + std::to_wstring(index + 1) + L".xml");
        TestSupport::WriteTextFile(path, document);
        ConfigFile file;
        EXPECT_NO_THROW(file.LoadFile(path));
        if (!file.GetFilename().empty()) TestSupport::RecordAcceptedDocument(document);
    }
}

// The reference names every kind the reader knows.
TEST_F(ConfigurationReferenceTest, ExamplesCoverEveryKind) {
    std::string all;
    for (const std::string& example : XmlExamples()) all += example;
    for (const char* kind : {"type=\"msi\"", "type=\"msu\"", "type=\"cmd\"", "type=\"openfile\"",
                             "type=\"check_registry_value\"", "type=\"check_file\"", "type=\"check_directory\"",
                             "type=\"check_product\"", "<installedcheckoperator type=\"And\"",
                             "<installedcheckoperator type=\"Or\"", "<installedcheckoperator type=\"Not\"",
                             "type=\"install\"", "type=\"reference\"", "<downloaddialog", "<embedfile",
                             "<fileattributes", "<schema", "%", "#CABPATH", "@["})
        EXPECT_NE(all.find(kind), std::string::npos) << kind;
}
