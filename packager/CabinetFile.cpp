#include "packager/CabinetFile.h"

#include <windows.h>

#include "lib/Crc32.h"
#include "lib/SystemError.h"

namespace Cabinet {

namespace {

const size_t kCopyBuffer = 1u << 20;

void Put16(std::vector<uint8_t>& bytes, uint32_t value) {
    bytes.push_back(static_cast<uint8_t>(value));
    bytes.push_back(static_cast<uint8_t>(value >> 8));
}

void Put32(std::vector<uint8_t>& bytes, uint32_t value) {
    Put16(bytes, value & 0xFFFF);
    Put16(bytes, value >> 16);
}

// A name and the empty disk name after it.
void PutNames(std::vector<uint8_t>& bytes, const std::string& name) {
    bytes.insert(bytes.end(), name.begin(), name.end());
    bytes.push_back(0);
    bytes.push_back(0);
}

uint32_t NamesSize(const std::string& name) { return static_cast<uint32_t>(name.size()) + 2; }

}  // namespace

uint32_t DataBlockOverhead(const CabinetReserve& reserve) { return 8 + reserve.data; }

uint32_t FolderEntrySize(const CabinetReserve& reserve) { return 8 + reserve.folder; }

uint32_t FileEntrySize(const std::string& name) { return 16 + static_cast<uint32_t>(name.size()) + 1; }

CabinetFile::CabinetFile(const std::wstring& scratchPath, uint16_t index, const CabinetReserve& reserve,
                         const std::string& previous, const std::string& next)
    : m_reserve(reserve), m_index(index), m_previous(previous), m_next(next), m_scratchPath(scratchPath),
      m_scratch(BinaryFile::Create(scratchPath)) {
    m_headerSize = FixedHeaderSize + (reserve.Any() ? 4 + reserve.header : 0) + (previous.empty() ? 0 : NamesSize(previous)) +
                   NamesSize(next);
}

CabinetFile::~CabinetFile() {
    try {
        m_scratch.Close();
    } catch (...) {
    }
    ::DeleteFileW(m_scratchPath.c_str());
}

void CabinetFile::AddFolder(uint16_t compression) {
    Folder folder;
    folder.compression = compression;
    folder.dataStart = m_dataSize;
    m_folders.push_back(folder);
    m_entriesSize += FolderEntrySize(m_reserve);
}

size_t CabinetFile::AddFile(const CabinetFileEntry& entry) {
    m_files.push_back(entry);
    m_entriesSize += FileEntrySize(entry.name);
    return m_files.size() - 1;
}

void CabinetFile::AddData(const uint8_t* data, uint16_t size, uint16_t uncompressed) {
    std::vector<uint8_t> header;
    Put32(header, DataBlockChecksum(data, size, uncompressed));
    Put16(header, size);
    Put16(header, uncompressed);
    header.resize(header.size() + m_reserve.data, 0);
    m_scratch.Write(header.data(), header.size());
    m_scratch.Write(data, size);
    m_dataSize += header.size() + size;
    if (++m_folders.back().blocks > 0xFFFF)
        Kestlib::ThrowError(L"The payload is too large: a cabinet folder holds at most 65535 data blocks");
}

std::vector<uint8_t> CabinetFile::Header(bool hasNext) const {
    bool reserved = m_reserve.Any();
    uint64_t headerSize = m_headerSize - (hasNext ? 0 : NamesSize(m_next));
    uint64_t filesAt = headerSize + m_folders.size() * FolderEntrySize(m_reserve);
    uint64_t dataAt = headerSize + m_entriesSize;
    uint64_t total = dataAt + m_dataSize;
    if (total > 0x7FFFFFFF) Kestlib::ThrowError(L"The payload is too large: a cabinet must be smaller than 2 GB");
    std::vector<uint8_t> bytes = {'M', 'S', 'C', 'F'};
    Put32(bytes, 0);
    Put32(bytes, static_cast<uint32_t>(total));
    Put32(bytes, 0);
    Put32(bytes, static_cast<uint32_t>(filesAt));
    Put32(bytes, 0);
    bytes.push_back(3);
    bytes.push_back(1);
    Put16(bytes, static_cast<uint32_t>(m_folders.size()));
    if (m_files.size() > 0xFFFF) Kestlib::ThrowError(L"The payload has too many files: a cabinet holds at most 65535");
    Put16(bytes, static_cast<uint32_t>(m_files.size()));
    Put16(bytes, (m_previous.empty() ? 0 : HeaderHasPrevious) | (hasNext ? HeaderHasNext : 0) | (reserved ? HeaderHasReserve : 0));
    Put16(bytes, 0);
    Put16(bytes, m_index);
    if (reserved) {
        Put16(bytes, m_reserve.header);
        bytes.push_back(static_cast<uint8_t>(m_reserve.folder));
        bytes.push_back(static_cast<uint8_t>(m_reserve.data));
        bytes.resize(bytes.size() + m_reserve.header, 0);
    }
    if (!m_previous.empty()) PutNames(bytes, m_previous);
    if (hasNext) PutNames(bytes, m_next);
    for (const Folder& folder : m_folders) {
        Put32(bytes, static_cast<uint32_t>(dataAt + folder.dataStart));
        Put16(bytes, folder.blocks);
        Put16(bytes, folder.compression);
        bytes.resize(bytes.size() + m_reserve.folder, 0);
    }
    for (const CabinetFileEntry& file : m_files) {
        Put32(bytes, file.size);
        Put32(bytes, file.folderOffset);
        Put16(bytes, file.folder);
        Put16(bytes, file.date);
        Put16(bytes, file.time);
        Put16(bytes, file.attributes);
        bytes.insert(bytes.end(), file.name.begin(), file.name.end());
        bytes.push_back(0);
    }
    return bytes;
}

uint32_t CabinetFile::Write(const std::wstring& path, bool hasNext) {
    std::vector<uint8_t> header = Header(hasNext);
    Kestlib::Crc32 crc;
    crc.Update(header.data(), header.size());
    BinaryFile cabinet = BinaryFile::Create(path);
    cabinet.Write(header.data(), header.size());
    std::vector<uint8_t> buffer(kCopyBuffer);
    m_scratch.Seek(0);
    for (size_t read; (read = m_scratch.Read(buffer.data(), buffer.size())) > 0;) {
        crc.Update(buffer.data(), read);
        cabinet.Write(buffer.data(), read);
    }
    cabinet.Close();
    return crc.Value();
}

void WriteSetId(const std::wstring& path, uint16_t setId) {
    const uint8_t bytes[2] = {static_cast<uint8_t>(setId), static_cast<uint8_t>(setId >> 8)};
    BinaryFile cabinet = BinaryFile::Update(path);
    cabinet.WriteAt(32, bytes, sizeof(bytes));
    cabinet.Close();
}

}  // namespace Cabinet
