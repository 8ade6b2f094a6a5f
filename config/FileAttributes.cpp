#include "config/FileAttributes.h"

#include <tinyxml.h>

#include "base/InstallerLog.h"
#include "base/XmlReading.h"

void FileAttribute::Load(const TiXmlElement* element) {
    XmlReading::CheckElement(element, "fileattribute");
    name = XmlReading::ExpandedAttribute(element, "name");
    value = XmlReading::ExpandedAttribute(element, "value");
    LOG(L"Read file attribute: name=" << name << L", value=" << value);
}

void FileAttributes::Load(const TiXmlElement* element) {
    XmlReading::CheckElement(element, "fileattributes");
    XmlReading::ForEachChildElement(element, [this](const TiXmlElement* child) {
        if (!XmlReading::IsNamed(child, "fileattribute")) XmlReading::ThrowUnexpectedNode(child);
        FileAttributePtr attribute(new FileAttribute());
        attribute->Load(child);
        entries[attribute->name] = attribute;
    });
    LOG(L"Read " << entries.size() << L" file attribute(s)");
}
