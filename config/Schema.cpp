#include "config/Schema.h"

#include <tinyxml.h>

#include "app/InstallerLog.h"
#include "config/XmlReading.h"

void Schema::Load(const TiXmlElement* element) {
    XmlReading::CheckElement(element, "schema");
    version = XmlReading::Attribute(element, "version");
    generator = XmlReading::Attribute(element, "generator");
    LOG(L"Loaded schema: version=" << version << L", generator=" << generator);
}
