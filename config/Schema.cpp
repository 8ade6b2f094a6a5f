#include "config/Schema.h"

#include <tinyxml.h>

#include "base/InstallerLog.h"
#include "base/XmlReading.h"

void Schema::Load(const TiXmlElement* element) {
    XmlReading::CheckElement(element, "schema");
    version = XmlReading::Attribute(element, "version");
    generator = XmlReading::Attribute(element, "generator");
    LOG(L"Loaded schema: version=" << version << L", generator=" << generator);
}
