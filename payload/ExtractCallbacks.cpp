#include "payload/Extract.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "lib/StringUtils.h"
#include "lib/TextConversion.h"
#include "payload/CabinetErrors.h"
#include "payload/CabinetNames.h"

// The decompressor's callbacks. Nothing may leave them as an exception: the
// platform's code in between cannot pass one on.
namespace Cabinet {

namespace {

const UINT kFailed = static_cast<UINT>(-1);
// The stored time is already UTC.
const USHORT kTimeIsUtc = 0x100;
// Read-only, hidden, system and archive.
const USHORT kRestoredAttributes = 0x27;

HANDLE AsHandle(INT_PTR file) { return reinterpret_cast<HANDLE>(file); }

// Creates the folder and any missing parents; the platform's error, or 0.
DWORD CreateFolderChain(const std::wstring& folder) {
    std::wstring path = Kestlib::TrimRight(folder, L"\\");
    DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return 0;
    size_t cut = path.find_last_of(L'\\');
    if (cut != std::wstring::npos && cut > 0) {
        DWORD error = CreateFolderChain(path.substr(0, cut + 1));
        if (error != 0) return error;
    }
    if (::CreateDirectoryW(path.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS) return 0;
    return ::GetLastError();
}

// Any length: a long path is refused for its length, not taken for one
// that leads elsewhere.
std::wstring FullPath(const std::wstring& path) {
    DWORD needed = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return std::wstring();
    std::wstring buffer(needed, L'\0');
    DWORD length = ::GetFullPathNameW(path.c_str(), needed, &buffer[0], nullptr);
    if (length == 0 || length >= needed) return std::wstring();
    buffer.resize(length);
    return buffer;
}

// The composed path still lies below the folder once the platform has
// normalised both.
bool LiesBelow(const std::wstring& folder, const std::wstring& path) {
    std::wstring base = FullPath(folder);
    std::wstring full = FullPath(path);
    if (base.empty() || full.size() <= base.size()) return false;
    if (!Kestlib::EndsWith(base, L"\\")) base += L"\\";
    return ::_wcsnicmp(full.c_str(), base.c_str(), base.size()) == 0;
}

}  // namespace

FNALLOC(CExtract::AllocCallback) { return std::malloc(cb); }

FNFREE(CExtract::FreeCallback) { std::free(pv); }

FNOPEN(CExtract::OpenCallback) {
    CExtract* self = Active();
    if (self == nullptr) return -1;
    try {
        return self->Open(Kestlib::Utf8ToWide(pszFile), oflag, pmode);
    } catch (...) {
        return -1;
    }
}

FNREAD(CExtract::ReadCallback) {
    CExtract* self = Active();
    return self == nullptr ? kFailed : self->Read(hf, pv, cb);
}

FNWRITE(CExtract::WriteCallback) {
    CExtract* self = Active();
    return self == nullptr ? kFailed : self->Write(hf, pv, cb);
}

FNCLOSE(CExtract::CloseCallback) {
    CExtract* self = Active();
    return self == nullptr ? -1 : self->Close(hf);
}

FNSEEK(CExtract::SeekCallback) {
    CExtract* self = Active();
    return self == nullptr ? -1 : self->Seek(hf, dist, seektype);
}

FNFDINOTIFY(CExtract::NotifyCallback) {
    CExtract* self = Active();
    if (self == nullptr) return -1;
    try {
        return self->Notify(fdint, pfdin);
    } catch (...) {
        self->m_notifyFailure = std::current_exception();
        self->SetPending(ErrorUserAbort);
        return -1;
    }
}

DWORD CExtract::CreateTargetFolder(const std::wstring& folder) { return CreateFolderChain(folder); }

INT_PTR CExtract::Open(const std::wstring& path, int flags, int mode) {
    (void)mode;
    // A read-only or hidden file in the way would refuse to be replaced.
    if (flags & _O_CREAT) ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DWORD access = GENERIC_READ;
    if (flags & _O_WRONLY) access = GENERIC_WRITE;
    if (flags & _O_RDWR) access = GENERIC_READ | GENERIC_WRITE;
    DWORD disposition = OPEN_EXISTING;
    if (flags & _O_CREAT)
        disposition = (flags & _O_EXCL) ? CREATE_NEW : (flags & _O_TRUNC) ? CREATE_ALWAYS : OPEN_ALWAYS;
    else if (flags & _O_TRUNC)
        disposition = TRUNCATE_EXISTING;
    DWORD share = access == GENERIC_READ ? FILE_SHARE_READ : 0;
    DWORD options = FILE_ATTRIBUTE_NORMAL | ((flags & _O_SEQUENTIAL) ? FILE_FLAG_SEQUENTIAL_SCAN : 0);
    HANDLE file = ::CreateFileW(path.c_str(), access, share, nullptr, disposition, options, nullptr);
    return file == INVALID_HANDLE_VALUE ? -1 : reinterpret_cast<INT_PTR>(file);
}

// Every read from the start of a file checks the signature: "MSCF" is a
// plain cabinet, "CRYP" an encrypted one, for which no key is ever set.
UINT CExtract::Read(INT_PTR file, void* buffer, UINT count) {
    LARGE_INTEGER zero = {};
    LARGE_INTEGER position = {};
    bool atStart = ::SetFilePointerEx(AsHandle(file), zero, &position, FILE_CURRENT) && position.QuadPart == 0;
    DWORD read = 0;
    if (!::ReadFile(AsHandle(file), buffer, count, &read, nullptr)) return kFailed;
    if (atStart && read >= 4) {
        if (std::memcmp(buffer, "CRYP", 4) == 0) {
            SetPending(ErrorEncrypted);
            return kFailed;
        }
        if (std::memcmp(buffer, "MSCF", 4) != 0) {
            SetPending(ErrorNotACabinet);
            return kFailed;
        }
    }
    return read;
}

UINT CExtract::Write(INT_PTR file, void* buffer, UINT count) {
    DWORD written = 0;
    if (!::WriteFile(AsHandle(file), buffer, count, &written, nullptr)) return kFailed;
    return written;
}

int CExtract::Close(INT_PTR file) {
    return ::CloseHandle(AsHandle(file)) ? 0 : -1;
}

long CExtract::Seek(INT_PTR file, long distance, int origin) {
    DWORD method = origin == SEEK_CUR ? FILE_CURRENT : origin == SEEK_END ? FILE_END : FILE_BEGIN;
    LARGE_INTEGER move;
    move.QuadPart = distance;
    LARGE_INTEGER position = {};
    if (!::SetFilePointerEx(AsHandle(file), move, &position, method)) return -1;
    return static_cast<long>(position.QuadPart);
}

INT_PTR CExtract::Notify(FDINOTIFICATIONTYPE type, PFDINOTIFICATION notification) {
    if (m_aborted) return -1;
    switch (type) {
        case fdintCABINET_INFO:
            return OnCabinetInfo(notification);
        case fdintCOPY_FILE:
            return OnCopyFile(notification);
        case fdintCLOSE_FILE_INFO:
            return OnCloseFile(notification);
        case fdintNEXT_CABINET:
            return OnNextCabinet(notification);
        default:
            return 0;
    }
}

// The first header of each pass names the cabinet that follows in the set;
// headers met while a file runs on into the next cabinets do not count.
INT_PTR CExtract::OnCabinetInfo(PFDINOTIFICATION notification) {
    CabinetInfo info;
    info.nextCabinet = Kestlib::Utf8ToWide(notification->psz1);
    info.nextDisk = Kestlib::Utf8ToWide(notification->psz2);
    info.path = Kestlib::Utf8ToWide(notification->psz3);
    info.setId = notification->setID;
    info.index = notification->iCabinet;
    if (!info.nextCabinet.empty() && !IsPlainFileName(info.nextCabinet)) {
        SetPending(ErrorWrongCabinet, 0, L"'" + info.nextCabinet + L"'");
        return -1;
    }
    if (!m_cabinetInfoSeen) {
        m_cabinetInfoSeen = true;
        m_nextCabinet = info.nextCabinet;
    }
    if (m_cabinetInfo) m_cabinetInfo(info, m_user);
    return 0;
}

INT_PTR CExtract::OnCopyFile(PFDINOTIFICATION notification) {
    FileRecord record;
    record.storedPath = DecodeStoredName(notification->psz1, (notification->attribs & _A_NAME_IS_UTF) != 0);
    RelativeName name;
    NameFault fault = CheckRelativeName(record.storedPath, name);
    if (fault != NameFault::None) {
        SetPending(NameFaultError(fault), 0, L"'" + record.storedPath + L"'");
        return -1;
    }
    record.fileName = name.file;
    record.relativeFolder = name.folder;
    record.targetFolder = m_target + name.folder;
    record.targetPath = record.targetFolder + name.file;
    record.size = static_cast<unsigned long>(notification->cb);
    ::DosDateTimeToFileTime(notification->date, notification->time, &record.time);
    record.attributes = notification->attribs;
    // The platform's plain file calls take no longer path.
    if (record.targetPath.size() >= MAX_PATH) {
        SetPending(ErrorPathTooLong, 0,
                   L"'" + record.storedPath + L"' (" + std::to_wstring(record.targetPath.size()) +
                       L" characters, at most " + std::to_wstring(MAX_PATH - 1) + L")");
        return -1;
    }
    if (!LiesBelow(m_target, record.targetPath)) {
        SetPending(ErrorUnsafeName, 0, L"'" + record.storedPath + L"'");
        return -1;
    }
    if (m_beforeCopy && !m_beforeCopy(record, m_user)) return 0;

    DWORD error = CreateTargetFolder(record.targetFolder);
    if (error != 0) {
        SetPending(ErrorTargetFile, static_cast<int>(error));
        return -1;
    }
    INT_PTR file = Open(record.targetPath, _O_WRONLY | _O_BINARY | _O_SEQUENTIAL | _O_CREAT | _O_TRUNC,
                        _S_IREAD | _S_IWRITE);
    if (file == -1) {
        SetPending(ErrorTargetFile, static_cast<int>(::GetLastError()));
        return -1;
    }
    m_output = file;
    m_outputPath = record.targetPath;
    return file;
}

// The platform's decompressor may close a file it failed to finish (its next
// cabinet missing): that file stays unfinished, and is removed. The stored
// time and attributes go through the writing handle, before it is closed.
INT_PTR CExtract::OnCloseFile(PFDINOTIFICATION notification) {
    std::wstring path = m_outputPath;
    if (HasError()) {
        m_output = -1;
        Close(notification->hf);
        return -1;
    }
    if (!SetStoredTimeAndAttributes(notification->hf, notification->date, notification->time, notification->attribs))
        return -1;
    m_output = -1;
    if (Close(notification->hf) != 0) {
        SetPending(ErrorTargetFile, static_cast<int>(::GetLastError()));
        return -1;
    }
    m_outputPath.clear();
    if (m_afterCopy) m_afterCopy(path, m_user);
    return TRUE;
}

bool CExtract::SetStoredTimeAndAttributes(INT_PTR file, USHORT date, USHORT time, USHORT attributes) {
    // Times left at zero stay as they are.
    FILE_BASIC_INFO basic = {};
    FILETIME stored;
    if (::DosDateTimeToFileTime(date, time, &stored)) {
        FILETIME utc = stored;
        if ((attributes & kTimeIsUtc) == 0) ::LocalFileTimeToFileTime(&stored, &utc);
        basic.CreationTime.LowPart = utc.dwLowDateTime;
        basic.CreationTime.HighPart = static_cast<LONG>(utc.dwHighDateTime);
        basic.LastWriteTime = basic.CreationTime;
    }
    DWORD restored = attributes & kRestoredAttributes;
    basic.FileAttributes = restored != 0 ? restored : FILE_ATTRIBUTE_NORMAL;
    if (!::SetFileInformationByHandle(AsHandle(file), FileBasicInfo, &basic, sizeof(basic))) {
        SetPending(ErrorTargetFile, static_cast<int>(::GetLastError()));
        return false;
    }
    return true;
}

// The decompressor reports a cabinet it could not open here, and asks again
// for as long as it is answered 0: the error ends the pass.
INT_PTR CExtract::OnNextCabinet(PFDINOTIFICATION notification) {
    if (notification->fdie != FDIERROR_NONE) {
        SetPending(notification->fdie);
        return -1;
    }
    std::wstring name = Kestlib::Utf8ToWide(notification->psz1);
    if (!IsPlainFileName(name)) {
        SetPending(ErrorWrongCabinet, 0, L"'" + name + L"'");
        return -1;
    }
    if (m_nextCabinetNotify) m_nextCabinetNotify(name, m_user);
    return 0;
}

}  // namespace Cabinet
