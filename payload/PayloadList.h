#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "lib/FileOps.h"

// One file of the payload: where it comes from and its path inside the set.
struct PayloadFile {
    std::wstring source;
    std::wstring target;
    std::uint64_t size = 0;
};

// The <embedfile> entries of the components of the document's install
// configurations, as written: sources relative to the document's folder
// unless absolute. Refuses a missing source, a target that is absolute or
// leaves the payload, and two entries with one target.
std::vector<PayloadFile> ReadEmbedFiles(const std::wstring& documentPath, const Kestlib::ByteVector& document);

// The text of the payload list: total size line, empty line, "name - size"
// lines, CR LF between the lines.
std::wstring PayloadListText(const std::vector<PayloadFile>& files);
