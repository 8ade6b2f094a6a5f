#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// The exact size and CRC-32 of every payload file, recorded by the packager
// beside the payload list (whose sizes are rounded for display). The
// resource is UTF-8 text with CR LF line ends: the line "crc32", then one
// line per file, "<size in decimal> <8 lower-case hex digits> <stored name>",
// in the order the files were packed.
struct ManifestEntry {
    std::wstring name;
    uint64_t size = 0;
    uint32_t crc = 0;
};

std::string ManifestText(const std::vector<ManifestEntry>& entries);

// False when the executable carries no manifest (made by an older packager
// or another tool); a manifest that cannot be read throws.
bool ReadManifest(HMODULE module, std::vector<ManifestEntry>& entries);

// The file names of the payload list, or false when there is none.
bool ReadListedNames(HMODULE module, std::vector<std::wstring>& names);
