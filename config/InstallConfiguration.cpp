#include "config/InstallConfiguration.h"

#include <tinyxml.h>

#include <cwchar>

#include "base/InstallerLog.h"
#include "base/InstallerSession.h"
#include "base/XmlReading.h"
#include "components/ComponentFactory.h"
#include "lib/StringUtils.h"

void ParsePosition(const std::wstring& text, Position& position) {
    if (text.empty()) return;
    const Kestlib::StringList pieces = Kestlib::SplitString(text, L",", 4);
    if (pieces.size() != 4) return;
    int* const fields[] = {&position.x, &position.y, &position.width, &position.height};
    for (size_t i = 0; i < pieces.size(); ++i)
        *fields[i] = static_cast<int>(std::wcstol(pieces[i].c_str(), nullptr, 10));
}

void InstallConfiguration::Load(const TiXmlElement* element) {
    using XmlReading::Attribute;
    using XmlReading::BoolAttribute;
    using XmlReading::ExpandedAttribute;
    Configuration::Load(element);

    cab_path = ExpandedAttribute(element, "cab_path");
    InstallerSession::Instance().SetConfiguredCabPath(cab_path);
    cab_path_autodelete = BoolAttribute(element, "cab_path_autodelete", true);
    ParsePosition(Attribute(element, "dialog_position"), dialog_position);
    ParsePosition(Attribute(element, "dialog_components_list_position"), dialog_components_list_position);
    ParsePosition(Attribute(element, "dialog_message_position"), dialog_message_position);
    ParsePosition(Attribute(element, "dialog_bitmap_position"), dialog_bitmap_position);
    ParsePosition(Attribute(element, "dialog_otherinfo_link_position"), dialog_otherinfo_link_position);
    ParsePosition(Attribute(element, "dialog_osinfo_position"), dialog_osinfo_position);
    ParsePosition(Attribute(element, "dialog_install_button_position"), dialog_install_button_position);
    ParsePosition(Attribute(element, "dialog_cancel_button_position"), dialog_cancel_button_position);
    ParsePosition(Attribute(element, "dialog_skip_button_position"), dialog_skip_button_position);
    cancel_caption = ExpandedAttribute(element, "cancel_caption");
    dialog_bitmap = ExpandedAttribute(element, "dialog_bitmap");
    dialog_caption = ExpandedAttribute(element, "dialog_caption");
    dialog_message = ExpandedAttribute(element, "dialog_message");
    skip_caption = ExpandedAttribute(element, "skip_caption");
    install_caption = ExpandedAttribute(element, "install_caption");
    status_installed = ExpandedAttribute(element, "status_installed");
    status_notinstalled = ExpandedAttribute(element, "status_notinstalled");
    failed_exec_command_continue = ExpandedAttribute(element, "failed_exec_command_continue");
    installation_completed = ExpandedAttribute(element, "installation_completed");
    installation_none = ExpandedAttribute(element, "installation_none");
    reboot_required = ExpandedAttribute(element, "reboot_required");
    must_reboot_required = BoolAttribute(element, "must_reboot_required", false);
    installing_component_wait = ExpandedAttribute(element, "installing_component_wait");
    dialog_otherinfo_caption = ExpandedAttribute(element, "dialog_otherinfo_caption");
    dialog_otherinfo_link = ExpandedAttribute(element, "dialog_otherinfo_link");
    complete_command = ExpandedAttribute(element, "complete_command");
    complete_command_basic = ExpandedAttribute(element, "complete_command_basic");
    complete_command_silent = ExpandedAttribute(element, "complete_command_silent");
    wait_for_complete_command = BoolAttribute(element, "wait_for_complete_command", true);
    auto_close_if_installed = BoolAttribute(element, "auto_close_if_installed", true);
    auto_close_on_error = BoolAttribute(element, "auto_close_on_error", false);
    allow_continue_on_error = BoolAttribute(element, "allow_continue_on_error", true);
    dialog_show_installed = BoolAttribute(element, "dialog_show_installed", true);
    dialog_show_required = BoolAttribute(element, "dialog_show_required", true);
    cab_dialog_caption = ExpandedAttribute(element, "cab_dialog_caption");
    cab_dialog_message = ExpandedAttribute(element, "cab_dialog_message");
    cab_cancelled_message = ExpandedAttribute(element, "cab_cancelled_message");
    auto_start = BoolAttribute(element, "auto_start", false);
    auto_continue_on_reboot = BoolAttribute(element, "auto_continue_on_reboot", false);
    reboot_cmd = ExpandedAttribute(element, "reboot_cmd");

    // Only <component> children count here; any other element is left alone.
    XmlReading::ForEachChildElement(element, [this](const TiXmlElement* child) {
        if (XmlReading::IsNamed(child, "component")) components.push_back(ComponentFactory::Load(child));
    });

    LOG(L"Loaded " << components.size() << L" component(s) from configuration type=" << static_cast<int>(type)
                   << L" (lcid_filter=" << lcid_filter << L", os_filter_greater=" << os_filter_greater
                   << L", os_filter_smaller=" << os_filter_smaller << L", processor_architecture_filter="
                   << processor_architecture_filter << L")");
}

std::wstring InstallConfiguration::ToString(int indent) const {
    return std::wstring(static_cast<size_t>(indent), L' ') + L"Install" + CommonToString() + L"\r\n" +
           components.ToString(indent + 1) + L"\r\n";
}
