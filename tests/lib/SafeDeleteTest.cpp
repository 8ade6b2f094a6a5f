#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>
#include <winioctl.h>

#include <cwctype>
#include <string>
#include <vector>

#include "lib/FileOps.h"
#include "lib/Handles.h"
#include "lib/SafeDelete.h"
#include "lib/TextConversion.h"
#include "tests/support/TestEnvironment.h"

namespace {

using Kestlib::IsRemovableExtractionFolder;

std::wstring Upper(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towupper(c));
    return text;
}

std::wstring Profile() {
    wchar_t buffer[MAX_PATH] = {};
    EXPECT_EQ(::SHGetFolderPathW(nullptr, CSIDL_PROFILE, nullptr, SHGFP_TYPE_CURRENT, buffer), S_OK);
    return buffer;
}

TEST(SafeDelete, ProtectedFoldersAreRefusedInEveryWriting) {
    std::wstring windows = Kestlib::GetWindowsDirectory();
    std::wstring temp = Kestlib::TrimRight(Kestlib::GetTemporaryDirectory(), L"\\");
    std::wstring system = Kestlib::GetSystemDirectory();
    std::wstring drive = windows.substr(0, 2);
    TestSupport::TempFolder folder;
    struct Case {
        std::wstring path;
        bool removable;
    } cases[] = {
        {L"", false},
        {drive + L"\\", false},
        {drive + L"\\\\", false},
        {L"\\\\server\\share\\", false},
        {windows, false},
        {Upper(windows) + L"\\", false},
        {system, false},
        {system + L"\\..\\", false},
        {Profile(), false},
        {temp, false},
        {temp + L"\\", false},
        {temp + L"\\.\\", false},
        {Upper(temp), false},
        // Below them, folders go.
        {folder.Path(), true},
        {folder.Path() + L"\\", true},
        {temp + L"\\bootwright-extract", true},
        {windows + L"\\Temp\\x", true},
        {L"\\\\server\\share\\setup", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsRemovableExtractionFolder(c.path), c.removable) << Kestlib::WideToAnsi(c.path);
    }
    EXPECT_FALSE(Kestlib::IsRemovableFolder(L"D:\\Data\\", {L"d:\\data"}));
    EXPECT_TRUE(Kestlib::IsRemovableFolder(L"D:\\Data\\Setup", {L"d:\\data"}));
}

// A junction made the documented way: a mount-point reparse buffer on an
// empty folder.
bool MakeMountPoint(const std::wstring& link, const std::wstring& target) {
    if (!::CreateDirectoryW(link.c_str(), nullptr)) return false;
    Kestlib::FileHandle handle(::CreateFileW(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                             FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!handle) return false;
    std::wstring substitute = L"\\??\\" + target;
    USHORT substituteBytes = static_cast<USHORT>(substitute.size() * sizeof(wchar_t));
    USHORT printBytes = static_cast<USHORT>(target.size() * sizeof(wchar_t));
    // Tag, lengths, four offsets/lengths, then both names with their NULs.
    std::vector<BYTE> buffer(8 + 8 + substituteBytes + 2 + printBytes + 2);
    auto put16 = [&](size_t at, USHORT value) { memcpy(&buffer[at], &value, 2); };
    DWORD tag = IO_REPARSE_TAG_MOUNT_POINT;
    memcpy(&buffer[0], &tag, 4);
    put16(4, static_cast<USHORT>(buffer.size() - 8));
    put16(8, 0);
    put16(10, substituteBytes);
    put16(12, static_cast<USHORT>(substituteBytes + 2));
    put16(14, printBytes);
    memcpy(&buffer[16], substitute.data(), substituteBytes);
    memcpy(&buffer[16 + substituteBytes + 2], target.data(), printBytes);
    DWORD returned = 0;
    return ::DeviceIoControl(handle.Get(), FSCTL_SET_REPARSE_POINT, buffer.data(), static_cast<DWORD>(buffer.size()),
                             nullptr, 0, &returned, nullptr) != FALSE;
}

// Under Wine neither call makes a link (8.0 answers ERROR_NOT_SUPPORTED),
// but a Unix symbolic link to a folder shows as a directory link. Wine starts
// Unix programs too.
std::wstring UnixPath(const std::wstring& path) {
    using UnixName = char*(CDECL*)(const wchar_t*);
    auto unixName = reinterpret_cast<UnixName>(
        reinterpret_cast<void (*)()>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* name = unixName ? unixName(path.c_str()) : nullptr;
    std::wstring result = name ? Kestlib::AnsiToWide(name) : std::wstring();
    if (name) ::HeapFree(::GetProcessHeap(), 0, name);
    return result;
}

void RunUnix(const std::wstring& program, std::wstring command) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!::CreateProcessW((L"Z:\\bin\\" + program).c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                          nullptr, &startup, &process))
        return;
    ::CloseHandle(process.hThread);
    ::WaitForSingleObject(process.hProcess, 10000);
    ::CloseHandle(process.hProcess);
}

