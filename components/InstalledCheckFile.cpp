#include "components/InstalledCheckFile.h"

#include "app/InstallerLog.h"
#include "config/XmlReading.h"
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

    auto order = [this]() { return Kestlib::CompareVersion(Kestlib::GetFileVersionString(filename), fileversion); };
    if (comparison == L"version" || comparison == L"version_ge") return order() >= 0;
    if (comparison == L"version_eq") return order() == 0;
    if (comparison == L"version_gt") return order() > 0;
    if (comparison == L"version_lt") return order() < 0;
    if (comparison == L"version_le") return order() <= 0;
    Kestlib::ThrowError(L"Invalid comparison type \"" + comparison + L"\"");
}
