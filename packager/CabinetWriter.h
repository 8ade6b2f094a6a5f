#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "lib/Crc32.h"
#include "packager/CabinetFile.h"
#include "packager/FolderCoder.h"

namespace Cabinet {

// What went into the cabinet of one file: its size and CRC-32, taken from
// the very bytes that were compressed.
struct StoredFile {
    uint64_t size = 0;
    uint32_t crc = 0;
};

// Writes a cabinet set: each cabinet at most the segment size, named prefix +
// index + ".CAB" in the folder. A cabinet that is full ends inside a file,
// which runs on into the next one (the decoders move to the next cabinet only
// to finish such a file); the next files start a new folder there. The set
// ID comes from the content, so the same input gives the same bytes.
class CabinetWriter {
public:
    CabinetWriter(const std::wstring& folder, unsigned long segmentSize, const std::wstring& prefix = L"SETUP_",
                  const CabinetReserve& reserve = CabinetReserve());
    ~CabinetWriter();
    CabinetWriter(const CabinetWriter&) = delete;
    CabinetWriter& operator=(const CabinetWriter&) = delete;

    // Before the first file; LZX with a 2 MiB window unless set.
    void SetCompression(const Compression& compression) { m_compression = compression; }
    void SetUncompressed(bool uncompressed);
    // Stores times as UTC, marked with attribute bit 0x100, instead of local time.
    void SetUtcTimes(bool utc) { m_utcTimes = utc; }
    // File times after this one (UTC) are stored as this one.
    void SetLatestTime(const FILETIME& latest);
    // How much the files still to come hold together (a hint for the compressor).
    void SetExpectedSize(uint64_t bytes) { m_expected = bytes; }

    // Stores the file's bytes under the name, as given; non-ASCII names are
    // stored as UTF-8 and marked so. A source that changes size while it is
    // read is refused.
    StoredFile AddFile(const std::wstring& source, const std::wstring& storedName);
    // Writes the last cabinet; returns the paths of the whole set in order.
    std::vector<std::wstring> Finish();

private:
    uint64_t SpaceLeft() const;
    uint32_t Guard() const;
    void PlaceEntries(std::vector<CabinetFileEntry>& entries);
    void Feed(const uint8_t* data, size_t size);
    void StartFrame();
    void PushFrame();
    void WriteReady();
    void WriteSpanning(const CodedFrame& frame, bool lastOfFile);
    void EndFolder();
    void StartCabinet(const std::string& previous);
    void EndCabinet(bool hasNext);
    std::string CabinetName(size_t index) const;

    std::wstring m_folder;
    std::wstring m_prefix;
    uint64_t m_segmentSize;
    CabinetReserve m_reserve;
    Compression m_compression;
    bool m_utcTimes = false;
    bool m_limitTimes = false;
    FILETIME m_latest = {};
    uint64_t m_expected = 0;

    std::unique_ptr<FolderCoder> m_coder;
    std::unique_ptr<CabinetFile> m_cabinet;
    std::vector<std::wstring> m_paths;
    std::vector<uint32_t> m_cabinetCrcs;
    // Empty files wait for the next file with data and take its place.
    std::vector<CabinetFileEntry> m_emptyFiles;

    bool m_folderOpen = false;
    uint64_t m_folderSize = 0;
    std::vector<uint8_t> m_frame;
    // The file being read: its entry in the current cabinet, what is left of
    // it, and whether it is the file that fills the cabinet (its folder ends
    // with it, its frames are written one by one).
    size_t m_entry = 0;
    uint64_t m_fileLeft = 0;
    bool m_spanning = false;
    // The cabinet where the current file began, named by the next cabinets.
    std::string m_fileStart;
    bool m_finished = false;
};

}  // namespace Cabinet
