#include "payload/BoundedExtract.h"

#include <fcntl.h>

#include <cwchar>
#include <utility>

#include "payload/PayloadCheck.h"

namespace {

const UINT kFailed = static_cast<UINT>(-1);
// A pass over the set reads each cabinet once, and a file that runs on
// reads the next again; the decompressor walks the set once per cabinet.
// Many times that is still far below a loop, and far above real work.
const uint64_t kBytesPerCabinetByte = 16;
const uint64_t kCallsPerRecord = 64;
const uint64_t kSpareCalls = 100000;

}  // namespace

BoundedExtract::BoundedExtract(PayloadCheck& check, Kestlib::HeldTree& folder,
                               const std::vector<std::wstring>& cabinets, uint64_t cabinetBytes, uint64_t records)
    : m_check(check),
      m_folder(folder),
      m_cabinets(cabinets),
      m_bytesLeft(cabinetBytes * kBytesPerCabinetByte + (1u << 20)),
      m_callsLeft(records * kCallsPerRecord + kSpareCalls) {}

std::wstring BoundedExtract::Failure() const {
    if (!m_check.Failure().empty()) return m_check.Failure();
    if (m_exhausted) return DamagedPayloadText(L"unpacking read far more than the cabinets hold and was stopped");
    return std::wstring();
}

bool BoundedExtract::Spend(uint64_t bytes) {
    if (m_callsLeft == 0 || bytes > m_bytesLeft) {
        m_exhausted = true;
        return false;
    }
    --m_callsLeft;
    m_bytesLeft -= bytes;
    return true;
}

UINT BoundedExtract::Read(INT_PTR file, void* buffer, UINT count) {
    if (!Spend(count)) return kFailed;
    return CExtract::Read(file, buffer, count);
}

long BoundedExtract::Seek(INT_PTR file, long distance, int origin) {
    if (!Spend(0)) return -1;
    return CExtract::Seek(file, distance, origin);
}

UINT BoundedExtract::Write(INT_PTR file, void* buffer, UINT count) {
    if (!Spend(0) || !m_check.Written(buffer, count)) return kFailed;
    return CExtract::Write(file, buffer, count);
}

// The decompressor opens cabinets for reading only, each time with a reading
// handle of its own of the held segment; the files it unpacks are opened for
// writing, and are created new. An error thrown here while a file is being
// unpacked ends the unpacking with its text.
INT_PTR BoundedExtract::Open(const std::wstring& path, int flags, int mode) {
    (void)mode;
    if ((flags & (_O_WRONLY | _O_RDWR | _O_CREAT)) == 0) {
        bool checked = false;
        for (const std::wstring& cabinet : m_cabinets)
            checked = checked || ::_wcsicmp(cabinet.c_str(), path.c_str()) == 0;
        Kestlib::HeldFile* segment = checked ? m_folder.Find(path) : nullptr;
        if (segment == nullptr) {
            ::SetLastError(ERROR_FILE_NOT_FOUND);
            return -1;
        }
        return reinterpret_cast<INT_PTR>(segment->OpenReader().Release());
    }
    m_writing = &m_folder.NewFile(path);
    return reinterpret_cast<INT_PTR>(m_writing->Get());
}

// The written file is sealed, not closed: it stays held.
int BoundedExtract::Close(INT_PTR file) {
    if (m_writing == nullptr || reinterpret_cast<HANDLE>(file) != m_writing->Get()) return CExtract::Close(file);
    Kestlib::HeldFile* written = std::exchange(m_writing, nullptr);
    try {
        written->Seal();
        return 0;
    } catch (...) {
        written->Release();
        ::SetLastError(ERROR_SHARING_VIOLATION);
        return -1;
    }
}

void BoundedExtract::DiscardOutput(INT_PTR file, const std::wstring& path) {
    if (m_writing != nullptr && reinterpret_cast<HANDLE>(file) == m_writing->Get()) {
        m_writing->Release();
        m_writing = nullptr;
    } else if (file != -1) {
        CExtract::Close(file);
    }
    if (!path.empty()) m_folder.RemoveFile(path);
}
