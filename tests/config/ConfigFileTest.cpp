#include <gtest/gtest.h>

#include "base/InstallerLog.h"
#include "config/ConfigFile.h"
#include "lib/FileOps.h"
#include "lib/TextConversion.h"
#include "tests/support/Expect.h"
#include "tests/support/TestEnvironment.h"

using Kestlib::WideToAnsi;
using TestSupport::WriteTextFile;

namespace {

const char kMinimal[] = "<configurations>\n</configurations>\n";

// Each case writes the log into its own folder and reads it back.
class ConfigFileTest : public ::testing::Test {
protected:
    // A log another suite opened first would keep its file.
    void SetUp() override {
        InstallerLog::Release();
        InstallerLog::Instance().SetPath(LogPath());
    }
    void TearDown() override { InstallerLog::Release(); }

    std::wstring LogPath() const { return m_folder / L"config.log"; }
    bool Logged(const std::string& message) const {
        return TestSupport::ReadTextFile(LogPath()).find("\t" + message + "\r\n") != std::string::npos;
    }
    std::wstring Document(const std::string& content) const {
        std::wstring path = m_folder / L"configuration.xml";
        WriteTextFile(path, content);
        return path;
    }

    TestSupport::TempFolder m_folder;
    ConfigFile m_file;
};

}  // namespace

TEST_F(ConfigFileTest, LoadsAFileAndNamesIt) {
    std::wstring path = Document(kMinimal);
    m_file.LoadFile(path);
    EXPECT_EQ(m_file.GetFilename(), path);
    EXPECT_TRUE(Logged("Loading configuration file: " + WideToAnsi(path)));
    EXPECT_TRUE(Logged("Parsing: " + std::to_string(sizeof(kMinimal)) + " bytes"));
}

TEST_F(ConfigFileTest, ParsedSizeCountsTheTerminatingZero) {
    std::string content = "<configurations>" + std::string(1023 - 33, ' ') + "</configurations>";
    ASSERT_EQ(content.size(), 1023u);
    m_file.LoadFile(Document(content));
    EXPECT_TRUE(Logged("Parsing: 1KB"));
}

TEST_F(ConfigFileTest, ByteOrderMarkIsAccepted) {
    std::wstring path = Document("\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\n" + std::string(kMinimal));
    m_file.LoadFile(path);
    EXPECT_EQ(m_file.GetFilename(), path);
}

TEST_F(ConfigFileTest, CommentsAndTextAmongTheChildrenAreSkipped) {
    m_file.LoadFile(Document("<!-- before -->\n<configurations>\n<!-- inside -->\ntext\n</configurations>"));
    EXPECT_FALSE(m_file.GetFilename().empty());
}

TEST_F(ConfigFileTest, EmptyFile) {
    std::wstring path = Document("");
    EXPECT_THROW_MESSAGE(m_file.LoadFile(path), "Error loading file: " + WideToAnsi(path) + ", file is empty");
    EXPECT_TRUE(m_file.GetFilename().empty());
}

TEST_F(ConfigFileTest, MissingFileFailsReadingIt) {
    std::wstring path = m_folder / L"missing.xml";
    EXPECT_THROW_PREFIX(m_file.LoadFile(path),
                        "0x80070002 - Error getting file attributes of " + WideToAnsi(path) + ": ");
    EXPECT_TRUE(Logged("Loading configuration file: " + WideToAnsi(path)));
    EXPECT_TRUE(m_file.GetFilename().empty());
}

TEST_F(ConfigFileTest, FolderInPlaceOfTheFileFails) {
    std::wstring path = m_folder / L"folder.xml";
    Kestlib::CreateDirectories(path);
    EXPECT_THROW(m_file.LoadFile(path), std::exception);
    EXPECT_TRUE(m_file.GetFilename().empty());
}

// The parser has no position for this error and reports 0:0.
TEST_F(ConfigFileTest, TextThatIsNoXml) {
    EXPECT_THROW_MESSAGE(m_file.LoadFile(Document("just some text")),
                         "Error loading configuration: Error document empty. at 0:0");
    EXPECT_TRUE(m_file.GetFilename().empty());
}

TEST_F(ConfigFileTest, ParseErrorNamesRowAndColumnFromOne) {
    // Row 2, column 6 is where "</b>" begins.
    EXPECT_THROW_MESSAGE(m_file.LoadFile(Document("<configurations>\n  <a></b>\n</configurations>")),
                         "Error loading configuration: Error reading end tag. at 2:6");
}

TEST_F(ConfigFileTest, TruncatedDocument) {
    EXPECT_THROW_PREFIX(m_file.LoadFile(Document("<configurations>\n  <configuration ")),
                        "Error loading configuration: ");
    EXPECT_TRUE(m_file.GetFilename().empty());
}

TEST_F(ConfigFileTest, DocumentWithoutRootElement) {
    EXPECT_THROW_MESSAGE(m_file.LoadFile(Document("<?xml version=\"1.0\"?>\n<!-- nothing else -->\n")),
                         "Expected 'configurations' node");
    EXPECT_TRUE(m_file.GetFilename().empty());
}

TEST_F(ConfigFileTest, WrongRootElement) {
    EXPECT_THROW_MESSAGE(m_file.LoadFile(Document("<Configurations></Configurations>")),
                         "Expected 'configurations' node, got 'Configurations'");
    EXPECT_TRUE(m_file.GetFilename().empty());
}

TEST_F(ConfigFileTest, UnknownChildElement) {
    EXPECT_THROW_MESSAGE(
        m_file.LoadFile(Document("<configurations><!-- c --><installedcheck type=\"file\"/></configurations>")),
        "Unexpected node 'installedcheck'");
    EXPECT_TRUE(m_file.GetFilename().empty());
}

TEST_F(ConfigFileTest, LoadsTheEmbeddedDocument) {
    m_file.LoadResource(ConfigurationResourceType, nullptr, ConfigurationResourceName);
    EXPECT_EQ(m_file.GetFilename(), L"Resource: RES_CONFIGURATION");
    EXPECT_TRUE(Logged("Loaded configuration from embedded resource 'RES_CONFIGURATION'"));
}

TEST_F(ConfigFileTest, BrokenEmbeddedDocumentNamesTheResource) {
    EXPECT_THROW_MESSAGE(m_file.LoadResource(L"CUSTOM", nullptr, L"RES_BROKEN_CONFIGURATION"),
                         "Error parsing 'RES_BROKEN_CONFIGURATION resource: Error reading end tag. at 4:1");
    EXPECT_FALSE(Logged("Loaded configuration from embedded resource 'RES_BROKEN_CONFIGURATION'"));
    EXPECT_TRUE(m_file.GetFilename().empty());
}

TEST_F(ConfigFileTest, EmbeddedDocumentWithAnotherRoot) {
    EXPECT_THROW_MESSAGE(m_file.LoadResource(L"CUSTOM", nullptr, L"RES_WRONG_ROOT"),
                         "Expected 'configurations' node, got 'configuration'");
    EXPECT_TRUE(m_file.GetFilename().empty());
}

TEST_F(ConfigFileTest, MissingResource) {
    EXPECT_THROW_PREFIX(m_file.LoadResource(L"CUSTOM", nullptr, L"RES_NONE"),
                        "0x80070716 - Invalid CUSTOM resource: RES_NONE: ");
    EXPECT_TRUE(m_file.GetFilename().empty());
}
