#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace Cabinet {

// The format's sizes and marks: what the setup program checks is what the
// packager writes.
const uint32_t FixedHeaderSize = 36;  // from the signature to the cabinet's index
const uint16_t HeaderHasPrevious = 0x0001;
const uint16_t HeaderHasNext = 0x0002;
const uint16_t HeaderHasReserve = 0x0004;
// Compression types of a folder entry (the low four bits; LZX keeps its
// window's size in the high byte).
const uint16_t CompressionTypeMask = 0x000F;
const uint16_t CompressionTypeNone = 0;
const uint16_t CompressionTypeMszip = 1;
const uint16_t CompressionTypeLzx = 3;
// Uncompressed bytes in one data block at the most.
const uint32_t DataBlockUncompressedLimit = 32768;
// Bytes of a stored name at the most.
const size_t LongestStoredName = 255;
// File attributes besides the system's own.
const uint16_t AttributeNameIsUtf8 = 0x0080;
const uint16_t AttributeTimeIsUtc = 0x0100;

// Folder indexes of files that run on from or into a neighbouring cabinet.
const uint16_t FolderContinuedFromPrevious = 0xFFFD;
const uint16_t FolderContinuedToNext = 0xFFFE;
const uint16_t FolderContinuedPreviousAndNext = 0xFFFF;

// Room other tools keep in each header, folder entry and data block.
struct CabinetReserve {
    uint16_t header = 0;
    uint8_t folder = 0;
    uint8_t data = 0;

    bool Any() const { return header != 0 || folder != 0 || data != 0; }
};

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
    CabinetReserve reserve;
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

// The checksum of a data block: its data, then its two sizes.
uint32_t DataBlockChecksum(const unsigned char* data, uint16_t packed, uint16_t unpacked);

// Reads every header, folder entry, file entry and data block header of one
// cabinet; anything that lies outside the bytes or cannot be read throws a
// plain message saying what is wrong (without the cabinet's name).
CabinetHeader ReadCabinetHeader(const unsigned char* data, uint32_t size);

}  // namespace Cabinet
