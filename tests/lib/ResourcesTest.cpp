#include <gtest/gtest.h>

#include <windows.h>

#include "lib/FileOps.h"
#include "lib/TextConversion.h"
#include "tests/support/Expect.h"
#include "tests/support/TestEnvironment.h"

using namespace Kestlib;
using TestSupport::TempFolder;

TEST(LoadResourceData, CopiesTheResourceBytes) {
    ByteVector bytes = LoadResourceData(nullptr, L"FILEOPS_BITMAP", L"CUSTOM");
    ASSERT_EQ(bytes.size(), 70u);
    EXPECT_EQ(bytes[0], 'B');
    EXPECT_EQ(bytes[1], 'M');
}

TEST(LoadResourceData, MissingNameOrTypeIsInvalid) {
    EXPECT_THROW_PREFIX(LoadResourceData(nullptr, L"NO_SUCH_RESOURCE", L"CUSTOM"),
                        "0x80070716 - Invalid CUSTOM resource: NO_SUCH_RESOURCE: ");
    EXPECT_THROW_PREFIX(LoadResourceData(nullptr, L"FILEOPS_BITMAP", L"NO_SUCH_TYPE"),
                        "0x80070715 - Invalid NO_SUCH_TYPE resource: FILEOPS_BITMAP: ");
}

TEST(LoadBitmapFile, LoadsABitmapOrNamesTheFile) {
    TempFolder folder;
    std::wstring path = folder / L"pixel.bmp";
    FileWriteAll(path, LoadResourceData(nullptr, L"FILEOPS_BITMAP", L"CUSTOM"));
    HBITMAP bitmap = LoadBitmapFile(path);
    ASSERT_NE(bitmap, nullptr);
    BITMAP info;
    ASSERT_NE(::GetObjectW(bitmap, sizeof(info), &info), 0);
    EXPECT_EQ(info.bmWidth, 2);
    EXPECT_EQ(info.bmHeight, 2);
    ::DeleteObject(bitmap);

    std::wstring garbage = folder / L"garbage.bmp";
    TestSupport::WriteTextFile(garbage, "This is no bitmap at all.\n");
    EXPECT_THROW_PREFIX(LoadBitmapFile(garbage), "0x");
    EXPECT_THROW_PREFIX(LoadBitmapFile(folder / L"missing.bmp"), "0x");
    try {
        LoadBitmapFile(garbage);
    } catch (const std::exception& e) {
        EXPECT_NE(std::string(e.what()).find(" - Error loading \"" + WideToAnsi(garbage) + "\": "), std::string::npos)
            << e.what();
    }
}
