#pragma once

#include "config/Configuration.h"

// One installation. For now it holds its filters only: a <component> or any
// other child is refused rather than silently dropped.
class InstallConfiguration : public Configuration {
public:
    InstallConfiguration() : Configuration(ConfigurationTypeInstall) {}

    void Load(const TiXmlElement* element) override;
    std::wstring ToString(int indent) const override;
};
