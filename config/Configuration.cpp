#include "config/Configuration.h"

#include <tinyxml.h>

#include "base/FilterMatching.h"
#include "base/InstallerLog.h"
#include "base/InstallerSession.h"
#include "base/Lcid.h"
#include "base/OperatingSystem.h"
#include "base/ProcessorArchitecture.h"
#include "base/XmlReading.h"

void Configuration::Load(const TiXmlElement* element) {
    // Every text read from here on sees the new GUID of this configuration.
    LOG(L"CreateGUID");
    InstallerSession::Instance().NewGuid();
    XmlReading::CheckElement(element, "configuration");
    lcid_filter = XmlReading::Attribute(element, "lcid_filter");
    language_id = XmlReading::ExpandedAttribute(element, "language_id");
    language = XmlReading::ExpandedAttribute(element, "language");
    os_filter_greater = XmlReading::Attribute(element, "os_filter_greater");
    os_filter_smaller = XmlReading::Attribute(element, "os_filter_smaller");
    processor_architecture_filter = XmlReading::Attribute(element, "processor_architecture_filter");
}

bool Configuration::IsSupported(unsigned long lcid) const {
    return MatchLcidFilter(lcid_filter, lcid) &&
           MatchProcessorFilter(processor_architecture_filter, GetProcessorArchitecture()) &&
           MatchOsRange(os_filter_greater, os_filter_smaller, GetOperatingSystem());
}

std::wstring Configuration::GetLanguageText() const {
    if (!language.empty()) return language;
    if (!language_id.empty()) return language_id;
    if (!lcid_filter.empty()) return lcid_filter;
    return std::to_wstring(GetLcid(LcidTypeUser));
}

std::wstring Configuration::CommonToString() const {
    std::wstring text = L", lang=" + GetLanguageText();
    if (!processor_architecture_filter.empty()) text += L", pa=" + processor_architecture_filter;
    if (!os_filter_greater.empty() || !os_filter_smaller.empty())
        text += L", os=" + os_filter_greater + L"/" + os_filter_smaller;
    return text;
}
