#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "lib/HeldTree.h"
#include "payload/Extract.h"

class PayloadCheck;

// The decompressor held to what the cabinet headers announce: every byte it
// writes is counted against its file, and its reads and seeks against a
// budget taken from the set's size and number of records, so that a set
// that makes it go round in circles ends with an error instead of a hang.
// It opens no cabinet but the checked ones, which the folder holds: a set
// that runs on into any other file (an older cabinet left in the folder, a
// file unpacked a moment before) ends as a set whose next cabinet is missing.
// Every file it writes is created new through the held folder and held from
// its first byte: while written, others may only read it; once closed, nobody
// can change, rename or delete it until the hold ends.
class BoundedExtract : public Cabinet::CExtract {
public:
    BoundedExtract(PayloadCheck& check, Kestlib::HeldTree& folder, const std::vector<std::wstring>& cabinets,
                   uint64_t cabinetBytes, uint64_t records);

    // Why the bounds stopped the decompressor; empty when they did not.
    std::wstring Failure() const;

protected:
    UINT Read(INT_PTR file, void* buffer, UINT count) override;
    UINT Write(INT_PTR file, void* buffer, UINT count) override;
    long Seek(INT_PTR file, long distance, int origin) override;
    INT_PTR Open(const std::wstring& path, int flags, int mode) override;
    int Close(INT_PTR file) override;
    // The folders are made through the held ones when the file is created.
    DWORD CreateTargetFolder(const std::wstring&) override { return 0; }
    void DiscardOutput(INT_PTR file, const std::wstring& path) override;

private:
    bool Spend(uint64_t bytes);

    PayloadCheck& m_check;
    Kestlib::HeldTree& m_folder;
    // The file being written, held in the folder's list.
    Kestlib::HeldFile* m_writing = nullptr;
    std::vector<std::wstring> m_cabinets;
    uint64_t m_bytesLeft;
    uint64_t m_callsLeft;
    bool m_exhausted = false;
};
