#pragma once

#include <map>
#include <string>

#include "base/SharedAny.h"

class TiXmlElement;

// A name/value pair the document carries about itself; only logged.
class FileAttribute {
public:
    virtual ~FileAttribute() = default;
    virtual void Load(const TiXmlElement* element);

    std::wstring name;
    std::wstring value;
};

using FileAttributePtr = shared_any<FileAttribute*, close_delete, null_t>;

// <fileattributes>: one entry per name, a later one replacing an earlier one.
class FileAttributes {
public:
    virtual ~FileAttributes() = default;
    virtual void Load(const TiXmlElement* element);

    std::map<std::wstring, FileAttributePtr> entries;
};
