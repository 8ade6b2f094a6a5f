#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "base/InstallerSession.h"
#include "config/ConfigFiles.h"
#include "config/ReferenceConfiguration.h"
#include "lib/FileOps.h"
#include "lib/TextConversion.h"
#include "tests/base/FreshSession.h"
#include "tests/base/LogCapture.h"
#include "tests/support/DocumentCorpus.h"
#include "tests/support/Expect.h"
#include "tests/support/TestEnvironment.h"

using Kestlib::WideToAnsi;
using Kestlib::WideToUtf8;

namespace {

const std::string kCurrentSchema = "<schema version=\"1.7.29433.0\" generator=\"test\"/>";

std::string Install(const std::string& language, const std::string& lcidFilter = "") {
    return "<configuration type=\"install\" language=\"" + language + "\" lcid_filter=\"" + lcidFilter + "\"/>";
}

std::string Reference(const std::wstring& path, const std::string& lcidFilter = "") {
    return "<configuration type=\"reference\" lcid_filter=\"" + lcidFilter + "\"><configfile filename=\"" +
           WideToUtf8(path) + "\"/></configuration>";
}

std::string Document(const std::string& children, const std::string& schema = kCurrentSchema,
                     const std::string& attributes = "") {
    return "<configurations " + attributes + ">" + schema + children + "</configurations>";
}

std::vector<std::wstring> Languages(const ConfigurationList& list) {
    std::vector<std::wstring> languages;
    for (const ConfigurationPtr& configuration : list) languages.push_back(configuration->language);
    return languages;
}

size_t CountLines(const LogCapture& log, const std::string& message) {
    const std::string text = log.Text();
    size_t count = 0;
    for (size_t at = text.find("\t" + message + "\r\n"); at != std::string::npos;
         at = text.find("\t" + message + "\r\n", at + 1))
        ++count;
    return count;
}

// The document sources and the user's answers are the test's: documents are
// files of a temporary folder, the answers are set per case.
class TestConfigFiles : public ConfigFiles {
public:
    std::wstring primaryPath;
    bool continueOnMismatch = true;
    unsigned long chosenLcid = 0;
    // Runs in place of a download, before the referenced document is read.
    std::function<void(const ReferenceConfiguration&)> onDownload;

    std::vector<std::wstring> mismatches;
    std::vector<std::wstring> downloads;

    using ConfigFiles::ExpandReferences;

protected:
    bool LoadPrimaryDocument() override {
        if (primaryPath.empty()) return false;
        m_primary.LoadFile(primaryPath);
        return true;
    }
    bool ConfirmVersionMismatch(const std::wstring& version, const std::wstring& filename) override {
        mismatches.push_back(version + L" " + filename);
        return continueOnMismatch;
    }
    void DownloadReferenceConfiguration(const ReferenceConfiguration& reference) override {
        downloads.push_back(reference.filename);
        if (onDownload) onDownload(reference);
    }
    INT_PTR RunConfiguration(const ConfigurationPtr&, unsigned long, bool) override {
        ADD_FAILURE() << "loading runs no configuration";
        return IDCANCEL;
    }
    bool SelectLanguage() override {
        if (chosenLcid == 0) return false;
        InstallerSession::Instance().languageId = chosenLcid;
        return true;
    }
};

class ConfigFilesTest : public FreshSessionTest {
protected:
    std::wstring Write(const std::wstring& name, const std::string& xml) const {
        const std::wstring path = m_folder / name;
        TestSupport::WriteTextFile(path, xml);
        return path;
    }
    std::wstring Path(const std::wstring& name) const { return m_folder / name; }
    // Loads with the primary document written from xml.
    void Load(const std::string& xml) {
        files.primaryPath = Write(L"primary.xml", xml);
        files.LoadConfigurations();
        TestSupport::RecordAcceptedDocument(xml);
    }

    TestSupport::TempFolder m_folder;
    LogCapture log;
    TestConfigFiles files;
};

}  // namespace

