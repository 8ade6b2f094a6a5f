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

// A junction, else a directory symbolic link, whichever the system makes.
bool MakeJunction(const std::wstring& link, const std::wstring& target) {
    if (MakeMountPoint(link, target)) return true;
    ::RemoveDirectoryW(link.c_str());
    return ::CreateSymbolicLinkW(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY) != FALSE &&
           Kestlib::DirectoryExists(link);
}

TEST(SafeDelete, FolderDeletionRemovesALinkButNotWhatItPointsTo) {
    TestSupport::TempFolder folder;
    std::wstring outside = folder / L"outside";
    Kestlib::CreateDirectories(outside + L"\\kept");
    TestSupport::WriteTextFile(outside + L"\\kept\\file.txt", "kept");
    std::wstring extraction = folder / L"extraction";
    Kestlib::CreateDirectories(extraction);
    TestSupport::WriteTextFile(extraction + L"\\payload.txt", "payload");
    if (!MakeJunction(extraction + L"\\link", outside)) GTEST_SKIP() << "no junction: " << ::GetLastError();
    ASSERT_TRUE(Kestlib::FileExists(extraction + L"\\link\\kept\\file.txt"));

    EXPECT_TRUE(Kestlib::DeleteDirectory(extraction, Kestlib::DeleteFiles | Kestlib::DeleteSelf |
                                                         Kestlib::DeleteRecursive));
    EXPECT_FALSE(Kestlib::DirectoryExists(extraction));
    EXPECT_TRUE(Kestlib::FileExists(outside + L"\\kept\\file.txt"));

    // A link given as the folder itself is removed as a link too.
    ASSERT_TRUE(MakeJunction(folder / L"direct", outside));
    EXPECT_TRUE(Kestlib::DeleteDirectory(folder / L"direct", 7));
    EXPECT_FALSE(Kestlib::DirectoryExists(folder / L"direct"));
    EXPECT_TRUE(Kestlib::FileExists(outside + L"\\kept\\file.txt"));
}

}  // namespace
