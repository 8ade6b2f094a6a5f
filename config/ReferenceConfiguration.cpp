#include "config/ReferenceConfiguration.h"

#include <tinyxml.h>

#include "app/InstallerLog.h"
#include "config/XmlReading.h"

void ReferenceConfiguration::Load(const TiXmlElement* element) {
    if (element != nullptr) {
        // A <downloaddialog> is not accepted until downloads can be held and run.
        XmlReading::ForEachChildElement(element, [this](const TiXmlElement* child) {
            if (child->ValueStr() != "configfile") XmlReading::ThrowUnexpectedNode(child);
            filename = XmlReading::ExpandedAttribute(child, "filename");
        });
    }
    Configuration::Load(element);
    LOG(L"Loaded 'reference' configuration '" << filename << L"'");
}

std::wstring ReferenceConfiguration::ToString(int indent) const {
    return std::wstring(indent, L' ') + L"Reference " + CommonToString();
}
