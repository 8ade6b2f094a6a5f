#include "components/InstalledCheckDirectory.h"

#include "base/InstallerLog.h"
#include "base/XmlReading.h"
#include "lib/FileOps.h"

void InstalledCheckDirectory::Load(const TiXmlElement* element) {
    XmlReading::CheckElement(element, "installedcheck");
    path = XmlReading::ExpandedAttribute(element, "path");
    LOG(L"Loaded 'directory' installed check '" << path << L"'");
}

bool InstalledCheckDirectory::IsInstalled() const { return Kestlib::DirectoryExists(path); }
