#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace Cabinet {

// Folder indexes of files that run on from or into a neighbouring cabinet.
const uint16_t FolderContinuedFromPrevious = 0xFFFD;
const uint16_t FolderContinuedToNext = 0xFFFE;
const uint16_t FolderContinuedPreviousAndNext = 0xFFFF;

struct CabinetFolderEntry {
    uint32_t dataOffset = 0;
    uint16_t blockCount = 0;
    uint16_t compression = 0;
    // Sum of the blocks' uncompressed sizes in this cabinet.
    uint64_t uncompressedSize = 0;
    // The last block is cut here and goes on in the next cabinet.
    bool lastBlockSplit = false;
    uint32_t dataEnd = 0;
};

struct CabinetFileEntry {
    uint32_t size = 0;
    uint32_t folderOffset = 0;
    uint16_t folder = 0;
    uint16_t date = 0;
    uint16_t time = 0;
    uint16_t attributes = 0;
    std::string name;  // as stored: bytes, UTF-8 when attribute bit 0x80 is set
};

// What a cabinet file says about itself, read from its bytes in memory.
struct CabinetHeader {
    uint32_t announcedSize = 0;
    uint16_t setId = 0;
    uint16_t index = 0;
    uint16_t headerReserve = 0;
    uint8_t folderReserve = 0;
    uint8_t dataReserve = 0;
    bool hasPrevious = false;
    bool hasNext = false;
    std::string previousName;
    std::string nextName;
    std::vector<CabinetFolderEntry> folders;
    std::vector<CabinetFileEntry> files;
    uint32_t fileTableEnd = 0;
    // Headers, folder entries, file entries and data blocks together.
    uint64_t records = 0;
};

// Reads every header, folder entry, file entry and data block header of one
// cabinet; anything that lies outside the bytes or cannot be read throws a
// plain message saying what is wrong (without the cabinet's name).
CabinetHeader ReadCabinetHeader(const unsigned char* data, uint32_t size);

}  // namespace Cabinet
