#include <gtest/gtest.h>

#include <string>

#include "base/InstallerLog.h"
#include "config/ConfigFile.h"
#include "config/NestingDepth.h"
#include "tests/support/Expect.h"
#include "tests/support/TestEnvironment.h"

namespace {

const size_t None = std::string::npos;

TEST(NestingDepth, CountsOnlyWhatTheParserEntersAsElements) {
    struct Case {
        const char* text;
        unsigned limit;
        size_t offset;
    } cases[] = {
        {"<a><b><c></c></b></a>", 3, None},
        {"<a><b><c></c></b></a>", 2, 6},
        {"<a></a><a></a><a></a>", 1, None},
        {"<a><b/><b /><b x='1'/></a>", 1, None},
        {"<a><a><a>", 2, 6},
        {"<\xC3\xA4><\xC3\xA4>", 1, 4},
        {"<_a><_b>", 1, 4},
        // Markup inside comments, CDATA and attribute values is no element.
        {"<a><!-- <b><c> --></a>", 1, None},
        {"<a><!--><b>--></a>", 1, None},
        {"<a><![CDATA[<b><c>]]></a>", 1, None},
        {"<a x='<b>' y=\"<c>\" z = '>'><d/></a>", 1, None},
        {"<a x='/>'><b></b></a>", 1, 10},
        // Processing instructions, declarations and the document type end
        // at their first '>', as the parser reads them.
        {"<a><?pi <b> ?></a>", 1, None},
        {"<?pi x><a><b>", 1, 10},
        {"<!DOCTYPE a [<!ENTITY e '<b>'>]><a><b></b></a>", 2, None},
        {"<!DOCTYPE a [<!ENTITY e 'x'>]><a><b></b></a>", 1, 33},
        {"<?xml version=\"1>0\"?><a><b>", 1, 24},
        {"<?xml foo=\"><a><b>\"?>", 1, 15},
        // A '<' that starts no name is skipped to its '>'.
        {"<a>< b><1><c>", 1, 10},
        {"</a></a><a><b>", 1, 11},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FindExcessiveNesting(c.text, c.limit), c.offset) << c.text << " limit " << c.limit;
    }
}

TEST(NestingDepth, PositionsCountFromOne) {
    EXPECT_EQ(TextPosition("ab\ncd", 0), L"1:1");
    EXPECT_EQ(TextPosition("ab\ncd", 4), L"2:2");
}

std::string Nested(unsigned levels) {
    std::string text = "<configurations>";
    for (unsigned i = 1; i < levels; ++i) text += "<a>";
    for (unsigned i = 1; i < levels; ++i) text += "</a>";
    return text + "</configurations>";
}

class NestedDocumentTest : public ::testing::Test {
protected:
    void SetUp() override { InstallerLog::Instance().SetPath(m_folder / L"config.log"); }
    void TearDown() override { InstallerLog::Release(); }

    void Load(unsigned levels) {
        std::wstring path = m_folder / L"nested.xml";
        TestSupport::WriteTextFile(path, Nested(levels));
        m_file.LoadFile(path);
    }
    // Where the element one level too deep starts in Nested(levels).
    static std::string Position(unsigned levels) {
        return "1:" + std::to_string(16 + 3 * (levels - 2) + 1);
    }

    TestSupport::TempFolder m_folder;
    ConfigFile m_file;
};

TEST_F(NestedDocumentTest, DeepestAllowedDocumentReachesTheReader) {
    // Parsed: the reader then refuses the unknown child.
    EXPECT_THROW_MESSAGE(Load(MaxElementNesting), "Unexpected node 'a'");
}

TEST_F(NestedDocumentTest, DeeperDocumentsAreRefusedBeforeParsing) {
    for (unsigned levels : {MaxElementNesting + 1, 10000u}) {
        SCOPED_TRACE(levels);
        EXPECT_THROW_MESSAGE(Load(levels), "Error loading configuration: elements nested deeper than 256 levels at " +
                                               Position(MaxElementNesting + 1));
    }
    EXPECT_TRUE(m_file.GetFilename().empty());
}

TEST_F(NestedDocumentTest, DeepEmbeddedDocumentIsRefused) {
    EXPECT_THROW_MESSAGE(m_file.LoadResource(L"CUSTOM", nullptr, L"RES_NESTED_257"),
                         "Error parsing 'RES_NESTED_257 resource: elements nested deeper than 256 levels at " +
                             Position(MaxElementNesting + 1));
}

}  // namespace
