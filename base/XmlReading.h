#pragma once

#include <tinyxml.h>

#include <string>

// The reading rules every element reader of the configuration format follows.
namespace XmlReading {

// Whether the element's tag is exactly NAME.
bool IsNamed(const TiXmlElement* element, const char* name);

// No element: "Expected 'NAME' node"; another name: "Expected 'NAME' node, got 'OTHER'".
void CheckElement(const TiXmlElement* element, const char* expected);

// A missing attribute reads as the empty text; values are UTF-8.
std::wstring Attribute(const TiXmlElement* element, const char* name);
// The same, passed through variable expansion.
std::wstring ExpandedAttribute(const TiXmlElement* element, const char* name);
bool BoolAttribute(const TiXmlElement* element, const char* name, bool defaultValue);

// "Unexpected node 'NAME'".
[[noreturn]] void ThrowUnexpectedNode(const TiXmlElement* element);

// Visits the child elements in document order, skipping comments and text.
template <class Visitor>
void ForEachChildElement(const TiXmlElement* element, Visitor visit) {
    for (const TiXmlNode* node = element->FirstChild(); node != nullptr; node = node->NextSibling()) {
        const TiXmlElement* child = node->ToElement();
        if (child != nullptr) visit(child);
    }
}

}  // namespace XmlReading
