#pragma once

#include <string>

#include "base/SharedAny.h"

class TiXmlElement;

enum ConfigurationType : int {
    ConfigurationTypeInstall = 1,
    ConfigurationTypeReference = 2,
};

// What every <configuration> has: its filters on language, processor and
// operating system, and the language it is shown under.
class Configuration {
public:
    explicit Configuration(ConfigurationType configurationType) : type(configurationType) {}
    virtual ~Configuration() = default;
    Configuration(const Configuration&) = delete;
    Configuration& operator=(const Configuration&) = delete;

    virtual void Load(const TiXmlElement* element);
    // Language first: an invalid processor name or OS bound only throws for a
    // configuration whose language matched.
    virtual bool IsSupported(unsigned long lcid) const;
    virtual std::wstring GetLanguageText() const;
    virtual std::wstring ToString(int indent) const = 0;

    std::wstring lcid_filter;
    std::wstring language;
    std::wstring language_id;
    std::wstring os_filter_greater;
    std::wstring os_filter_smaller;
    std::wstring processor_architecture_filter;
    const ConfigurationType type;

protected:
    // ", lang=..." with the processor and OS filters when they are set.
    std::wstring CommonToString() const;
};

using ConfigurationPtr = shared_any<Configuration*, close_delete, null_t>;
