#include "config/InstallConfiguration.h"

#include <tinyxml.h>

#include "config/XmlReading.h"

void InstallConfiguration::Load(const TiXmlElement* element) {
    Configuration::Load(element);
    XmlReading::ForEachChildElement(element, [](const TiXmlElement* child) {
        XmlReading::ThrowUnexpectedNode(child);
    });
}

std::wstring InstallConfiguration::ToString(int indent) const {
    return std::wstring(indent, L' ') + L"Install" + CommonToString() + L"\r\n" + L"\r\n";
}
