#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "packager/BinaryFile.h"
#include "payload/CabinetHeader.h"

namespace Cabinet {

// Bytes a data block takes besides its data.
uint32_t DataBlockOverhead(const CabinetReserve& reserve);
// Bytes a folder entry and a file entry take.
uint32_t FolderEntrySize(const CabinetReserve& reserve);
uint32_t FileEntrySize(const std::string& name);

// One cabinet of a set while it is filled: entries in memory, data blocks in
// a scratch file beside it, and the whole written header first by Write.
class CabinetFile {
public:
    // index counts from 0; previous is empty for the first cabinet, next is
    // the name the cabinet will give if the set goes on after it.
    CabinetFile(const std::wstring& scratchPath, uint16_t index, const CabinetReserve& reserve,
                const std::string& previous, const std::string& next);
    // Takes the scratch file away when the cabinet was never written.
    ~CabinetFile();
    CabinetFile(const CabinetFile&) = delete;
    CabinetFile& operator=(const CabinetFile&) = delete;

    // What the cabinet takes so far, the next cabinet's name included.
    uint64_t Size() const { return m_headerSize + m_entriesSize + m_dataSize; }
    size_t FolderCount() const { return m_folders.size(); }

    void AddFolder(uint16_t compression);
    size_t AddFile(const CabinetFileEntry& entry);
    CabinetFileEntry& Entry(size_t index) { return m_files[index]; }
    // A data block of the last folder. uncompressed is 0 for the first part
    // of a block that goes on in the next cabinet.
    void AddData(const uint8_t* data, uint16_t size, uint16_t uncompressed);

    // Writes the cabinet at path; without a next cabinet its name is left
    // out. The set ID is written later (see WriteSetId). Returns the CRC-32
    // of what was written.
    uint32_t Write(const std::wstring& path, bool hasNext);

private:
    struct Folder {
        uint16_t compression = 0;
        uint32_t blocks = 0;
        uint64_t dataStart = 0;
    };

    std::vector<uint8_t> Header(bool hasNext) const;

    CabinetReserve m_reserve;
    uint16_t m_index;
    std::string m_previous;
    std::string m_next;
    std::wstring m_scratchPath;
    BinaryFile m_scratch;
    std::vector<Folder> m_folders;
    std::vector<CabinetFileEntry> m_files;
    uint64_t m_headerSize = 0;
    uint64_t m_entriesSize = 0;
    uint64_t m_dataSize = 0;
};

// Writes the set ID into a finished cabinet.
void WriteSetId(const std::wstring& path, uint16_t setId);

}  // namespace Cabinet
