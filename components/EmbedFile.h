#pragma once

#include <string>
#include <vector>

#include "base/SharedAny.h"

class TiXmlElement;

// A file a component names as embedded; the entries are kept with their
// component and nothing acts on them.
class EmbedFile {
public:
    void Load(const TiXmlElement* element);

    std::wstring sourcefilepath;
    std::wstring targetfilepath;
};

using EmbedFilePtr = shared_any<EmbedFile*, close_delete, null_t>;
using EmbedFiles = std::vector<EmbedFilePtr>;