bool MakeUnixLink(const std::wstring& link, const std::wstring& target) {
    std::wstring folder = UnixPath(Kestlib::GetFileDirectory(link));
    if (folder.empty()) return false;
    RunUnix(L"ln", L"ln -s \"" + UnixPath(target) + L"\" \"" + folder + L"/" + Kestlib::GetFileName(link) + L"\"");
    for (int i = 0; i < 100 && !Kestlib::DirectoryExists(link); ++i) ::Sleep(50);
    return Kestlib::DirectoryExists(link);
}

// Unix links Wine could not remove go once the test is done.
void RemoveUnixLink(const std::wstring& link) {
    DWORD attributes = ::GetFileAttributesW(link.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) return;
    std::wstring path = UnixPath(link);
    if (!path.empty()) RunUnix(L"rm", L"rm \"" + path + L"\"");
    for (int i = 0; i < 100 && ::GetFileAttributesW(link.c_str()) != INVALID_FILE_ATTRIBUTES; ++i) ::Sleep(50);
}

// A junction, else a directory symbolic link, whichever the system makes.
bool MakeJunction(const std::wstring& link, const std::wstring& target) {
    if (MakeMountPoint(link, target)) return true;
    ::RemoveDirectoryW(link.c_str());
    if (::CreateSymbolicLinkW(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY) &&
        Kestlib::DirectoryExists(link))
        return true;
    return MakeUnixLink(link, target);
}

bool IsLink(const std::wstring& path) {
    DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

TEST(SafeDelete, FolderDeletionRemovesALinkButNotWhatItPointsTo) {
    TestSupport::TempFolder folder;
    std::wstring outside = folder / L"outside";
    Kestlib::CreateDirectories(outside + L"\\kept");
    TestSupport::WriteTextFile(outside + L"\\kept\\file.txt", "kept");
    TestSupport::WriteTextFile(outside + L"\\top.txt", "top");
    std::wstring extraction = folder / L"extraction";
    Kestlib::CreateDirectories(extraction);
    TestSupport::WriteTextFile(extraction + L"\\payload.txt", "payload");
    ASSERT_TRUE(MakeJunction(extraction + L"\\link", outside)) << ::GetLastError();
    ASSERT_TRUE(IsLink(extraction + L"\\link"));
    ASSERT_TRUE(Kestlib::FileExists(extraction + L"\\link\\kept\\file.txt"));

    // Windows removes the link; Wine cannot remove a Unix link, which then
    // stays and keeps the folder, reported as not all done.
    bool done = Kestlib::DeleteDirectory(extraction, 7);
    EXPECT_EQ(done, !IsLink(extraction + L"\\link"));
    EXPECT_EQ(Kestlib::DirectoryExists(extraction), !done);
    EXPECT_FALSE(Kestlib::FileExists(extraction + L"\\payload.txt"));
    EXPECT_TRUE(Kestlib::FileExists(outside + L"\\kept\\file.txt"));
    EXPECT_TRUE(Kestlib::FileExists(outside + L"\\top.txt"));

    // A link given as the folder itself is not entered either.
    std::wstring direct = folder / L"direct";
    ASSERT_TRUE(MakeJunction(direct, outside));
    EXPECT_EQ(Kestlib::DeleteDirectory(direct, 7), !IsLink(direct));
    EXPECT_TRUE(Kestlib::FileExists(outside + L"\\kept\\file.txt"));
    EXPECT_TRUE(Kestlib::FileExists(outside + L"\\top.txt"));
    RemoveUnixLink(extraction + L"\\link");
    RemoveUnixLink(direct);
}

}  // namespace
