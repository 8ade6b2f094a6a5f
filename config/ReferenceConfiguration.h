#pragma once

#include "config/Configuration.h"

// A configuration that stands for the configurations of another document.
class ReferenceConfiguration : public Configuration {
public:
    ReferenceConfiguration() : Configuration(ConfigurationTypeReference) {}

    void Load(const TiXmlElement* element) override;
    std::wstring ToString(int indent) const override;

    std::wstring filename;
};
