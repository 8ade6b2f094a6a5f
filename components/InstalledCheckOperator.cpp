#include "components/InstalledCheckOperator.h"

#include "base/InstallerLog.h"
#include "base/XmlReading.h"
#include "components/InstalledCheckFactory.h"
#include "lib/SystemError.h"

void InstalledCheckOperator::Load(const TiXmlElement* element) {
    XmlReading::CheckElement(element, "installedcheckoperator");
    type = XmlReading::Attribute(element, "type");
    description = XmlReading::ExpandedAttribute(element, "description");
    XmlReading::ForEachChildElement(
        element, [this](const TiXmlElement* child) { checks.push_back(InstalledCheckFactory::Load(child)); });
    LOG(L"Loaded '" << type << L"' installed check operator");
}

bool InstalledCheckOperator::IsInstalled() const {
    if (type == L"And") {
        if (checks.empty()) return false;
        for (const InstalledCheckPtr& check : checks) {
            if (!check->IsInstalled()) return false;
        }
        return true;
    }
    if (type == L"Or") return AnyInstalled();
    if (type == L"Not") return !AnyInstalled();
    Kestlib::ThrowError(L"Invalid check operator \"" + type + L"\"");
}

bool InstalledCheckOperator::AnyInstalled() const {
    for (const InstalledCheckPtr& check : checks) {
        if (check->IsInstalled()) return true;
    }
    return false;
}
