#include "components/EmbedFile.h"

#include <tinyxml.h>

#include "base/InstallerLog.h"
#include "base/XmlReading.h"

void EmbedFile::Load(const TiXmlElement* element) {
    XmlReading::CheckElement(element, "embedfile");
    sourcefilepath = XmlReading::ExpandedAttribute(element, "sourcefilepath");
    targetfilepath = XmlReading::ExpandedAttribute(element, "targetfilepath");
    LOG(L"Read 'embedfile', source=" << sourcefilepath << L", target=" << targetfilepath);
}
