#include <gtest/gtest.h>

#include <windows.h>
#include <winioctl.h>

#include <cstdint>

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
    EXPECT_EQ(FileSize(folder / L"a.bin"), 1000u);
    std::wstring missing = folder / L"missing.bin";
    EXPECT_THROW_PREFIX(FileSize(missing), "0x80070002 - Error getting file attributes of " + Ansi(missing) + ": ");
}

// Sparse files of 2 GB and more: no data is written, the size is all that counts.
TEST(FileSize, SizesFromTwoGigabytesUpAreWhole) {
    TempFolder folder;
    const std::uint64_t sizes[] = {0x7FFFFFFFULL, 0x80000000ULL, 0xFFFFFFFFULL, 0x100000000ULL, 5ULL << 30};
    for (std::uint64_t size : sizes) {
        SCOPED_TRACE(size);
        const std::wstring path = folder / (std::to_wstring(size) + L".bin");
        {
            FileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                          nullptr));
            ASSERT_TRUE(file.IsValid());
            DWORD returned = 0;
            ::DeviceIoControl(file.Get(), FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr);
            LARGE_INTEGER end;
            end.QuadPart = static_cast<LONGLONG>(size);
            ASSERT_TRUE(::SetFilePointerEx(file.Get(), end, nullptr, FILE_BEGIN));
            ASSERT_TRUE(::SetEndOfFile(file.Get()));
        }
        EXPECT_EQ(FileSize(path), size);
        if (size > 0xFFFFFFFFULL)
            EXPECT_THROW_MESSAGE(FileReadAll(path), "File " + Ansi(path) + " is too large to read at once (" +
                                                        std::to_string(size) + " bytes)");
        FileDelete(path);
    }
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

// As the run holds what it downloaded: readers only, nobody writing.
TEST(FileReadAll, FileHeldForReadingIsRead) {
    TempFolder folder;
    std::wstring path = folder / L"held.bin";
    WriteTextFile(path, "data");
    FileHandle holder(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder.IsValid());
    EXPECT_EQ(FileReadAll(path), Bytes("data"));
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
    EXPECT_EQ(FileSize(path), 0u);
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
    EXPECT_EQ(FileSize(path), 0u);
    EXPECT_NE(CreateTempFile(), path);
    FileDelete(path);
}
