#pragma once

#include <windows.h>
#include <fci.h>

#include <string>
#include <vector>

#include "lib/Handles.h"

namespace Cabinet {

// Room other tools keep in each header, folder entry and data block.
struct CabinetReserve {
    unsigned header = 0;
    unsigned folder = 0;
    unsigned data = 0;
};

// Writes a cabinet set through the platform's compressor: MSZIP, each cabinet
// at most the segment size, named prefix + index + ".CAB" in the folder, and
// files running on from one cabinet into the next.
class CabinetWriter {
public:
    CabinetWriter(const std::wstring& folder, unsigned long segmentSize, const std::wstring& prefix = L"SETUP_",
                  const CabinetReserve& reserve = CabinetReserve());
    ~CabinetWriter();
    CabinetWriter(const CabinetWriter&) = delete;
    CabinetWriter& operator=(const CabinetWriter&) = delete;

    // Stores times as UTC, marked with attribute bit 0x100, instead of local time.
    void SetUtcTimes(bool utc) { m_utcTimes = utc; }
    // Stores without compression.
    void SetUncompressed(bool uncompressed) { m_uncompressed = uncompressed; }

    // The stored name is written as it is given; non-ASCII names are stored
    // as UTF-8 and marked so.
    void AddFile(const std::wstring& source, const std::wstring& storedName);
    // Writes the last cabinet; returns the paths of the whole set in order.
    std::vector<std::wstring> Finish();

private:
    using CreateFunction = decltype(&::FCICreate);
    using AddFileFunction = decltype(&::FCIAddFile);
    using FlushCabinetFunction = decltype(&::FCIFlushCabinet);
    using DestroyFunction = decltype(&::FCIDestroy);

    static FNFCIFILEPLACED(FilePlaced);
    static FNFCIALLOC(Alloc);
    static FNFCIFREE(Free);
    static FNFCIOPEN(Open);
    static FNFCIREAD(Read);
    static FNFCIWRITE(Write);
    static FNFCICLOSE(Close);
    static FNFCISEEK(Seek);
    static FNFCIDELETE(Delete);
    static FNFCIGETTEMPFILE(GetTempFile);
    static FNFCIGETNEXTCABINET(GetNextCabinet);
    static FNFCISTATUS(Status);
    static FNFCIGETOPENINFO(GetOpenInfo);

    std::string CabinetName(int index) const;
    [[noreturn]] void ThrowFailure(const std::wstring& context) const;

    std::wstring m_folder;
    std::wstring m_prefix;
    Kestlib::ModuleHandle m_module;
    CreateFunction m_create = nullptr;
    AddFileFunction m_addFile = nullptr;
    FlushCabinetFunction m_flush = nullptr;
    DestroyFunction m_destroy = nullptr;
    HFCI m_context = nullptr;
    ERF m_error = {};
    CCAB m_cabinet = {};
    bool m_utcTimes = false;
    bool m_uncompressed = false;
    bool m_nameIsUtf8 = false;
    int m_cabinets = 0;
    bool m_finished = false;
};

}  // namespace Cabinet
