#include "lib/RelativeOpen.h"

#include <winternl.h>

#include "lib/StringUtils.h"

namespace Kestlib {

namespace {

const ULONG kSynchronousIo = 0x20;        // FILE_SYNCHRONOUS_IO_NONALERT
const ULONG kOpenReparsePoint = 0x200000; // FILE_OPEN_REPARSE_POINT
const ULONG kBackupIntent = 0x4000;       // FILE_OPEN_FOR_BACKUP_INTENT
const ULONG_PTR kFileCreated = 2;         // FILE_CREATED

using CreateFileFunction = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PIO_STATUS_BLOCK,
                                            PLARGE_INTEGER, ULONG, ULONG, ULONG, ULONG, PVOID, ULONG);
using StatusToErrorFunction = ULONG(NTAPI*)(NTSTATUS);

// The system's lowest library is in every process: looked up there rather
// than imported, so the programs import only the usual system libraries.
template <class Function>
Function NtEntryPoint(const char* name) {
    HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll ? reinterpret_cast<Function>(reinterpret_cast<void (*)()>(::GetProcAddress(ntdll, name))) : nullptr;
}

const CreateFileFunction kCreateFile = NtEntryPoint<CreateFileFunction>("NtCreateFile");
const StatusToErrorFunction kStatusToError = NtEntryPoint<StatusToErrorFunction>("RtlNtStatusToDosError");

// "\??\C:\..." or "\??\UNC\server\share\...": the platform's own name for a full path.
std::wstring NtPath(const std::wstring& path) {
    std::wstring full = FullPathName(path);
    if (full.empty()) return full;
    if (StartsWith(full, L"\\\\?\\")) return L"\\??\\" + full.substr(4);
    if (StartsWith(full, L"\\\\")) return L"\\??\\UNC\\" + full.substr(2);
    return L"\\??\\" + full;
}

}  // namespace

std::wstring FullPathName(const std::wstring& path) {
    DWORD size = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (size == 0) return std::wstring();
    std::wstring full(size, L'\0');
    size = ::GetFullPathNameW(path.c_str(), size, &full[0], nullptr);
    if (size == 0 || size >= full.size()) return std::wstring();
    full.resize(size);
    return full;
}

bool IsSingleName(const std::wstring& name) {
    return !name.empty() && name != L"." && name != L".." && name.find_first_of(L"\\/:") == std::wstring::npos;
}

RelativeOpenResult OpenRelative(HANDLE folder, const std::wstring& name, ACCESS_MASK access, DWORD share,
                                OpenMode mode, EntryKind kind, PSECURITY_DESCRIPTOR security) {
    RelativeOpenResult result;
    std::wstring objectName = folder ? name : NtPath(name);
    if (!kCreateFile || !kStatusToError) {
        result.error = ERROR_PROC_NOT_FOUND;
        return result;
    }
    if ((folder && !IsSingleName(name)) || objectName.empty() || objectName.size() > 0x7FFF) {
        result.error = ERROR_INVALID_NAME;
        return result;
    }
    UNICODE_STRING text;
    text.Buffer = &objectName[0];
    text.Length = static_cast<USHORT>(objectName.size() * sizeof(wchar_t));
    text.MaximumLength = text.Length;
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &text, OBJ_CASE_INSENSITIVE, folder, security);
    IO_STATUS_BLOCK status = {};
    HANDLE handle = nullptr;
    NTSTATUS code = kCreateFile(&handle, access | SYNCHRONIZE, &attributes, &status, nullptr,
                                   FILE_ATTRIBUTE_NORMAL, share, static_cast<ULONG>(mode),
                                   static_cast<ULONG>(kind) | kSynchronousIo | kOpenReparsePoint | kBackupIntent,
                                   nullptr, 0);
    if (code < 0) {
        result.error = kStatusToError(code);
        return result;
    }
    result.handle.Reset(handle);
    result.created = status.Information == kFileCreated;
    return result;
}

}  // namespace Kestlib
