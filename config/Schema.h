#pragma once

#include <string>

class TiXmlElement;

// The document format's version, checked against the program's own.
class Schema {
public:
    virtual ~Schema() = default;
    virtual void Load(const TiXmlElement* element);

    std::wstring version = L"1";
    std::wstring generator = L"Bootwright Drafter";
};
