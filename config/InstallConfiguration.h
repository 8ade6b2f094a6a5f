#pragma once

#include <string>

#include "components/Components.h"
#include "config/Configuration.h"

// A rectangle of the main dialog's layout; all 0 when the document sets none.
struct Position {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// "x,y,width,height": each piece's leading number as wcstol reads it (no
// digits give 0, the rest of a piece is ignored). Empty text or a count of
// pieces other than four leaves the position as it was; never fails.
void ParsePosition(const std::wstring& text, Position& position);

// One installation: the main dialog's texts and layout, the rules for
// failures, reboots and completion, the extraction folder, and the components.
class InstallConfiguration : public Configuration {
public:
    InstallConfiguration() : Configuration(ConfigurationTypeInstall) {}

    // cab_path is read and handed to the session before any other text is
    // expanded, so the later texts' #CABPATH already means this folder.
    void Load(const TiXmlElement* element) override;
    std::wstring ToString(int indent) const override;
    Components GetSupportedComponents(unsigned long lcid) const { return components.GetSupportedComponents(lcid); }

    std::wstring cab_path;
    bool cab_path_autodelete = true;
    Position dialog_position;
    Position dialog_components_list_position;
    Position dialog_message_position;
    Position dialog_bitmap_position;
    Position dialog_otherinfo_link_position;
    Position dialog_osinfo_position;
    Position dialog_install_button_position;
    Position dialog_cancel_button_position;
    Position dialog_skip_button_position;
    std::wstring cancel_caption;
    std::wstring dialog_bitmap;
    std::wstring dialog_caption;
    std::wstring dialog_message;
    std::wstring skip_caption;
    std::wstring install_caption;
    std::wstring status_installed;
    std::wstring status_notinstalled;
    std::wstring failed_exec_command_continue;
    std::wstring installation_completed;
    std::wstring installation_none;
    std::wstring reboot_required;
    bool must_reboot_required = false;
    std::wstring installing_component_wait;
    std::wstring dialog_otherinfo_caption;
    std::wstring dialog_otherinfo_link;
    std::wstring complete_command;
    std::wstring complete_command_basic;
    std::wstring complete_command_silent;
    bool wait_for_complete_command = true;
    bool auto_close_if_installed = true;
    bool auto_close_on_error = false;
    bool allow_continue_on_error = true;
    bool dialog_show_installed = true;
    bool dialog_show_required = true;
    std::wstring cab_dialog_caption;
    std::wstring cab_dialog_message;
    std::wstring cab_cancelled_message;
    bool auto_start = false;
    bool auto_continue_on_reboot = false;
    std::wstring reboot_cmd;
    Components components;
};
