#include "components/InstalledCheckFile.h"

#include "base/InstallerLog.h"
#include "base/XmlReading.h"
#include "components/VersionRelation.h"
#include "lib/FileOps.h"
#include "lib/SystemError.h"
#include "lib/Version.h"

void InstalledCheckFile::Load(const TiXmlElement* element) {
    XmlReading::CheckElement(element, "installedcheck");
    filename = XmlReading::ExpandedAttribute(element, "filename");
    fileversion = XmlReading::ExpandedAttribute(element, "fileversion");
    comparison = XmlReading::Attribute(element, "comparison");
    LOG(L"Loaded 'file' installed check '" << filename << L"'");
}

bool InstalledCheckFile::IsInstalled() const {
    if (!Kestlib::FileExists(filename)) return false;
    if (fileversion.empty()) return true;
    // "exists" needs no version resource, so the file may have none.
    if (comparison == L"exists") return true;
    if (comparison == L"match") return Kestlib::GetFileVersionString(filename) == fileversion;

    // The file's version is on the left: plain "version" asks for at least the wanted one.
    if (comparison != L"version" && !IsVersionRelation(comparison))
        Kestlib::ThrowError(L"Invalid comparison type \"" + comparison + L"\"");
    int order = Kestlib::CompareVersion(Kestlib::GetFileVersionString(filename), fileversion);
    return VersionRelationHolds(comparison == L"version" ? L"version_ge" : comparison, order);
}
