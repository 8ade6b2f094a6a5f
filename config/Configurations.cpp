#include "config/Configurations.h"

#include "base/InstallUILevel.h"
#include "base/InstallerLog.h"
#include "base/XmlReading.h"
#include "config/InstallConfiguration.h"
#include "config/NoMatchMessage.h"
#include "config/ReferenceConfiguration.h"
#include "lib/SystemError.h"

using namespace XmlReading;

void Configurations::Load(const TiXmlElement* element) {
    CheckElement(element, "configurations");
    ui_level = UiLevelFromText(Attribute(element, "ui_level"));
    lcid_type = ParseLcidType(Attribute(element, "lcid_type"));
    fileversion = Attribute(element, "fileversion");
    productversion = Attribute(element, "productversion");
    log_enabled = BoolAttribute(element, "log_enabled", false);
    log_file = ExpandedAttribute(element, "log_file");
    show_language_selector = BoolAttribute(element, "show_language_selector", false);
    language_selector_title = ExpandedAttribute(element, "language_selector_title");
    language_selector_ok = ExpandedAttribute(element, "language_selector_ok");
    language_selector_cancel = ExpandedAttribute(element, "language_selector_cancel");
    configuration_no_match_message = Attribute(element, "configuration_no_match_message");
    LOG(L"Quorvane Setup build: " << productversion);

    ForEachChildElement(element, [this](const TiXmlElement* child) {
        if (IsNamed(child, "configuration"))
            LoadConfiguration(child);
        else if (IsNamed(child, "schema"))
            schema.Load(child);
        else if (IsNamed(child, "fileattributes"))
            attributes.Load(child);
        else
            ThrowUnexpectedNode(child);
    });
    LOG(L"--- Read " << configurations.size() << L" configuration(s)");
}

void Configurations::LoadConfiguration(const TiXmlElement* element) {
    const std::wstring type = Attribute(element, "type");
    ConfigurationPtr configuration;
    if (type == L"reference")
        configuration = ConfigurationPtr(new ReferenceConfiguration());
    else if (type == L"install")
        configuration = ConfigurationPtr(new InstallConfiguration());
    else
        Kestlib::ThrowError(L"Invalid configuration type '" + type + L"'");
    configuration->Load(element);
    configurations.push_back(configuration);
}

std::wstring Configurations::ToString() const {
    std::wstring text;
    for (const ConfigurationPtr& configuration : configurations) text += configuration->ToString(0);
    return text;
}

ConfigurationList Configurations::GetSupportedConfigurations(unsigned long lcid) const {
    if (lcid == 0) lcid = GetLcid(lcid_type);
    ConfigurationList supported;
    for (const ConfigurationPtr& configuration : configurations)
        if (configuration->IsSupported(lcid)) supported.push_back(configuration);
    return supported;
}

std::wstring Configurations::NoMatchMessage() const {
    return FormatNoMatchMessage(configuration_no_match_message, configurations.size());
}
