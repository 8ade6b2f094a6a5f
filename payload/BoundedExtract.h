#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "payload/Extract.h"

class PayloadCheck;

// The decompressor held to what the cabinet headers announce: every byte it
// writes is counted against its file, and its reads and seeks against a
// budget taken from the set's size and number of records, so that a set
// that makes it go round in circles ends with an error instead of a hang.
// It opens no cabinet but the checked ones: a set that runs on into any
// other file (an older cabinet left in the folder, a file unpacked a moment
// before) ends as a set whose next cabinet is missing.
class BoundedExtract : public Cabinet::CExtract {
public:
    BoundedExtract(PayloadCheck& check, const std::vector<std::wstring>& cabinets, uint64_t cabinetBytes,
                   uint64_t records);

    // Why the bounds stopped the decompressor; empty when they did not.
    std::wstring Failure() const;

protected:
    UINT Read(INT_PTR file, void* buffer, UINT count) override;
    UINT Write(INT_PTR file, void* buffer, UINT count) override;
    long Seek(INT_PTR file, long distance, int origin) override;
    INT_PTR Open(const std::wstring& path, int flags, int mode) override;

private:
    bool Spend(uint64_t bytes);

    PayloadCheck& m_check;
    std::vector<std::wstring> m_cabinets;
    uint64_t m_bytesLeft;
    uint64_t m_callsLeft;
    bool m_exhausted = false;
};
