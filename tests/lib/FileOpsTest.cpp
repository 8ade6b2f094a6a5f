#include <gtest/gtest.h>

#include <windows.h>

#include "lib/FileOps.h"
#include "lib/Handles.h"
#include "lib/TextConversion.h"
#include "tests/support/Expect.h"
#include "tests/support/TestEnvironment.h"

using namespace Kestlib;
using TestSupport::ReadTextFile;
using TestSupport::TempFolder;
using TestSupport::WriteTextFile;

namespace {

std::string Ansi(const std::wstring& text) { return WideToAnsi(text); }

ByteVector Bytes(const std::string& text) { return ByteVector(text.begin(), text.end()); }

}  // namespace

TEST(FileExists, FilesFoldersAndMissingPaths) {
    TempFolder folder;
    WriteTextFile(folder / L"a.txt", "x");
    EXPECT_TRUE(FileExists(folder / L"a.txt"));
    EXPECT_FALSE(FileExists(folder.Path()));
    EXPECT_FALSE(FileExists(folder / L"missing.txt"));
    EXPECT_FALSE(FileExists(folder / L"missing\\a.txt"));

    EXPECT_TRUE(DirectoryExists(folder.Path()));
    EXPECT_FALSE(DirectoryExists(folder / L"a.txt"));
    EXPECT_FALSE(DirectoryExists(folder / L"missing"));
    EXPECT_FALSE(DirectoryExists(folder / L"missing\\deeper"));
}

TEST(FileExists, MalformedPathIsAnError) {
    EXPECT_THROW_PREFIX(FileExists(L"C:\\a<b"), "0x8007007b - GetFileAttributesW: C:\\a<b: ");
    EXPECT_THROW_PREFIX(DirectoryExists(L"C:\\a|b"), "0x8007007b - GetFileAttributesW: C:\\a|b: ");
}

TEST(FileDelete, DeletesOrNamesThePath) {
    TempFolder folder;
    std::wstring path = folder / L"a.txt";
    WriteTextFile(path, "x");
    FileDelete(path);
    EXPECT_FALSE(FileExists(path));
    EXPECT_THROW_PREFIX(FileDelete(path), "0x80070002 - Error deleting \"" + Ansi(path) + "\": ");
}

TEST(FileCopy, ExistingTargetIsAnError) {
    TempFolder folder;
    std::wstring source = folder / L"a.txt";
    std::wstring target = folder / L"b.txt";
    WriteTextFile(source, "new");
    FileCopy(source, target);
    EXPECT_EQ(ReadTextFile(target), "new");
    EXPECT_THROW_PREFIX(FileCopy(source, target),
                        "0x80070050 - Error copying \"" + Ansi(source) + "\" to \"" + Ansi(target) + "\": ");
    EXPECT_THROW_PREFIX(FileCopy(folder / L"missing", target), "0x80070002 - Error copying \"");
}

TEST(FileMove, ReplacesAnExistingTarget) {
    TempFolder folder;
    std::wstring source = folder / L"a.txt";
    std::wstring target = folder / L"b.txt";
    WriteTextFile(source, "new");
    WriteTextFile(target, "old");
    FileMove(source, target);
    EXPECT_FALSE(FileExists(source));
    EXPECT_EQ(ReadTextFile(target), "new");
    EXPECT_THROW_PREFIX(FileMove(source, target),
                        "0x80070002 - Error moving \"" + Ansi(source) + "\" to \"" + Ansi(target) + "\": ");
}

TEST(FileSize, ReportsTheByteCount) {
    TempFolder folder;
    WriteTextFile(folder / L"a.bin", std::string(1000, 'z'));
    EXPECT_EQ(FileSize(folder / L"a.bin"), 1000);
    std::wstring missing = folder / L"missing.bin";
    EXPECT_THROW_PREFIX(FileSize(missing), "0x80070002 - Error getting file attributes of " + Ansi(missing) + ": ");
}

TEST(FileSizeFromParts, SizesFromTwoGigabytesUpAreRefused) {
    EXPECT_EQ(FileSizeFromParts(L"f", 0, 0), 0);
    EXPECT_EQ(FileSizeFromParts(L"f", 0, 0x7FFFFFFFUL), 0x7FFFFFFFL);
    // 2 GB to 4 GB: would be negative as a signed count.
    EXPECT_THROW_MESSAGE(FileSizeFromParts(L"C:\\big.cab", 0, 0x80000000UL), "File C:\\big.cab is > 2GB (0)");
    EXPECT_THROW_MESSAGE(FileSizeFromParts(L"f", 0, 0xFFFFFFFFUL), "File f is > 2GB (0)");
    // 5 GB: high part 1.
    EXPECT_THROW_MESSAGE(FileSizeFromParts(L"f", 1, 0x40000000UL), "File f is > 2GB (1)");
    EXPECT_THROW_MESSAGE(FileSizeFromParts(L"f", 4000000000UL, 0), "File f is > 2GB (4000000000)");
}

TEST(FileReadAll, ReadsEveryByte) {
    TempFolder folder;
    std::string content("a\0b\r\n\xFF", 6);
    WriteTextFile(folder / L"a.bin", content);
    EXPECT_EQ(FileReadAll(folder / L"a.bin"), Bytes(content));
}

TEST(FileReadAll, EmptyFileGivesNothing) {
    TempFolder folder;
    WriteTextFile(folder / L"empty.bin", "");
    EXPECT_TRUE(FileReadAll(folder / L"empty.bin").empty());
}

TEST(FileReadAll, MissingFileFailsAtTheSize) {
    TempFolder folder;
    std::wstring missing = folder / L"missing.bin";
    EXPECT_THROW_PREFIX(FileReadAll(missing), "0x80070002 - Error getting file attributes of " + Ansi(missing) + ": ");
}

TEST(FileReadAll, FileHeldWithoutSharingFailsToOpen) {
    TempFolder folder;
    std::wstring path = folder / L"held.bin";
    WriteTextFile(path, "data");
    FileHandle holder(::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder.IsValid());
    EXPECT_THROW_PREFIX(FileReadAll(path), "0x80070020 - Error opening \"" + Ansi(path) + "\": ");
}

TEST(FileWriteAll, WritesAndTruncates) {
    TempFolder folder;
    std::wstring path = folder / L"out.bin";
    FileWriteAll(path, Bytes("0123456789"));
    EXPECT_EQ(ReadTextFile(path), "0123456789");
    FileWriteAll(path, Bytes("ab"));
    EXPECT_EQ(ReadTextFile(path), "ab");
    FileWriteAll(path, ByteVector());
    EXPECT_TRUE(FileExists(path));
    EXPECT_EQ(FileSize(path), 0);
    FileWriteAll(folder / L"new-empty.bin", ByteVector());
    EXPECT_TRUE(FileExists(folder / L"new-empty.bin"));
}

TEST(FileWriteAll, OpenFailureNamesThePathWithoutQuotes) {
    TempFolder folder;
    std::wstring path = folder / L"missing\\out.bin";
    EXPECT_THROW_PREFIX(FileWriteAll(path, Bytes("x")), "0x80070003 - Error opening " + Ansi(path) + ": ");
}

TEST(CreateTempFile, CreatesAnEmptyFileInTheTemporaryFolder) {
    std::wstring path = CreateTempFile();
    EXPECT_EQ(GetFileDirectory(path), GetTemporaryDirectory());
    EXPECT_TRUE(FileExists(path));
    EXPECT_EQ(FileSize(path), 0);
    EXPECT_NE(CreateTempFile(), path);
    FileDelete(path);
}
