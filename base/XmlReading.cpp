#include "base/XmlReading.h"

#include "base/Variables.h"
#include "lib/SystemError.h"
#include "lib/TextConversion.h"
#include "lib/ValueParsing.h"

#include <cstring>

namespace XmlReading {

namespace {

// Element names reach the messages byte by byte, as the document spells them.
std::wstring WidenName(const char* name) {
    std::wstring wide;
    for (const char* c = name; *c != '\0'; ++c) wide += static_cast<wchar_t>(static_cast<unsigned char>(*c));
    return wide;
}

}  // namespace

bool IsNamed(const TiXmlElement* element, const char* name) {
    return std::strcmp(element->Value(), name) == 0;
}

void CheckElement(const TiXmlElement* element, const char* expected) {
    if (element == nullptr) Kestlib::ThrowError(L"Expected '" + WidenName(expected) + L"' node");
    if (!IsNamed(element, expected))
        Kestlib::ThrowError(L"Expected '" + WidenName(expected) + L"' node, got '" + WidenName(element->Value()) +
                            L"'");
}

std::wstring Attribute(const TiXmlElement* element, const char* name) {
    return Kestlib::Utf8ToWide(element->Attribute(name));
}

std::wstring ExpandedAttribute(const TiXmlElement* element, const char* name) {
    return ResolveVariables(Attribute(element, name));
}

bool BoolAttribute(const TiXmlElement* element, const char* name, bool defaultValue) {
    return Kestlib::ParseBool(Attribute(element, name), defaultValue);
}

void ThrowUnexpectedNode(const TiXmlElement* element) {
    Kestlib::ThrowError(L"Unexpected node '" + WidenName(element->Value()) + L"'");
}

}  // namespace XmlReading
