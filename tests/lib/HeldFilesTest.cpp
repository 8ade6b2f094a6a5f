#include <gtest/gtest.h>

#include <windows.h>
#include <sddl.h>

#include "lib/FolderSecurity.h"
#include "lib/HeldFolder.h"
#include "lib/OpenedFile.h"
#include "lib/SystemError.h"
#include "tests/support/TestEnvironment.h"

using Kestlib::OpenedFault;

namespace {

void WriteAll(HANDLE file, const std::string& bytes) {
    DWORD written = 0;
    ASSERT_TRUE(::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
}

bool CanOpen(const std::wstring& path, DWORD access, DWORD share) {
    Kestlib::FileHandle file(::CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING,
                                           FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return file.IsValid();
}

}  // namespace

// The access list is data: what the program passes reads back entry by entry.
TEST(ProtectedFolderSecurity, GrantsAdministratorsAndSystemAllAndTheUserReadAndExecuteOnly) {
    const std::wstring user = L"S-1-5-21-1004336348-1177238915-682003330-1001";
    EXPECT_EQ(Kestlib::ProtectedFolderSddl(user),
              L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;" + user + L")");
    Kestlib::SecurityDescriptor security = Kestlib::SecurityDescriptor::FromSddl(Kestlib::ProtectedFolderSddl(user));
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ASSERT_TRUE(::GetSecurityDescriptorControl(security.Get(), &control, &revision));
    EXPECT_TRUE(control & SE_DACL_PROTECTED) << "inherits from its parent";
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    ASSERT_TRUE(::GetSecurityDescriptorOwner(security.Get(), &owner, &defaulted));
    EXPECT_TRUE(::IsWellKnownSid(owner, WinBuiltinAdministratorsSid));
    PACL access = nullptr;
    BOOL present = FALSE;
    ASSERT_TRUE(::GetSecurityDescriptorDacl(security.Get(), &present, &access, &defaulted));
    ASSERT_TRUE(present && access != nullptr);
    ASSERT_EQ(access->AceCount, 3u);
    const DWORD readAndExecute = FILE_GENERIC_READ | FILE_GENERIC_EXECUTE;
    for (DWORD i = 0; i < access->AceCount; ++i) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        ASSERT_TRUE(::GetAce(access, i, reinterpret_cast<void**>(&ace)));
        EXPECT_EQ(ace->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
        EXPECT_EQ(ace->Header.AceFlags, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE) << "entry " << i;
        LPWSTR sid = nullptr;
        ASSERT_TRUE(::ConvertSidToStringSidW(&ace->SidStart, &sid));
        std::wstring who = sid;
        ::LocalFree(sid);
        if (i < 2) {
            EXPECT_EQ(who, i == 0 ? L"S-1-5-18" : L"S-1-5-32-544");
            EXPECT_EQ(ace->Mask, static_cast<DWORD>(FILE_ALL_ACCESS));
        } else {
            EXPECT_EQ(who, user);
            EXPECT_EQ(ace->Mask, readAndExecute) << "the user may neither write nor delete";
        }
    }
    // Built for the process's own user, it reads back as itself.
    Kestlib::SecurityDescriptor own = Kestlib::ProtectedFolderSecurity();
    EXPECT_NE(own.Sddl().find(Kestlib::CurrentUserSid()), std::wstring::npos);
}

struct OpenedCase {
    const char* name;
    DWORD attributes;
    DWORD links;
    const wchar_t* finalPath;
    const wchar_t* expected;
    OpenedFault fault;
};

class OpenedFileCheck : public ::testing::TestWithParam<OpenedCase> {};

TEST_P(OpenedFileCheck, RefusesLinksFurtherNamesAndOtherPlaces) {
    const OpenedCase& c = GetParam();
    Kestlib::OpenedFile opened;
    opened.attributes = c.attributes;
    opened.links = c.links;
    opened.finalPath = c.finalPath;
    EXPECT_EQ(Kestlib::CheckOpenedFile(opened, c.expected), c.fault) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OpenedFileCheck,
    ::testing::Values(
        OpenedCase{"plain", FILE_ATTRIBUTE_ARCHIVE, 1, L"C:\\t\\a.log", L"C:\\t\\a.log", OpenedFault::None},
        OpenedCase{"case differs", FILE_ATTRIBUTE_NORMAL, 1, L"C:\\T\\A.LOG", L"c:\\t\\a.log", OpenedFault::None},
        OpenedCase{"no expected path", FILE_ATTRIBUTE_NORMAL, 1, L"D:\\x", L"", OpenedFault::None},
        OpenedCase{"symbolic link", FILE_ATTRIBUTE_REPARSE_POINT, 1, L"C:\\t\\a.log", L"C:\\t\\a.log",
                   OpenedFault::ReparsePoint},
        OpenedCase{"junction", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT, 1, L"C:\\t", L"C:\\t",
                   OpenedFault::ReparsePoint},
        OpenedCase{"hard link", FILE_ATTRIBUTE_NORMAL, 2, L"C:\\t\\a.log", L"C:\\t\\a.log", OpenedFault::OtherNames},
        OpenedCase{"folder link on the way", FILE_ATTRIBUTE_NORMAL, 1, L"C:\\Windows\\a.log", L"C:\\t\\a.log",
                   OpenedFault::OtherPath},
        OpenedCase{"longer name", FILE_ATTRIBUTE_NORMAL, 1, L"C:\\t\\a.log2", L"C:\\t\\a.log",
                   OpenedFault::OtherPath}));

// A hard link planted at the name loses the name, and its target keeps its bytes.
TEST(HeldFile, IsCreatedNewAtAPlantedLinkAndOnceSealedOthersCanOnlyReadIt) {
    TestSupport::TempFolder temp;
    TestSupport::WriteTextFile(temp / L"outside.txt", "precious");
    ::CreateDirectoryW((temp / L"held").c_str(), nullptr);
    ASSERT_TRUE(::CreateHardLinkW((temp / L"held\\a.exe").c_str(), (temp / L"outside.txt").c_str(), nullptr));
    Kestlib::FileHandle outside(::CreateFileW((temp / L"outside.txt").c_str(), GENERIC_READ,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                              OPEN_EXISTING, 0, nullptr));
    EXPECT_THROW(Kestlib::VerifyOpenedFile(outside.Get(), L"", L"log"), std::exception);

    Kestlib::HeldFolder folder = Kestlib::HeldFolder::Open(temp / L"held");
    Kestlib::HeldFile file = folder.NewFile(L"a.exe");
    const std::wstring path = temp / L"held\\a.exe";
    EXPECT_EQ(file.Path(), path);
    EXPECT_FALSE(CanOpen(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE)) << "written by another";
    WriteAll(file.Get(), "checked bytes");
    file.Seal();
    EXPECT_EQ(TestSupport::ReadTextFile(temp / L"outside.txt"), "precious");
    EXPECT_NO_THROW(Kestlib::VerifyOpenedFile(file.Get(), path, L"held"));

    EXPECT_TRUE(CanOpen(path, GENERIC_READ | GENERIC_EXECUTE, FILE_SHARE_READ | FILE_SHARE_DELETE));
    EXPECT_TRUE(CanOpen(path, GENERIC_READ, FILE_SHARE_READ));
    EXPECT_FALSE(CanOpen(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE));
    EXPECT_FALSE(::DeleteFileW(path.c_str()));
    EXPECT_FALSE(::MoveFileW(path.c_str(), (temp / L"held\\b.exe").c_str()));
    EXPECT_FALSE(::CopyFileW((temp / L"outside.txt").c_str(), path.c_str(), FALSE));
    Kestlib::FileHandle reader = file.OpenReader();
    char bytes[32] = {};
    DWORD read = 0;
    ASSERT_TRUE(::ReadFile(reader.Get(), bytes, sizeof(bytes), &read, nullptr));
    EXPECT_EQ(std::string(bytes, read), "checked bytes");
    reader.Reset();

    file.Release();
    EXPECT_TRUE(::DeleteFileW(path.c_str()));
}

// Held, the folder cannot be renamed; its removal goes by handle and takes
// links as themselves, never what they point to.
TEST(HeldFolder, CannotBeRenamedAndIsRemovedWithoutFollowingLinks) {
    TestSupport::TempFolder temp;
    TestSupport::WriteTextFile(temp / L"outside.txt", "precious");
    Kestlib::HeldFolder folder = Kestlib::HeldFolder::Create(temp / L"a\\b\\run", nullptr);
    EXPECT_TRUE(folder.WasCreated());
    EXPECT_FALSE(::MoveFileW((temp / L"a\\b\\run").c_str(), (temp / L"a\\b\\moved").c_str()));

    Kestlib::HeldFolder sub = folder.Child(L"sub", nullptr);
    EXPECT_TRUE(sub.WasCreated());
    EXPECT_FALSE(folder.Child(L"sub", nullptr).WasCreated());
    Kestlib::HeldFile file = sub.NewFile(L"locked.dat");
    WriteAll(file.Get(), "x");
    file.Seal();
    file.Release();
    ::SetFileAttributesW((temp / L"a\\b\\run\\sub\\locked.dat").c_str(), FILE_ATTRIBUTE_READONLY);
    ASSERT_TRUE(::CreateHardLinkW((temp / L"a\\b\\run\\sub\\link.txt").c_str(), (temp / L"outside.txt").c_str(),
                                  nullptr));
    EXPECT_THROW(folder.Child(L"..", nullptr), std::exception);
    EXPECT_THROW(folder.NewFile(L"sub\\x"), std::exception);

    EXPECT_FALSE(folder.Remove()) << "the held sub-folder stays";
    sub.Release();
    folder = Kestlib::HeldFolder::Open(temp / L"a\\b\\run");
    EXPECT_FALSE(folder.WasCreated());
    EXPECT_TRUE(folder.Remove());
    EXPECT_EQ(::GetFileAttributesW((temp / L"a\\b\\run").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(TestSupport::ReadTextFile(temp / L"outside.txt"), "precious");
}
