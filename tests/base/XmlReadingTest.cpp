#include <gtest/gtest.h>

#include <windows.h>

#include "base/XmlReading.h"
#include "tests/support/Expect.h"

namespace {

// Parses a document and hands out its root element.
class Xml {
public:
    explicit Xml(const char* text) { m_document.Parse(text); }
    const TiXmlElement* Root() const { return m_document.RootElement(); }

private:
    TiXmlDocument m_document;
};

}  // namespace

TEST(XmlReading, ElementNamesCompareExactly) {
    Xml xml("<schema version=\"1\"/>");
    XmlReading::CheckElement(xml.Root(), "schema");
    EXPECT_THROW_MESSAGE(XmlReading::CheckElement(nullptr, "configurations"), "Expected 'configurations' node");
    EXPECT_THROW_MESSAGE(XmlReading::CheckElement(xml.Root(), "Schema"), "Expected 'Schema' node, got 'schema'");
}

TEST(XmlReading, MissingAttributeReadsAsEmpty) {
    Xml xml("<e a=\"x\" empty=\"\" utf8=\"Gr\xC3\xBC\xC3\x9F" "e\"/>");
    EXPECT_EQ(XmlReading::Attribute(xml.Root(), "a"), L"x");
    EXPECT_EQ(XmlReading::Attribute(xml.Root(), "A"), L"");
    EXPECT_EQ(XmlReading::Attribute(xml.Root(), "missing"), L"");
    EXPECT_EQ(XmlReading::Attribute(xml.Root(), "empty"), L"");
    EXPECT_EQ(XmlReading::Attribute(xml.Root(), "utf8"), L"Gr\u00FC\u00DFe");
}

TEST(XmlReading, BooleanAttributesTakeTheirDefaultWhenMissingOrEmpty) {
    Xml xml("<e on=\"TRUE\" off=\"false\" empty=\"\" bad=\"yes\"/>");
    EXPECT_TRUE(XmlReading::BoolAttribute(xml.Root(), "on", false));
    EXPECT_FALSE(XmlReading::BoolAttribute(xml.Root(), "off", true));
    EXPECT_TRUE(XmlReading::BoolAttribute(xml.Root(), "empty", true));
    EXPECT_FALSE(XmlReading::BoolAttribute(xml.Root(), "missing", false));
    EXPECT_THROW_MESSAGE(XmlReading::BoolAttribute(xml.Root(), "bad", false), "Invalid boolean value: yes");
}

TEST(XmlReading, ExpandedAttributeResolvesVariables) {
    ASSERT_TRUE(::SetEnvironmentVariableW(L"XMLREADING_TEST_VALUE", L"expanded"));
    Xml xml("<e path=\"[%XMLREADING_TEST_VALUE%]\"/>");
    EXPECT_EQ(XmlReading::ExpandedAttribute(xml.Root(), "path"), L"[expanded]");
    EXPECT_EQ(XmlReading::Attribute(xml.Root(), "path"), L"[%XMLREADING_TEST_VALUE%]");
    EXPECT_EQ(XmlReading::ExpandedAttribute(xml.Root(), "missing"), L"");
}

TEST(XmlReading, ChildElementsInOrderSkippingOtherNodes) {
    Xml xml("<root><!-- c --><a/>text<b/><?pi x?><c/></root>");
    std::string names;
    XmlReading::ForEachChildElement(xml.Root(), [&](const TiXmlElement* child) { names += child->Value(); });
    EXPECT_EQ(names, "abc");
}

TEST(XmlReading, UnexpectedNodeIsNamedAsWritten) {
    Xml xml("<root><fileattribute/><n\xC3\xBC/></root>");
    const TiXmlElement* first = xml.Root()->FirstChildElement();
    EXPECT_THROW_MESSAGE(XmlReading::ThrowUnexpectedNode(first), "Unexpected node 'fileattribute'");
    // Byte by byte: the name's UTF-8 bytes reach the message unchanged.
    EXPECT_THROW_MESSAGE(XmlReading::ThrowUnexpectedNode(first->NextSiblingElement()),
                         "Unexpected node 'n\xC3\xBC'");
}
