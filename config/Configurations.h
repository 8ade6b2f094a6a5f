#pragma once

#include <tinyxml.h>

#include <string>
#include <vector>

#include "base/Lcid.h"
#include "config/Configuration.h"
#include "config/FileAttributes.h"
#include "config/Schema.h"

using ConfigurationList = std::vector<ConfigurationPtr>;

// The root of a configuration document: <configurations> with the settings
// for the whole run and the ordered list of configurations.
class Configurations {
public:
    virtual ~Configurations() = default;
    // Reads the <configurations> element; stops at the first error.
    virtual void Load(const TiXmlElement* element);
    // Every configuration's description, for the display-only run.
    virtual std::wstring ToString() const;

    // In document order, every configuration whose filters accept lcid; an
    // lcid of 0 stands for the language this document's lcid_type names.
    ConfigurationList GetSupportedConfigurations(unsigned long lcid) const;
    // The text to fail with when no configuration of this document matches.
    std::wstring NoMatchMessage() const;

    ConfigurationList configurations;
    LcidType lcid_type = LcidTypeUserExe;
    std::wstring fileversion;
    std::wstring productversion;
    int ui_level = 0;
    Schema schema;
    FileAttributes attributes;
    bool log_enabled = false;
    std::wstring log_file;
    bool show_language_selector = false;
    std::wstring language_selector_title;
    std::wstring language_selector_ok;
    std::wstring language_selector_cancel;
    std::wstring configuration_no_match_message;

private:
    void LoadConfiguration(const TiXmlElement* element);
};