TEST_F(ConfigFilesTest, ReferencesAreReplacedInPlaceByTheSupportedConfigurationsOfTheirDocuments) {
    Write(L"inner.xml", Document(Install("inner") + Install("inner-en", "1033")));
    Write(L"outer.xml", Document(Install("outer-1") + Reference(Path(L"inner.xml")) + Install("outer-2")));
    files.chosenLcid = 1031;
    Load(Document(Install("first", "1031") + Reference(Path(L"outer.xml")) + Install("english", "1033") +
                  Reference(Path(L"never-read.xml"), "1033") + Install("last")));

    EXPECT_EQ(Languages(files.configurations),
              (std::vector<std::wstring>{L"first", L"outer-1", L"inner", L"outer-2", L"last"}));
    EXPECT_EQ(files.downloads, (std::vector<std::wstring>{Path(L"outer.xml"), Path(L"inner.xml")}));
    EXPECT_TRUE(files.mismatches.empty());
    EXPECT_TRUE(log.HasLine("Locale chosen: 1031"));
    EXPECT_TRUE(log.HasLine("Downloading reference configuration to '" + WideToAnsi(Path(L"inner.xml")) + "'"));
    EXPECT_EQ(CountLines(log, "Loading configuration file: " + WideToAnsi(Path(L"never-read.xml"))), 0u);
    // The primary document keeps every configuration, references included.
    EXPECT_EQ(files.GetPrimary().configurations.size(), 5u);
}

TEST_F(ConfigFilesTest, TheReferencedDocumentIsReadOnlyAfterItsDownload) {
    const std::wstring fetched = Path(L"fetched.xml");
    files.onDownload = [&](const ReferenceConfiguration& reference) {
        EXPECT_FALSE(Kestlib::FileExists(reference.filename));
        TestSupport::WriteTextFile(reference.filename, Document(Install("fetched")));
    };
    Load(Document(Reference(fetched)));
    EXPECT_EQ(Languages(files.configurations), std::vector<std::wstring>{L"fetched"});
}

