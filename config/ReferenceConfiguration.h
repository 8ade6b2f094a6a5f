#pragma once

#include "config/Configuration.h"
#include "payload/DownloadDialog.h"

// A configuration that stands for the configurations of another document,
// which its optional download list may have to fetch first.
class ReferenceConfiguration : public Configuration {
public:
    ReferenceConfiguration() : Configuration(ConfigurationTypeReference) {}

    void Load(const TiXmlElement* element) override;
    std::wstring ToString(int indent) const override;

    std::wstring filename;
    // Empty unless the element has a <downloaddialog>; a later one replaces an earlier one.
    DownloadDialogPtr downloaddialog;
};
