#include "components/InstalledCheckRegistry.h"

#include <algorithm>
#include <cwchar>

#include "base/InstallerLog.h"
#include "base/OperatingSystem.h"
#include "base/XmlReading.h"
#include "components/VersionRelation.h"
#include "lib/Registry.h"
#include "lib/StringUtils.h"
#include "lib/SystemError.h"
#include "lib/ValueParsing.h"
#include "lib/Version.h"

namespace {

// The registry check puts the wanted value on the left, so its plain
// "version" asks for a registry value at least as new: left <= right.
bool IsOrderComparison(const std::wstring& comparison) {
    return comparison == L"version" || IsVersionRelation(comparison);
}

bool OrderHolds(const std::wstring& comparison, int order) {
    return VersionRelationHolds(comparison == L"version" ? L"version_le" : comparison, order);
}

}  // namespace

void InstalledCheckRegistry::Load(const TiXmlElement* element) {
    XmlReading::CheckElement(element, "installedcheck");
    fieldname = XmlReading::ExpandedAttribute(element, "fieldname");
    fieldtype = XmlReading::Attribute(element, "fieldtype");
    fieldvalue = XmlReading::ExpandedAttribute(element, "fieldvalue");
    path = XmlReading::ExpandedAttribute(element, "path");
    comparison = XmlReading::Attribute(element, "comparison");
    rootkey = XmlReading::Attribute(element, "rootkey");
    wowoption = XmlReading::Attribute(element, "wowoption");
    LOG(L"Loaded 'registry' installed check '" << rootkey << L"\\" << path << L"\\" << fieldname << L"'");
}

DWORD InstalledCheckRegistry::View() const {
    // Systems before XP have a single registry view.
    if (GetOperatingSystem() < winXP || wowoption.empty()) return 0;
    if (_wcsicmp(wowoption.c_str(), L"WOW64_64") == 0) {
        LOG(L"Opening 64-bit registry view (KEY_WOW64_64KEY)");
        return KEY_WOW64_64KEY;
    }
    if (_wcsicmp(wowoption.c_str(), L"WOW64_32") == 0) {
        LOG(L"Opening 32-bit registry view (KEY_WOW64_32KEY)");
        return KEY_WOW64_32KEY;
    }
    if (_wcsicmp(wowoption.c_str(), L"NONE") == 0) return 0;
    Kestlib::ThrowError(L"Invalid WOW option '" + wowoption + L"'");
}

bool InstalledCheckRegistry::IsInstalled() const {
    LOG(L"Reading Registry: " << path << L"\\" << fieldname);
    DWORD view = View();
    HKEY root = Kestlib::String2HKEY(rootkey);
    if (!Kestlib::RegistryKeyExists(root, path, fieldname, view)) {
        LOG(L"*** No registry key found: " << path << L"\\" << fieldname);
        return false;
    }
    LOG(L"Registry key found: " << path << L"\\" << fieldname);

    if (fieldtype == L"REG_DWORD") {
        DWORD value = Kestlib::RegistryGetDWORD(root, path, fieldname, view);
        LOG(L"Registry value: " << value);
        return CompareDWORD(value);
    }
    if (fieldtype == L"REG_SZ") {
        std::wstring value = Kestlib::RegistryGetStringValue(root, path, fieldname, view);
        LOG(L"Registry value: " << value);
        return CompareString(value);
    }
    if (fieldtype == L"REG_MULTI_SZ") return CompareMultiString(root, view);
    Kestlib::ThrowError(L"Unsupported registry type: " + fieldtype);
}

bool InstalledCheckRegistry::CompareDWORD(DWORD registryValue) const {
    // -1 in the document stands for 0xFFFFFFFF.
    DWORD wanted = static_cast<DWORD>(Kestlib::ParseInt(fieldvalue));
    LOG(L"Check value: " << wanted);
    if (comparison == L"exists") return true;
    if (comparison == L"match") return wanted == registryValue;
    if (!IsOrderComparison(comparison)) ThrowInvalidComparison();
    return OrderHolds(comparison, wanted < registryValue ? -1 : (wanted > registryValue ? 1 : 0));
}

bool InstalledCheckRegistry::CompareString(const std::wstring& registryValue) const {
    if (comparison == L"exists") return true;
    if (comparison == L"match") return fieldvalue == registryValue;
    if (comparison == L"contains") return registryValue.find(fieldvalue) != std::wstring::npos;
    if (!IsOrderComparison(comparison)) ThrowInvalidComparison();
    return OrderHolds(comparison, Kestlib::CompareVersion(fieldvalue, registryValue));
}

bool InstalledCheckRegistry::CompareMultiString(HKEY root, DWORD view) const {
    Kestlib::StringList values = Kestlib::RegistryGetMultiStringValue(root, path, fieldname, view);
    LOG(L"Registry value: " << values.size() << L" string(s)");
    Kestlib::StringList wanted = Kestlib::SplitString(fieldvalue, L",");
    if (comparison == L"exists") return true;
    if (comparison == L"match") return wanted == values;
    if (comparison == L"contains") {
        return std::all_of(wanted.begin(), wanted.end(), [&values](const std::wstring& text) {
            return std::find(values.begin(), values.end(), text) != values.end();
        });
    }
    ThrowInvalidComparison();
}

void InstalledCheckRegistry::ThrowInvalidComparison() const {
    Kestlib::ThrowError(L"Invalid comparison type: " + comparison);
}
