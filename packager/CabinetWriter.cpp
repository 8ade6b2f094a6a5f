#include "packager/CabinetWriter.h"

#include <fcntl.h>

#include <cstdlib>
#include <cstring>

#include "lib/FileOps.h"
#include "lib/StringUtils.h"
#include "lib/SystemError.h"
#include "lib/TextConversion.h"
#include "payload/CabinetLibrary.h"

namespace Cabinet {

namespace {

const USHORT kTimeIsUtc = 0x100;
const DWORD kStoredAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                FILE_ATTRIBUTE_ARCHIVE;

const wchar_t* const kFailureTexts[] = {
    L"No error",
    L"Could not open a file to be stored",
    L"Could not read a file to be stored",
    L"Out of memory",
    L"Could not create a temporary file",
    L"Unknown compression type",
    L"Could not create the cabinet file",
    L"Cancelled",
    L"Failure compressing data",
};

HANDLE AsHandle(INT_PTR file) { return reinterpret_cast<HANDLE>(file); }

bool IsAscii(const std::wstring& text) {
    for (wchar_t c : text)
        if (c >= 0x80) return false;
    return true;
}

void CopyText(char* target, size_t room, const std::string& text) {
    size_t length = text.size() < room - 1 ? text.size() : room - 1;
    std::memcpy(target, text.data(), length);
    target[length] = '\0';
}

}  // namespace

CabinetWriter::CabinetWriter(const std::wstring& folder, unsigned long segmentSize, const std::wstring& prefix,
                             const CabinetReserve& reserve)
    : m_folder(Kestlib::EndsWith(folder, L"\\") ? folder : folder + L"\\"), m_prefix(prefix) {
    m_module = LoadCabinetLibrary();
    if (!m_module) Kestlib::ThrowLastError(L"Could not load Cabinet.dll");
    m_create = EntryPoint<CreateFunction>(m_module, "FCICreate");
    m_addFile = EntryPoint<AddFileFunction>(m_module, "FCIAddFile");
    m_flush = EntryPoint<FlushCabinetFunction>(m_module, "FCIFlushCabinet");
    m_destroy = EntryPoint<DestroyFunction>(m_module, "FCIDestroy");
    if (!m_create || !m_addFile || !m_flush || !m_destroy) Kestlib::ThrowError(L"Could not load Cabinet.dll");

    std::string path = Kestlib::WideToUtf8(m_folder);
    if (path.size() >= CB_MAX_CAB_PATH) Kestlib::ThrowError(L"Cabinet folder path too long: " + m_folder);
    m_cabinet.cb = segmentSize;
    m_cabinet.cbFolderThresh = segmentSize;
    m_cabinet.cbReserveCFHeader = reserve.header;
    m_cabinet.cbReserveCFFolder = reserve.folder;
    m_cabinet.cbReserveCFData = reserve.data;
    m_cabinet.iCab = 1;
    m_cabinet.setID = static_cast<USHORT>(::GetTickCount());
    CopyText(m_cabinet.szCab, sizeof(m_cabinet.szCab), CabinetName(1));
    CopyText(m_cabinet.szCabPath, sizeof(m_cabinet.szCabPath), path);
    m_context = m_create(&m_error, &FilePlaced, &Alloc, &Free, &Open, &Read, &Write, &Close, &Seek, &Delete,
                         &GetTempFile, &m_cabinet, this);
    if (m_context == nullptr) ThrowFailure(L"Error creating cabinet in " + m_folder);
    m_cabinets = 1;
}

CabinetWriter::~CabinetWriter() {
    if (m_context != nullptr) m_destroy(m_context);
}

std::string CabinetWriter::CabinetName(int index) const {
    return Kestlib::WideToUtf8(m_prefix + std::to_wstring(index) + L".CAB");
}

void CabinetWriter::ThrowFailure(const std::wstring& context) const {
    int oper = m_error.erfOper;
    const wchar_t* text = oper >= 0 && oper < static_cast<int>(sizeof(kFailureTexts) / sizeof(kFailureTexts[0]))
                              ? kFailureTexts[oper]
                              : L"Unknown error";
    if (m_error.erfType != 0) Kestlib::ThrowSystemError(m_error.erfType, context + L": " + text);
    Kestlib::ThrowError(context + L": " + text);
}

void CabinetWriter::AddFile(const std::wstring& source, const std::wstring& storedName) {
    m_nameIsUtf8 = !IsAscii(storedName);
    std::string sourcePath = Kestlib::WideToUtf8(source);
    std::string name = Kestlib::WideToUtf8(storedName);
    TCOMP compression = m_uncompressed ? tcompTYPE_NONE : tcompTYPE_MSZIP;
    if (!m_addFile(m_context, &sourcePath[0], &name[0], FALSE, &GetNextCabinet, &Status, &GetOpenInfo, compression))
        ThrowFailure(L"Error adding '" + source + L"' to the cabinet");
}

std::vector<std::wstring> CabinetWriter::Finish() {
    if (!m_finished && !m_flush(m_context, FALSE, &GetNextCabinet, &Status))
        ThrowFailure(L"Error writing cabinet in " + m_folder);
    m_finished = true;
    std::vector<std::wstring> paths;
    for (int i = 1; i <= m_cabinets; ++i) paths.push_back(m_folder + Kestlib::Utf8ToWide(CabinetName(i)));
    return paths;
}

FNFCIFILEPLACED(CabinetWriter::FilePlaced) {
    (void)pccab, (void)pszFile, (void)cbFile, (void)fContinuation, (void)pv;
    return 0;
}

FNFCIALLOC(CabinetWriter::Alloc) { return std::malloc(cb); }

FNFCIFREE(CabinetWriter::Free) { std::free(memory); }

FNFCIOPEN(CabinetWriter::Open) {
    (void)pmode, (void)pv;
    try {
        std::wstring path = Kestlib::Utf8ToWide(pszFile);
        DWORD access = (oflag & (_O_WRONLY | _O_RDWR)) ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ;
        DWORD disposition = OPEN_EXISTING;
        if (oflag & _O_CREAT) disposition = (oflag & _O_EXCL) ? CREATE_NEW : CREATE_ALWAYS;
        DWORD share = access == GENERIC_READ ? FILE_SHARE_READ : 0;
        HANDLE file = ::CreateFileW(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            *err = static_cast<int>(::GetLastError());
            return -1;
        }
        return reinterpret_cast<INT_PTR>(file);
    } catch (...) {
        *err = ERROR_INVALID_NAME;
        return -1;
    }
}

FNFCIREAD(CabinetWriter::Read) {
    (void)pv;
    DWORD read = 0;
    if (::ReadFile(AsHandle(hf), memory, cb, &read, nullptr)) return read;
    *err = static_cast<int>(::GetLastError());
    return static_cast<UINT>(-1);
}

FNFCIWRITE(CabinetWriter::Write) {
    (void)pv;
    DWORD written = 0;
    if (::WriteFile(AsHandle(hf), memory, cb, &written, nullptr)) return written;
    *err = static_cast<int>(::GetLastError());
    return static_cast<UINT>(-1);
}

FNFCICLOSE(CabinetWriter::Close) {
    (void)pv;
    if (::CloseHandle(AsHandle(hf))) return 0;
    *err = static_cast<int>(::GetLastError());
    return -1;
}

FNFCISEEK(CabinetWriter::Seek) {
    (void)pv;
    DWORD method = seektype == SEEK_CUR ? FILE_CURRENT : seektype == SEEK_END ? FILE_END : FILE_BEGIN;
    LARGE_INTEGER move;
    move.QuadPart = dist;
    LARGE_INTEGER position = {};
    if (::SetFilePointerEx(AsHandle(hf), move, &position, method)) return static_cast<long>(position.QuadPart);
    *err = static_cast<int>(::GetLastError());
    return -1;
}

FNFCIDELETE(CabinetWriter::Delete) {
    (void)pv;
    try {
        if (::DeleteFileW(Kestlib::Utf8ToWide(pszFile).c_str())) return 0;
        *err = static_cast<int>(::GetLastError());
    } catch (...) {
        *err = ERROR_INVALID_NAME;
    }
    return -1;
}

// The compressor creates its scratch files itself: the name must be free.
FNFCIGETTEMPFILE(CabinetWriter::GetTempFile) {
    (void)pv;
    try {
        std::wstring path = Kestlib::CreateTempFile();
        ::DeleteFileW(path.c_str());
        std::string name = Kestlib::WideToUtf8(path);
        if (static_cast<int>(name.size()) >= cbTempName) return FALSE;
        CopyText(pszTempName, static_cast<size_t>(cbTempName), name);
        return TRUE;
    } catch (...) {
        return FALSE;
    }
}

// The compressor counts the cabinets itself; each new one gets its name here.
FNFCIGETNEXTCABINET(CabinetWriter::GetNextCabinet) {
    (void)cbPrevCab;
    CabinetWriter* self = static_cast<CabinetWriter*>(pv);
    CopyText(pccab->szCab, sizeof(pccab->szCab), self->CabinetName(pccab->iCab));
    if (pccab->iCab > self->m_cabinets) self->m_cabinets = pccab->iCab;
    return TRUE;
}

FNFCISTATUS(CabinetWriter::Status) {
    (void)pv;
    // For a finished cabinet the answer is the size it may keep.
    return typeStatus == statusCabinet ? static_cast<long>(cb2) : 0;
}

FNFCIGETOPENINFO(CabinetWriter::GetOpenInfo) {
    CabinetWriter* self = static_cast<CabinetWriter*>(pv);
    try {
        std::wstring path = Kestlib::Utf8ToWide(pszName);
        HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            *err = static_cast<int>(::GetLastError());
            return -1;
        }
        BY_HANDLE_FILE_INFORMATION info = {};
        bool read = ::GetFileInformationByHandle(file, &info) != FALSE;
        FILETIME stored = info.ftLastWriteTime;
        if (read && !self->m_utcTimes) read = ::FileTimeToLocalFileTime(&info.ftLastWriteTime, &stored) != FALSE;
        if (read) read = ::FileTimeToDosDateTime(&stored, pdate, ptime) != FALSE;
        if (!read) {
            *err = static_cast<int>(::GetLastError());
            ::CloseHandle(file);
            return -1;
        }
        *pattribs = static_cast<USHORT>(info.dwFileAttributes & kStoredAttributes);
        if (self->m_nameIsUtf8) *pattribs |= _A_NAME_IS_UTF;
        if (self->m_utcTimes) *pattribs |= kTimeIsUtc;
        return reinterpret_cast<INT_PTR>(file);
    } catch (...) {
        *err = ERROR_INVALID_NAME;
        return -1;
    }
}

}  // namespace Cabinet
