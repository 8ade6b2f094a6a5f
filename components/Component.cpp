#include "components/Component.h"

#include <windows.h>

#include <tinyxml.h>

#include "base/FilterMatching.h"
#include "base/InstallerSession.h"
#include "base/OperatingSystem.h"
#include "base/ProcessorArchitecture.h"
#include "base/XmlReading.h"
#include "components/InstalledCheckFactory.h"
#include "lib/ValueParsing.h"

namespace {

bool ExpandedBool(const TiXmlElement* element, const char* name, bool defaultValue) {
    return Kestlib::ParseBool(XmlReading::ExpandedAttribute(element, name), defaultValue);
}

}  // namespace

void Component::Wait(unsigned long milliseconds) {
    while (IsExecuting()) ::Sleep(milliseconds);
}

bool Component::IsInstalled() const {
    if (installedchecks.empty()) return false;
    bool installed = true;
    for (const InstalledCheckPtr& check : installedchecks) {
        if (!check->IsInstalled()) installed = false;
    }
    return installed;
}

void Component::Load(const TiXmlElement* element) {
    using XmlReading::ExpandedAttribute;
    CheckElement(element);
    description = ExpandedAttribute(element, "description");
    status_installed = ExpandedAttribute(element, "status_installed");
    status_notinstalled = ExpandedAttribute(element, "status_notinstalled");
    os_filter_greater = ExpandedAttribute(element, "os_filter_greater");
    os_filter_smaller = ExpandedAttribute(element, "os_filter_smaller");
    os_filter_lcid = ExpandedAttribute(element, "os_filter_lcid");
    installcompletemessage = ExpandedAttribute(element, "installcompletemessage");
    mustreboot = ExpandedBool(element, "mustreboot", false);
    reboot_required = ExpandedAttribute(element, "reboot_required");
    must_reboot_required = ExpandedBool(element, "must_reboot_required", false);
    allow_continue_on_error = ExpandedBool(element, "allow_continue_on_error", true);
    failed_exec_command_continue = ExpandedAttribute(element, "failed_exec_command_continue");
    required = ExpandedBool(element, "required", true);
    processor_architecture_filter = ExpandedAttribute(element, "processor_architecture_filter");
    show_progress_dialog = ExpandedBool(element, "show_progress_dialog", true);

    XmlReading::ForEachChildElement(element, [this](const TiXmlElement* child) {
        if (XmlReading::IsNamed(child, "installedcheck") ||
            XmlReading::IsNamed(child, "installedcheckoperator")) {
            installedchecks.push_back(InstalledCheckFactory::Load(child));
        } else if (XmlReading::IsNamed(child, "embedfile")) {
            EmbedFilePtr embedfile(new EmbedFile());
            embedfile->Load(child);
            embedfiles.push_back(embedfile);
        } else if (XmlReading::IsNamed(child, "downloaddialog")) {
            DownloadDialogPtr dialog(new JoinedJob<DownloadDialog>());
            dialog->Load(child);
            downloaddialog = dialog;
        } else {
            XmlReading::ThrowUnexpectedNode(child);
        }
    });
}

bool Component::IsSupported(unsigned long lcid) const {
    return MatchLcidFilter(os_filter_lcid, lcid) &&
           MatchProcessorFilter(processor_architecture_filter, GetProcessorArchitecture()) &&
           MatchOsRange(os_filter_greater, os_filter_smaller, GetOperatingSystem());
}

std::wstring Component::ToString(int indent) const {
    std::wstring text = std::wstring(static_cast<size_t>(indent), L' ') + description;
    if (!os_filter_lcid.empty()) text += L", lang=" + os_filter_lcid;
    if (!processor_architecture_filter.empty()) text += L", pa=" + processor_architecture_filter;
    if (!os_filter_greater.empty() || !os_filter_smaller.empty())
        text += L", os=" + os_filter_greater + L"/" + os_filter_smaller;
    return text;
}

void Component::CheckElement(const TiXmlElement* element) { XmlReading::CheckElement(element, "component"); }

bool Component::FindComponentArguments(std::wstring& arguments) const {
    const auto& componentArgs = InstallerSession::Instance().componentArgs;
    auto found = componentArgs.find(description);
    if (found == componentArgs.end()) return false;
    arguments = found->second;
    return true;
}
