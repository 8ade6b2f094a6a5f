#include "payload/DownloadTarget.h"

#include <vector>

#include "lib/OpenedFile.h"
#include "lib/RelativeOpen.h"
#include "lib/Sha256.h"
#include "lib/StringUtils.h"
#include "lib/SystemError.h"

namespace {

const DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// The platform's own name for a full path, as a rename through a handle takes it.
std::wstring NtName(const std::wstring& path) {
    return Kestlib::StartsWith(path, L"\\\\") ? L"\\??\\UNC\\" + path.substr(2) : L"\\??\\" + path;
}

// Renames an open file (opened with DELETE access) through its handle: a
// file or link at the new name is replaced as an entry, never written.
bool RenameThrough(HANDLE file, const std::wstring& path) {
    const std::wstring name = NtName(path);
    std::vector<char> buffer(sizeof(FILE_RENAME_INFO) + name.size() * sizeof(wchar_t));
    FILE_RENAME_INFO* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info->ReplaceIfExists = TRUE;
    info->RootDirectory = nullptr;
    info->FileNameLength = static_cast<DWORD>(name.size() * sizeof(wchar_t));
    name.copy(info->FileName, name.size());
    return ::SetFileInformationByHandle(file, FileRenameInfo, info, static_cast<DWORD>(buffer.size())) != FALSE;
}

std::wstring Join(const std::wstring& folder, const std::wstring& name) {
    return folder.empty() || folder.back() == L'\\' ? folder + name : folder + L"\\" + name;
}

void DeleteThrough(HANDLE file) {
    FILE_DISPOSITION_INFO remove = {TRUE};
    ::SetFileInformationByHandle(file, FileDispositionInfo, &remove, sizeof(remove));
}

}  // namespace

DownloadTarget::DownloadTarget(const Kestlib::HeldFolder& folder, std::wstring name, std::wstring context)
    : m_folder(folder), m_name(std::move(name)), m_path(folder.Path() + L"\\" + m_name), m_context(std::move(context)) {}

void DownloadTarget::Begin(bool fromZero) {
    if (!m_file) {
        // Whatever is at the name goes as an entry: a link planted there
        // leads nowhere this program writes. The file is made new, never
        // opened, shared for reading only from the start.
        m_folder.RemoveEntry(m_name);
        Kestlib::RelativeOpenResult created =
            Kestlib::OpenRelative(m_folder.Get(), m_name, GENERIC_READ | GENERIC_WRITE | DELETE, FILE_SHARE_READ,
                                  Kestlib::OpenMode::CreateNew, Kestlib::EntryKind::File);
        if (!created.handle) Kestlib::ThrowSystemError(static_cast<long>(created.error), m_context);
        m_file = std::move(created.handle);
        m_size = 0;
        validator.clear();
        total = 0;
        return;
    }
    if (!fromZero) return;
    validator.clear();
    total = 0;
    if (m_size == 0) return;
    LARGE_INTEGER start = {};
    if (!::SetFilePointerEx(m_file.Get(), start, nullptr, FILE_BEGIN) || !::SetEndOfFile(m_file.Get()))
        Kestlib::ThrowLastError(m_context);
    m_size = 0;
}

void DownloadTarget::Append(const void* data, DWORD size) {
    DWORD written = 0;
    if (!::WriteFile(m_file.Get(), data, size, &written, nullptr) || written != size)
        Kestlib::ThrowLastError(m_context);
    m_size += size;
}

void DownloadTarget::Close() { m_file.Reset(); }

void DownloadTarget::Discard() {
    m_size = 0;
    validator.clear();
    total = 0;
    // No error page may pass for the file, not even one left by an earlier
    // run; a file that cannot go is reported by whatever uses it next.
    if (m_file) {
        DeleteThrough(m_file.Get());
        m_file.Reset();
    } else {
        m_folder.RemoveEntry(m_name);
    }
}

std::wstring DownloadTarget::Digest() { return Kestlib::Sha256OfHandle(m_file.Get(), m_path); }

Kestlib::FileHandle DownloadTarget::MoveAndHold(const std::wstring& name, const std::wstring& digest) {
    const std::wstring folder = Kestlib::FinalPathOf(m_folder.Get());
    const std::wstring destination = m_folder.Path() + L"\\" + name;
    if (folder.empty() || !RenameThrough(m_file.Get(), Join(folder, name))) Kestlib::ThrowLastError(m_context);
    // Programs cannot run a file while a handle that writes it is open, and
    // no handle gives up its write access: the hold passes through handles
    // of the same file, never its name, to one that refuses every writer.
    // Whatever another process did in between shows in what the held handle
    // finds: another place, another name, other bytes.
    Kestlib::FileHandle bridge(::ReOpenFile(m_file.Get(), GENERIC_READ, kShareAll, 0));
    if (!bridge) Kestlib::ThrowLastError(m_context);
    m_file.Reset();
    m_size = 0;
    Kestlib::FileHandle held(::ReOpenFile(bridge.Get(), GENERIC_READ, FILE_SHARE_READ, 0));
    if (!held) Kestlib::ThrowLastError(m_context + L": holding \"" + destination + L"\"");
    bridge.Reset();
    const Kestlib::OpenedFault fault =
        Kestlib::CheckOpenedFile(Kestlib::DescribeOpenedFile(held.Get()), Join(folder, name));
    if (fault != Kestlib::OpenedFault::None)
        Kestlib::ThrowError(m_context + L": \"" + destination + L"\" was changed by another process after it was " +
                            L"written: " + Kestlib::OpenedFaultText(fault));
    const std::wstring found = Kestlib::Sha256OfHandle(held.Get(), destination);
    if (found != digest)
        Kestlib::ThrowError(m_context + L": \"" + destination + L"\" was changed by another process after it was " +
                            L"written: SHA-256 " + digest + L" written, " + found + L" found");
    return held;
}

Kestlib::FileHandle HoldExistingFile(const Kestlib::HeldFolder& folder, const std::wstring& name) {
    Kestlib::RelativeOpenResult opened = Kestlib::OpenRelative(folder.Get(), name, GENERIC_READ, FILE_SHARE_READ,
                                                               Kestlib::OpenMode::OpenExisting, Kestlib::EntryKind::File);
    if (opened.handle &&
        Kestlib::CheckOpenedFile(Kestlib::DescribeOpenedFile(opened.handle.Get()), std::wstring()) !=
            Kestlib::OpenedFault::None)
        opened.handle.Reset();
    return std::move(opened.handle);
}
