#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "payload/CabinetHeader.h"

namespace Cabinet {

// One cabinet of a set as it lies in memory, and the file name it gets.
struct CabinetBytes {
    std::wstring name;
    const unsigned char* data = nullptr;
    uint32_t size = 0;
};

// A file the set holds, counted once even when it spans cabinets.
struct SetFile {
    std::wstring name;  // decoded, as stored
    uint64_t size = 0;
};

// What a set that passed the check promises to unpack.
struct SetSummary {
    std::vector<SetFile> files;
    uint64_t cabinetBytes = 0;
    uint64_t fileBytes = 0;
    // Headers, entries and data blocks of all cabinets: the work the
    // decompressor may do is bounded by these.
    uint64_t records = 0;
    // The set runs on into a cabinet the decompressor cannot read: one that
    // is not there, or one without a plain cabinet's signature ("CRYP" or
    // anything else). Unpacking ends there with the decompressor's own
    // error; only the cabinets before it were checked and counted.
    bool incomplete = false;
};

// Reads the headers of every cabinet and refuses a set that is not one
// consistent chain from the first cabinet to the last: each cabinet whole
// and linked to its neighbours by name, folder indexes and offsets inside
// the folders' data, files running on into the next cabinet found there,
// stored names unique, each a relative name that stays below the target
// folder and is no device, and none of them the name of a cabinet of the set.
// Throws a plain message naming the cabinet and what is wrong.
SetSummary CheckCabinetSet(const std::vector<CabinetBytes>& cabinets);

// Stored names compared as the file system would: either slash, any case,
// trailing dots and spaces of each part dropped.
std::wstring ComparableName(const std::wstring& name);

}  // namespace Cabinet
