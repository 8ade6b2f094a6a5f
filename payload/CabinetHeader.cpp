#include "payload/CabinetHeader.h"

#include <cstring>

#include "lib/SystemError.h"
#include "lib/TextConversion.h"

namespace Cabinet {

namespace {

const uint16_t kHighestCompression = CompressionTypeLzx;  // none, MSZIP, Quantum, LZX
const uint32_t kMaxBlockData = DataBlockUncompressedLimit + 6144;

// Reads fields at a position that only moves forward, never past the end.
class Reader {
public:
    Reader(const unsigned char* data, uint32_t size) : m_data(data), m_size(size) {}

    void Seek(uint32_t position, const wchar_t* what) {
        if (position > m_size) Fail(what);
        m_position = position;
    }
    uint32_t Position() const { return m_position; }

    uint8_t U8(const wchar_t* what) { return Take(1, what)[0]; }
    uint16_t U16(const wchar_t* what) {
        const unsigned char* p = Take(2, what);
        return static_cast<uint16_t>(p[0] | (p[1] << 8));
    }
    uint32_t U32(const wchar_t* what) {
        const unsigned char* p = Take(4, what);
        return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
               (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
    }
    void Skip(uint32_t count, const wchar_t* what) { Take(count, what); }
    const unsigned char* Bytes(uint32_t count, const wchar_t* what) { return Take(count, what); }
    std::string Text(const wchar_t* what) {
        const unsigned char* start = m_data + m_position;
        const void* end = std::memchr(start, 0, m_size - m_position);
        size_t length = end == nullptr ? m_size : static_cast<const unsigned char*>(end) - start;
        if (end == nullptr || length > LongestStoredName) Fail(what);
        m_position += static_cast<uint32_t>(length + 1);
        return std::string(reinterpret_cast<const char*>(start), length);
    }

    [[noreturn]] static void Fail(const wchar_t* what) { Kestlib::ThrowError(std::wstring(what) + L" lies outside the cabinet"); }

private:
    const unsigned char* Take(uint32_t count, const wchar_t* what) {
        if (count > m_size - m_position) Fail(what);
        const unsigned char* p = m_data + m_position;
        m_position += count;
        return p;
    }

    const unsigned char* m_data;
    uint32_t m_size;
    uint32_t m_position = 0;
};

[[noreturn]] void Refuse(const std::wstring& text) { Kestlib::ThrowError(text); }

std::wstring Number(uint64_t value) { return std::to_wstring(value); }

// The format's checksum of a data block: its data, then its two sizes, as
// 32-bit words XORed, a last one to three bytes counted from the high end.
uint32_t Checksum(const unsigned char* data, size_t size, uint32_t sum) {
    for (; size >= 4; size -= 4, data += 4)
        sum ^= static_cast<uint32_t>(data[0]) | (static_cast<uint32_t>(data[1]) << 8) |
               (static_cast<uint32_t>(data[2]) << 16) | (static_cast<uint32_t>(data[3]) << 24);
    uint32_t last = 0;
    for (size_t i = 0; i < size; ++i) last = (last << 8) | data[i];
    return sum ^ last;
}

void ReadBlocks(Reader& reader, CabinetFolderEntry& folder, uint8_t dataReserve, uint64_t& records) {
    reader.Seek(folder.dataOffset, L"the data of a folder");
    for (uint16_t block = 0; block < folder.blockCount; ++block) {
        uint32_t checksum = reader.U32(L"a data block");
        uint16_t packed = reader.U16(L"a data block");
        uint16_t unpacked = reader.U16(L"a data block");
        reader.Skip(dataReserve, L"a data block");
        const unsigned char* data = reader.Bytes(packed, L"a data block");
        bool last = block + 1 == folder.blockCount;
        if (packed > kMaxBlockData || unpacked > DataBlockUncompressedLimit || (unpacked == 0 && !last))
            Refuse(L"a data block announces " + Number(packed) + L" bytes packed and " + Number(unpacked) +
                   L" unpacked");
        // The decompressor checks every checksum but 0, which means none; it
        // must not decode data nobody can check (the platform's decoder was
        // seen writing out of bounds on such damaged data).
        if (checksum == 0 && DataBlockChecksum(data, packed, unpacked) != 0) Refuse(L"a data block has no checksum");
        folder.uncompressedSize += unpacked;
        folder.lastBlockSplit = last && unpacked == 0;
        ++records;
    }
    folder.dataEnd = reader.Position();
}

}  // namespace

uint32_t DataBlockChecksum(const unsigned char* data, uint16_t packed, uint16_t unpacked) {
    const unsigned char sizes[4] = {static_cast<unsigned char>(packed), static_cast<unsigned char>(packed >> 8),
                                    static_cast<unsigned char>(unpacked), static_cast<unsigned char>(unpacked >> 8)};
    return Checksum(sizes, sizeof(sizes), Checksum(data, packed, 0));
}

CabinetHeader ReadCabinetHeader(const unsigned char* data, uint32_t size) {
    CabinetHeader header;
    if (size < FixedHeaderSize || std::memcmp(data, "MSCF", 4) != 0) Refuse(L"it is not a cabinet");
    Reader reader(data, size);
    reader.Skip(8, L"the header");
    header.announcedSize = reader.U32(L"the header");
    reader.Skip(4, L"the header");
    uint32_t fileTable = reader.U32(L"the header");
    reader.Skip(4, L"the header");
    uint8_t minor = reader.U8(L"the header");
    uint8_t major = reader.U8(L"the header");
    uint16_t folderCount = reader.U16(L"the header");
    uint16_t fileCount = reader.U16(L"the header");
    uint16_t flags = reader.U16(L"the header");
    header.setId = reader.U16(L"the header");
    header.index = reader.U16(L"the header");
    if (major != 1 || minor != 3) Refuse(L"it has the unknown format version " + Number(major) + L"." + Number(minor));
    if (header.announcedSize != size)
        Refuse(L"it announces " + Number(header.announcedSize) + L" bytes but holds " + Number(size));
    if (flags & HeaderHasReserve) {
        header.reserve.header = reader.U16(L"the reserved area");
        header.reserve.folder = reader.U8(L"the reserved area");
        header.reserve.data = reader.U8(L"the reserved area");
        reader.Skip(header.reserve.header, L"the reserved area");
    }
    header.hasPrevious = (flags & HeaderHasPrevious) != 0;
    header.hasNext = (flags & HeaderHasNext) != 0;
    if (header.hasPrevious) {
        header.previousName = reader.Text(L"the previous cabinet's name");
        reader.Text(L"the previous disk's name");
    }
    if (header.hasNext) {
        header.nextName = reader.Text(L"the next cabinet's name");
        reader.Text(L"the next disk's name");
    }
    if (folderCount == 0 || fileCount == 0)
        Refuse(L"it announces " + Number(folderCount) + L" folder(s) and " + Number(fileCount) + L" file(s)");
    header.records = 1;
    for (uint16_t i = 0; i < folderCount; ++i) {
        CabinetFolderEntry folder;
        folder.dataOffset = reader.U32(L"a folder entry");
        folder.blockCount = reader.U16(L"a folder entry");
        folder.compression = reader.U16(L"a folder entry");
        reader.Skip(header.reserve.folder, L"a folder entry");
        if ((folder.compression & CompressionTypeMask) > kHighestCompression)
            Refuse(L"folder " + Number(i) + L" uses the unknown compression type " + Number(folder.compression));
        header.folders.push_back(folder);
        ++header.records;
    }
    if (fileTable < reader.Position()) Refuse(L"its file entries overlap its header");
    reader.Seek(fileTable, L"the file entries");
    for (uint16_t i = 0; i < fileCount; ++i) {
        CabinetFileEntry file;
        file.size = reader.U32(L"a file entry");
        file.folderOffset = reader.U32(L"a file entry");
        file.folder = reader.U16(L"a file entry");
        file.date = reader.U16(L"a file entry");
        file.time = reader.U16(L"a file entry");
        file.attributes = reader.U16(L"a file entry");
        file.name = reader.Text(L"a file name");
        if (file.name.empty()) Refuse(L"file entry " + Number(i) + L" has no name");
        header.files.push_back(file);
        ++header.records;
    }
    header.fileTableEnd = reader.Position();
    // Header, folder entries, file entries, then the folders' data in order:
    // a count too large would read data blocks as entries.
    uint32_t dataStart = header.fileTableEnd;
    for (size_t i = 0; i < header.folders.size(); ++i) {
        CabinetFolderEntry& folder = header.folders[i];
        if (folder.dataOffset < dataStart)
            Refuse(L"the data of folder " + Number(i) + L" overlaps the entries or the folder before it");
        ReadBlocks(reader, folder, header.reserve.data, header.records);
        dataStart = folder.dataEnd;
    }
    return header;
}

}  // namespace Cabinet
