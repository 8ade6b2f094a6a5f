#include <gtest/gtest.h>

#include <windows.h>

#include "lib/FileOps.h"
#include "lib/TextConversion.h"
#include "tests/support/Expect.h"
#include "tests/support/TestEnvironment.h"

using namespace Kestlib;
using TestSupport::TempFolder;

namespace {

// Points the temporary folder of this process at a private folder, so that
// what a call leaves behind there can be seen.
class PrivateTemp {
public:
    PrivateTemp() {
        wchar_t previous[MAX_PATH] = L"";
        m_hadPrevious = ::GetEnvironmentVariableW(L"TMP", previous, MAX_PATH) != 0;
        m_previous = previous;
        ::SetEnvironmentVariableW(L"TMP", m_folder.Path().c_str());
    }
    ~PrivateTemp() { ::SetEnvironmentVariableW(L"TMP", m_hadPrevious ? m_previous.c_str() : nullptr); }

    bool IsEmpty() const {
        WIN32_FIND_DATAW data;
        HANDLE find = ::FindFirstFileW((m_folder / L"*").c_str(), &data);
        bool empty = true;
        if (find != INVALID_HANDLE_VALUE) {
            do {
                std::wstring name = data.cFileName;
                if (name != L"." && name != L"..") empty = false;
            } while (::FindNextFileW(find, &data));
            ::FindClose(find);
        }
        return empty;
    }

private:
    TempFolder m_folder;
    bool m_hadPrevious = false;
    std::wstring m_previous;
};

}  // namespace

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

TEST(LoadBitmapResource, LeavesNoTemporaryFile) {
    PrivateTemp temp;
    HBITMAP bitmap = LoadBitmapResource(nullptr, L"FILEOPS_BITMAP", L"CUSTOM");
    ASSERT_NE(bitmap, nullptr);
    ::DeleteObject(bitmap);
    EXPECT_TRUE(temp.IsEmpty());
}

TEST(LoadBitmapResource, FailureRemovesTheTemporaryFile) {
    PrivateTemp temp;
    EXPECT_THROW_PREFIX(LoadBitmapResource(nullptr, L"FILEOPS_GARBAGE", L"CUSTOM"), "0x");
    EXPECT_TRUE(temp.IsEmpty());
    EXPECT_THROW_PREFIX(LoadBitmapResource(nullptr, L"NO_SUCH_RESOURCE", L"CUSTOM"),
                        "0x80070716 - Invalid CUSTOM resource: NO_SUCH_RESOURCE: ");
    EXPECT_TRUE(temp.IsEmpty());
}
