#include "packager/CabinetWriter.h"

#include <algorithm>

#include "lib/StringUtils.h"
#include "lib/SystemError.h"
#include "lib/TextConversion.h"
#include "packager/BinaryFile.h"

namespace Cabinet {

namespace {

const DWORD kStoredAttributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
// Room kept at a cabinet's end for the entries of the files that start its
// last folder (empty files go with the next one).
const uint32_t kEntriesRoom = 1024;
const size_t kReadPiece = 1u << 20;

bool IsAscii(const std::wstring& text) {
    for (wchar_t c : text)
        if (c >= 0x80) return false;
    return true;
}

// The date and time the cabinet stores: the DOS form, within its years.
void DosTime(const FILETIME& time, uint16_t& date, uint16_t& clock) {
    WORD dosDate = 0, dosTime = 0;
    if (::FileTimeToDosDateTime(&time, &dosDate, &dosTime)) {
        date = dosDate;
        clock = dosTime;
        return;
    }
    SYSTEMTIME system = {};
    bool early = !::FileTimeToSystemTime(&time, &system) || system.wYear < 1980;
    date = early ? static_cast<uint16_t>((1 << 5) | 1) : static_cast<uint16_t>((127 << 9) | (12 << 5) | 31);
    clock = early ? 0 : static_cast<uint16_t>((23 << 11) | (59 << 5) | 29);
}

int64_t Signed(uint64_t value) { return static_cast<int64_t>(value); }

}  // namespace

CabinetWriter::CabinetWriter(const std::wstring& folder, unsigned long segmentSize, const std::wstring& prefix,
                             const CabinetReserve& reserve)
    : m_folder(Kestlib::EndsWith(folder, L"\\") ? folder : folder + L"\\"),
      m_prefix(prefix),
      m_segmentSize(segmentSize),
      m_reserve(reserve) {
    // A cabinet must hold its header, the entries of a file that runs
    // through it, the largest frame and the room kept at its end.
    std::string longestName = Kestlib::WideToUtf8(prefix) + "65535.CAB";
    uint64_t least = FixedHeaderSize + (reserve.Any() ? 4 + reserve.header : 0) + 2 * (longestName.size() + 2) +
                     FolderEntrySize(reserve) + 16 + LongestStoredName + 1 + DataBlockOverhead(reserve) +
                     CodedFrameLimit + Guard();
    if (m_segmentSize < least)
        Kestlib::ThrowError(L"The segment size " + std::to_wstring(segmentSize) + L" is too small: a cabinet needs " +
                            std::to_wstring(least) + L" bytes at least");
}

CabinetWriter::~CabinetWriter() = default;

void CabinetWriter::SetUncompressed(bool uncompressed) {
    if (uncompressed) m_compression.method = CompressionMethod::None;
}

void CabinetWriter::SetLatestTime(const FILETIME& latest) {
    m_limitTimes = true;
    m_latest = latest;
}

std::string CabinetWriter::CabinetName(size_t index) const {
    return Kestlib::WideToUtf8(m_prefix + std::to_wstring(index + 1) + L".CAB");
}

// Enough for the entries of the files that start a folder and for the first
// part of a data block: a file that fills the cabinet can always begin.
uint32_t CabinetWriter::Guard() const {
    return FolderEntrySize(m_reserve) + 16 + LongestStoredName + 1 + DataBlockOverhead(m_reserve) + 1 + kEntriesRoom;
}

// What the cabinet can still take when every frame not yet written comes out
// at its largest.
uint64_t CabinetWriter::SpaceLeft() const {
    uint64_t frames = m_coder->Pending() + (m_frame.empty() ? 0 : 1);
    uint64_t used = m_cabinet->Size() + frames * (CodedFrameLimit + DataBlockOverhead(m_reserve));
    return used < m_segmentSize ? m_segmentSize - used : 0;
}

StoredFile CabinetWriter::AddFile(const std::wstring& source, const std::wstring& storedName) {
    if (m_finished) Kestlib::ThrowError(L"The cabinet set is finished already");
    CabinetFileEntry entry;
    entry.name = Kestlib::WideToUtf8(storedName);
    if (entry.name.size() > LongestStoredName)
        Kestlib::ThrowError(L"The name '" + storedName + L"' is too long for a cabinet: at most " +
                            std::to_wstring(LongestStoredName) + L" bytes as UTF-8");
    BinaryFile file = BinaryFile::Open(source);
    uint64_t size = file.Size();
    if (size >= 0x80000000ULL)
        Kestlib::ThrowError(L"File too large for the payload: " + source + L": a payload file must be smaller than 2 GB");
    BY_HANDLE_FILE_INFORMATION information = file.Information();
    FILETIME time = information.ftLastWriteTime;
    if (m_limitTimes && ::CompareFileTime(&time, &m_latest) > 0) time = m_latest;
    FILETIME stored = time;
    if (!m_utcTimes) ::FileTimeToLocalFileTime(&time, &stored);
    DosTime(stored, entry.date, entry.time);
    entry.size = static_cast<uint32_t>(size);
    entry.attributes = static_cast<uint16_t>(information.dwFileAttributes & kStoredAttributes);
    if (!IsAscii(storedName)) entry.attributes |= AttributeNameIsUtf8;
    if (m_utcTimes) entry.attributes |= AttributeTimeIsUtc;

    if (!m_coder) {
        m_coder = MakeFolderCoder(m_compression);
        m_frame.reserve(FrameSize);
        m_cabinet.reset(new CabinetFile(m_folder + Kestlib::Utf8ToWide(CabinetName(0)) + L".part", 0, m_reserve,
                                        std::string(), CabinetName(1)));
    }
    if (size == 0) {
        m_emptyFiles.push_back(entry);
        return StoredFile();
    }
    std::vector<CabinetFileEntry> entries;
    entries.swap(m_emptyFiles);
    entries.push_back(entry);
    PlaceEntries(entries);
    m_fileStart = CabinetName(m_paths.size());

    Kestlib::Crc32 crc;
    std::vector<uint8_t> buffer(static_cast<size_t>(std::min<uint64_t>(size, kReadPiece)));
    m_fileLeft = size;
    while (m_fileLeft > 0) {
        size_t read = file.Read(buffer.data(), static_cast<size_t>(std::min<uint64_t>(buffer.size(), m_fileLeft)));
        if (read == 0) Kestlib::ThrowError(L"'" + source + L"' changed while it was being packed: it became shorter");
        crc.Update(buffer.data(), read);
        Feed(buffer.data(), read);
    }
    if (file.Read(buffer.data(), 1) != 0)
        Kestlib::ThrowError(L"'" + source + L"' changed while it was being packed: it became longer");
    // The file that fills a cabinet ends its folder.
    if (m_spanning) EndFolder();
    StoredFile result;
    result.size = size;
    result.crc = crc.Value();
    return result;
}

// The entries go into the open folder, or a new one when the cabinet has no
// room left for them and a full frame.
void CabinetWriter::PlaceEntries(std::vector<CabinetFileEntry>& entries) {
    uint64_t cost = 0;
    for (const CabinetFileEntry& entry : entries) cost += FileEntrySize(entry.name);
    if (m_folderOpen && SpaceLeft() < cost + Guard()) EndFolder();
    if (!m_folderOpen) {
        m_cabinet->AddFolder(m_coder->Type());
        m_coder->Begin(std::max<uint64_t>(m_expected, entries.back().size));
        m_folderOpen = true;
        m_folderSize = 0;
    }
    if (SpaceLeft() < cost + DataBlockOverhead(m_reserve) + 1)
        Kestlib::ThrowError(L"The names of the payload's files do not fit into cabinets of " +
                            std::to_wstring(m_segmentSize) + L" bytes");
    for (CabinetFileEntry& entry : entries) {
        entry.folder = static_cast<uint16_t>(m_cabinet->FolderCount() - 1);
        entry.folderOffset = static_cast<uint32_t>(m_folderSize);
        m_entry = m_cabinet->AddFile(entry);
    }
    if (m_expected > 0) m_expected -= std::min<uint64_t>(m_expected, entries.back().size);
}

void CabinetWriter::Feed(const uint8_t* data, size_t size) {
    while (size > 0) {
        if (m_frame.empty()) StartFrame();
        size_t take = std::min<size_t>(size, FrameSize - m_frame.size());
        m_frame.insert(m_frame.end(), data, data + take);
        data += take;
        size -= take;
        m_fileLeft -= take;
        m_folderSize += take;
        if (m_folderSize > 0x7FFFFFFFULL) Kestlib::ThrowError(L"The payload is too large: 2 GB or more");
        if (m_frame.size() == FrameSize || (m_spanning && m_fileLeft == 0)) PushFrame();
    }
}

// A new frame fits when the cabinet keeps its room after it; otherwise the
// file being read becomes the one that fills the cabinet.
void CabinetWriter::StartFrame() {
    if (m_spanning) return;
    const uint64_t frame = CodedFrameLimit + DataBlockOverhead(m_reserve);
    if (SpaceLeft() >= frame + Guard()) return;
    m_coder->Flush();
    WriteReady();
    if (SpaceLeft() >= frame + Guard()) return;
    m_spanning = true;
}

void CabinetWriter::PushFrame() {
    m_coder->Push(m_frame.data(), static_cast<uint32_t>(m_frame.size()));
    m_frame.clear();
    if (!m_spanning) {
        WriteReady();
        return;
    }
    m_coder->Flush();
    CodedFrame frame;
    while (m_coder->Pop(frame)) WriteSpanning(frame, m_fileLeft == 0);
}

void CabinetWriter::WriteReady() {
    CodedFrame frame;
    while (m_coder->Pop(frame))
        m_cabinet->AddData(frame.bytes.data(), static_cast<uint16_t>(frame.bytes.size()),
                           static_cast<uint16_t>(frame.size));
}

// A frame of the file that fills the cabinet: whole while the cabinet keeps
// room for the next one, otherwise split between this cabinet and the next.
void CabinetWriter::WriteSpanning(const CodedFrame& frame, bool lastOfFile) {
    const uint32_t overhead = DataBlockOverhead(m_reserve);
    const int64_t size = static_cast<int64_t>(frame.bytes.size());
    const int64_t space = Signed(m_segmentSize) - Signed(m_cabinet->Size());
    const int64_t keep = lastOfFile ? Guard() : overhead + 1;
    if (space - overhead - size >= keep) {
        m_cabinet->AddData(frame.bytes.data(), static_cast<uint16_t>(size), static_cast<uint16_t>(frame.size));
        return;
    }
    const int64_t first = std::min<int64_t>(size - 1, space - overhead);
    m_cabinet->AddData(frame.bytes.data(), static_cast<uint16_t>(first), 0);
    CabinetFileEntry entry = m_cabinet->Entry(m_entry);
    m_cabinet->Entry(m_entry).folder = entry.folder == FolderContinuedFromPrevious ? FolderContinuedPreviousAndNext : FolderContinuedToNext;
    EndCabinet(true);
    size_t index = m_paths.size();
    m_cabinet.reset(new CabinetFile(m_folder + Kestlib::Utf8ToWide(CabinetName(index)) + L".part",
                                    static_cast<uint16_t>(index), m_reserve, m_fileStart, CabinetName(index + 1)));
    m_cabinet->AddFolder(m_coder->Type());
    entry.folder = FolderContinuedFromPrevious;
    m_entry = m_cabinet->AddFile(entry);
    m_cabinet->AddData(frame.bytes.data() + first, static_cast<uint16_t>(size - first),
                       static_cast<uint16_t>(frame.size));
}

void CabinetWriter::EndFolder() {
    if (!m_frame.empty()) m_coder->Push(m_frame.data(), static_cast<uint32_t>(m_frame.size()));
    m_frame.clear();
    m_coder->Flush();
    WriteReady();
    m_folderOpen = false;
    m_spanning = false;
}

void CabinetWriter::EndCabinet(bool hasNext) {
    std::wstring path = m_folder + Kestlib::Utf8ToWide(CabinetName(m_paths.size()));
    m_cabinetCrcs.push_back(m_cabinet->Write(path, hasNext));
    m_paths.push_back(path);
    m_cabinet.reset();
}

std::vector<std::wstring> CabinetWriter::Finish() {
    if (m_finished || !m_coder) return m_paths;
    if (!m_emptyFiles.empty()) {
        std::vector<CabinetFileEntry> entries;
        entries.swap(m_emptyFiles);
        PlaceEntries(entries);
    }
    if (m_folderOpen) EndFolder();
    EndCabinet(false);
    // The same content gives the same set ID.
    uint32_t crc = Kestlib::Crc32::Of(m_cabinetCrcs.data(), m_cabinetCrcs.size() * sizeof(uint32_t));
    uint16_t setId = static_cast<uint16_t>(crc ^ (crc >> 16));
    for (const std::wstring& path : m_paths) WriteSetId(path, setId);
    m_finished = true;
    return m_paths;
}

}  // namespace Cabinet
