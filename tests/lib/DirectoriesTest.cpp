#include <gtest/gtest.h>

#include "lib/FileOps.h"
#include "lib/TextConversion.h"
#include "tests/support/Expect.h"
#include "tests/support/TestEnvironment.h"

using namespace Kestlib;
using TestSupport::TempFolder;
using TestSupport::WriteTextFile;

TEST(CreateDirectories, CreatesTheMissingFoldersAndReturnsTheFirst) {
    TempFolder folder;
    std::wstring a = folder / L"a";
    ASSERT_EQ(CreateDirectories(a), a);
    EXPECT_EQ(CreateDirectories(a + L"\\b\\c"), a + L"\\b");
    EXPECT_TRUE(DirectoryExists(a + L"\\b\\c"));
    EXPECT_EQ(CreateDirectories(a + L"\\b\\c"), L"");
    EXPECT_EQ(CreateDirectories(a + L"\\b\\c\\"), L"");
    EXPECT_EQ(CreateDirectories(a + L"\\d\\"), a + L"\\d");
}

TEST(CreateDirectories, DriveAndExistingRootCreateNothing) {
    EXPECT_EQ(CreateDirectories(L"C:"), L"");
    EXPECT_EQ(CreateDirectories(L"C:\\"), L"");
    EXPECT_EQ(CreateDirectories(GetWindowsDirectory()), L"");
}

TEST(CreateDirectories, FileInTheWayIsAnError) {
    TempFolder folder;
    std::wstring file = folder / L"file";
    WriteTextFile(file, "x");
    try {
        CreateDirectories(file + L"\\sub");
        ADD_FAILURE() << "no error";
    } catch (const std::exception& e) {
        std::string message = e.what();
        EXPECT_EQ(message.substr(0, 2), "0x");
        EXPECT_NE(message.find(" - Error in CreateDirectory: " + WideToAnsi(file) + ": "), std::string::npos)
            << message;
    }
}

TEST(DeleteDirectory, FlagsSevenRemovesTheWholeTree) {
    TempFolder folder;
    std::wstring root = folder / L"tree";
    CreateDirectories(root + L"\\sub\\deeper");
    WriteTextFile(root + L"\\a.txt", "a");
    WriteTextFile(root + L"\\sub\\b.txt", "b");
    WriteTextFile(root + L"\\sub\\deeper\\c.txt", "c");
    EXPECT_TRUE(DeleteDirectory(root + L"\\\\", DeleteFiles | DeleteSelf | DeleteRecursive));
    EXPECT_FALSE(DirectoryExists(root));
}

TEST(DeleteDirectory, WithoutRecursionSubFoldersStayAndSoDoesTheFolder) {
    TempFolder folder;
    std::wstring root = folder / L"tree";
    CreateDirectories(root + L"\\sub");
    WriteTextFile(root + L"\\a.txt", "a");
    WriteTextFile(root + L"\\sub\\b.txt", "b");
    EXPECT_TRUE(DeleteDirectory(root, DeleteFiles | DeleteSelf));
    EXPECT_FALSE(FileExists(root + L"\\a.txt"));
    EXPECT_TRUE(FileExists(root + L"\\sub\\b.txt"));
    EXPECT_TRUE(DirectoryExists(root));
}

TEST(DeleteDirectory, FilesLeftWithoutTheFileFlagKeepTheFolder) {
    TempFolder folder;
    std::wstring root = folder / L"tree";
    CreateDirectories(root + L"\\sub");
    WriteTextFile(root + L"\\sub\\b.txt", "b");
    EXPECT_FALSE(DeleteDirectory(root, DeleteSelf | DeleteRecursive));
    EXPECT_TRUE(FileExists(root + L"\\sub\\b.txt"));
    // Empty folders go, whatever else is left.
    std::wstring empty = folder / L"empty";
    CreateDirectories(empty + L"\\inner");
    EXPECT_TRUE(DeleteDirectory(empty, DeleteSelf | DeleteRecursive));
    EXPECT_FALSE(DirectoryExists(empty));
}

TEST(DeleteDirectory, MissingFolderIsDoneAlready) {
    TempFolder folder;
    EXPECT_TRUE(DeleteDirectory(folder / L"missing", 7));
    EXPECT_TRUE(DeleteDirectory(folder / L"missing\\deeper", 7));
}

TEST(DeleteDirectory, NoFlagsIsAnError) {
    TempFolder folder;
    EXPECT_THROW_MESSAGE(DeleteDirectory(folder.Path(), 0), "Missing flags");
    EXPECT_THROW_MESSAGE(DeleteDirectory(folder.Path(), -1), "Missing flags");
    EXPECT_TRUE(DirectoryExists(folder.Path()));
}

TEST(DeleteDirectory, EnumerationFailureIsAnError) {
    EXPECT_THROW_PREFIX(DeleteDirectory(L"C:\\a<b", 7), "0x8007007b - Error in FindFirst/NextFile: ");
}