TEST_F(ConfigFilesTest, ReferenceChainsStopAtTheNestingLimit) {
    struct Case {
        const char* name;
        int referencedDocuments;
        bool fails;
    };
    const Case cases[] = {{"nine documents", 9, false}, {"ten documents", 10, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LogCapture chainLog;
        TestConfigFiles chain;
        const std::wstring prefix = std::to_wstring(c.referencedDocuments) + L"-";
        for (int n = 1; n <= c.referencedDocuments; ++n) {
            const std::string children = n < c.referencedDocuments
                                             ? Reference(Path(prefix + std::to_wstring(n + 1) + L".xml"))
                                             : Install("deepest");
            Write(prefix + std::to_wstring(n) + L".xml", Document(children));
        }
        chain.primaryPath = Write(prefix + L"0.xml", Document(Reference(Path(prefix + L"1.xml"))));
        if (c.fails) {
            EXPECT_THROW_MESSAGE(chain.LoadConfigurations(),
                                 "Maximum nested reference configuration level of 10 reached. "
                                 "Do you have a circular reference?");
        } else {
            chain.LoadConfigurations();
            EXPECT_EQ(Languages(chain.configurations), std::vector<std::wstring>{L"deepest"});
        }
        // The deepest document is read either way.
        EXPECT_EQ(CountLines(chainLog, "Loading configuration file: " +
                                           WideToAnsi(Path(prefix + std::to_wstring(c.referencedDocuments) +
                                                           L".xml"))),
                  1u);
    }
}

TEST_F(ConfigFilesTest, ADocumentThatReferencesItselfIsReadElevenTimesAndFails) {
    const std::wstring self = Path(L"self.xml");
    files.primaryPath = Write(L"self.xml", Document(Install("again") + Reference(self)));
    EXPECT_THROW_MESSAGE(files.LoadConfigurations(),
                         "Maximum nested reference configuration level of 10 reached. "
                         "Do you have a circular reference?");
    EXPECT_EQ(CountLines(log, "Loading configuration file: " + WideToAnsi(self)), 11u);
    EXPECT_EQ(files.downloads.size(), 10u);
    EXPECT_TRUE(files.configurations.empty());
}

TEST_F(ConfigFilesTest, VersionMismatchesAreAnsweredByTheUser) {
    struct Case {
        const char* name;
        std::string primarySchema;
        std::string referencedSchema;
        bool answer;
        const char* error;  // after the path of the document, empty when loading goes on
    };
    const Case cases[] = {
        {"no schema is version 1, stopped", "", kCurrentSchema, false, "' 1 does not match"},
        {"no schema, continued", "", kCurrentSchema, true, ""},
        {"other version of a referenced document, stopped", kCurrentSchema,
         "<schema version=\"1.7.29433.1\"/>", false, " version 1.7.29433.1 does not match"},
        {"other version of a referenced document, continued", kCurrentSchema,
         "<schema version=\"1.7.29433.1\"/>", true, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestConfigFiles run;
        run.continueOnMismatch = c.answer;
        const std::wstring referenced = Write(L"referenced.xml", Document(Install("referenced"), c.referencedSchema));
        run.primaryPath = Write(L"versions.xml", Document(Reference(referenced), c.primarySchema));
        const bool primaryDiffers = c.primarySchema.empty();
        const std::wstring asked = primaryDiffers ? L"1 " + run.primaryPath : L"1.7.29433.1 " + referenced;
        const std::string bootstrapper = " bootstrapper version 1.7.29433.0";
        if (*c.error == '\0') {
            run.LoadConfigurations();
            EXPECT_EQ(Languages(run.configurations), std::vector<std::wstring>{L"referenced"});
        } else if (primaryDiffers) {
            EXPECT_THROW_MESSAGE(run.LoadConfigurations(), "Configuration version in '" +
                                                               WideToAnsi(run.primaryPath) + c.error + bootstrapper);
        } else {
            EXPECT_THROW_MESSAGE(run.LoadConfigurations(),
                                 "Downloaded configuration " + WideToAnsi(referenced) + c.error + bootstrapper);
        }
        EXPECT_EQ(run.mismatches, std::vector<std::wstring>{asked});
    }
}

TEST_F(ConfigFilesTest, NothingSupportedFailsWithTheNoMatchMessage) {
    struct Case {
        const char* name;
        std::string attributes;
        std::string expected;
    };
    const Case cases[] = {
        {"the program's message", "",
         "No configuration matching locale and operating system found within 3 configuration(s)"},
        {"the document's message", "configuration_no_match_message=\"None of %s fits\"", "None of 3 fits"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestConfigFiles run;
        run.chosenLcid = 1031;
        run.primaryPath = Write(L"nomatch.xml", Document(Install("en", "1033") + Install("fr", "1036") +
                                                             Reference(Path(L"never.xml"), "!1031"),
                                                         kCurrentSchema, c.attributes));
        EXPECT_THROW_MESSAGE(run.LoadConfigurations(), c.expected);
        EXPECT_TRUE(run.downloads.empty());
    }
}

TEST_F(ConfigFilesTest, WithoutANamedOrEmbeddedDocumentTheOneBesideTheExecutableIsMissing) {
    const std::wstring beside = Kestlib::PathCombine(Kestlib::GetModuleDirectory(), L"configuration.xml");
    ASSERT_FALSE(Kestlib::FileExists(beside));
    EXPECT_THROW_MESSAGE(files.LoadConfigurations(), "Missing '" + WideToAnsi(beside) + "'");
    EXPECT_TRUE(files.mismatches.empty());
}

TEST_F(ConfigFilesTest, AReferenceToAMissingFileFailsWhileReadingIt) {
    const std::wstring missing = Path(L"not-downloaded.xml");
    files.primaryPath = Write(L"primary.xml", Document(Reference(missing)));
    EXPECT_THROW(files.LoadConfigurations(), std::exception);
    EXPECT_EQ(files.downloads, std::vector<std::wstring>{missing});
    EXPECT_TRUE(files.configurations.empty());
}
