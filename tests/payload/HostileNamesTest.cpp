#include <gtest/gtest.h>

#include <windows.h>

#include "payload/CabinetNames.h"
#include "payload/Extract.h"
#include "tests/payload/PayloadFiles.h"
#include "tests/support/TestEnvironment.h"

namespace {

struct NameCase {
    const wchar_t* stored;
    bool safe;
    const wchar_t* folder = L"";
    const wchar_t* file = L"";
};

const NameCase kNames[] = {
    {L"setup.msi", true, L"", L"setup.msi"},
    {L"bin\\sub\\tool.exe", true, L"bin\\sub\\", L"tool.exe"},
    {L"bin/sub/tool.exe", true, L"bin\\sub\\", L"tool.exe"},
    {L"a.b\\.hidden", true, L"a.b\\", L".hidden"},
    {L"console.txt", true, L"", L"console.txt"},
    {L"", false},
    {L"..\\evil.txt", false},
    {L"../evil.txt", false},
    {L"a\\..\\..\\evil.txt", false},
    {L"a/../../evil.txt", false},
    {L"a\\...\\evil.txt", false},
    {L"a\\. .\\evil.txt", false},
    {L".", false},
    {L"\\evil.txt", false},
    {L"/evil.txt", false},
    {L"C:\\evil.txt", false},
    {L"C:evil.txt", false},
    {L"\\\\server\\share\\evil.txt", false},
    {L"\\\\?\\C:\\evil.txt", false},
    {L"dir\\", false},
    {L"dir\\\\file", false},
    {L"file.txt:stream", false},
    {L"CON", false},
    {L"dir\\nul.txt", false},
    {L"LPT1 .log", false},
    {L"what?.txt", false},
};

}  // namespace

TEST(CabinetNames, OnlyNamesBelowTheFolderAreAccepted) {
    for (const NameCase& name : kNames) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(name.stored)));
        Cabinet::RelativeName parts;
        ASSERT_EQ(Cabinet::SplitRelativeName(name.stored, parts), name.safe);
        if (!name.safe) continue;
        EXPECT_EQ(parts.folder, name.folder);
        EXPECT_EQ(parts.file, name.file);
    }
    EXPECT_TRUE(Cabinet::IsPlainFileName(L"SETUP_2.CAB"));
    EXPECT_FALSE(Cabinet::IsPlainFileName(L"..\\SETUP_2.CAB"));
    EXPECT_FALSE(Cabinet::IsPlainFileName(L"x\\SETUP_2.CAB"));
}

// Only a real escape is blamed on the folder; other refusals say what they are.
TEST(CabinetNames, EachRefusalSaysWhatIsWrong) {
    struct {
        const wchar_t* stored;
        Cabinet::NameFault fault;
    } const cases[] = {
        {L"..\\evil.txt", Cabinet::NameFault::LeadsOutside}, {L"C:evil.txt", Cabinet::NameFault::LeadsOutside},
        {L"\\\\server\\share\\x", Cabinet::NameFault::LeadsOutside}, {L"NUL", Cabinet::NameFault::DeviceName},
        {L"dir\\com1.txt", Cabinet::NameFault::DeviceName},        {L"what?.txt", Cabinet::NameFault::InvalidName},
        {L"dir\\\\file", Cabinet::NameFault::InvalidName},         {L"file.txt:stream", Cabinet::NameFault::InvalidName},
    };
    for (const auto& test : cases) {
        Cabinet::RelativeName parts;
        EXPECT_EQ(Cabinet::CheckRelativeName(test.stored, parts), test.fault) << testing::PrintToString(std::wstring(test.stored));
    }
}

TEST(CabinetNames, StoredNamesDecodeAsUtf8OnlyWhenMarked) {
    EXPECT_EQ(Cabinet::DecodeStoredName("\xc3\xbc.txt", true), L"\u00fc.txt");
    EXPECT_EQ(Cabinet::DecodeStoredName("\xc3\xbc.txt", false), L"\u00c3\u00bc.txt");
}

// Cabinets that carry such names, made by the platform's own compressor:
// the extraction stops with a clear error and writes nothing outside.
TEST(HostileCabinet, NameLeavingTheFolderIsRefused) {
    const wchar_t* hostile[] = {L"..\\evil.txt", L"../evil.txt", L"sub\\..\\..\\evil.txt",
                                L"\\evil.txt",   L"C:evil.txt",  L"\\\\localhost\\C$\\evil.txt"};
    for (const wchar_t* stored : hostile) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(stored)));
        TestSupport::TempFolder temp;
        std::wstring inside = temp / L"deep";
        ::CreateDirectoryW(inside.c_str(), nullptr);
        TestSupport::WriteTextFile(temp / L"evil-source.txt", "escaped");
        TestSupport::WriteTextFile(temp / L"good.txt", "good");
        std::vector<std::wstring> cabinets;
        {
            Cabinet::CabinetWriter writer(temp.Path(), 1 << 20);
            writer.AddFile(temp / L"good.txt", L"good.txt");
            writer.AddFile(temp / L"evil-source.txt", stored);
            cabinets = writer.Finish();
        }
        Cabinet::CExtract extract;
        ASSERT_TRUE(extract.Initialise());
        EXPECT_FALSE(extract.ExtractFile(cabinets[0], inside + L"\\out", nullptr));
        EXPECT_EQ(extract.LastErrorCode(), 1013);
        EXPECT_EQ(extract.LastErrorText(),
                  L"The cabinet holds a file name that leads outside the target folder: '" + std::wstring(stored) + L"'");
        EXPECT_EQ(::GetFileAttributesW((temp / L"evil.txt").c_str()), INVALID_FILE_ATTRIBUTES);
        EXPECT_EQ(::GetFileAttributesW((inside + L"\\evil.txt").c_str()), INVALID_FILE_ATTRIBUTES);
        EXPECT_EQ(::GetFileAttributesW(L"C:\\evil.txt"), INVALID_FILE_ATTRIBUTES);
        EXPECT_EQ(TestSupport::ReadTextFile(inside + L"\\out\\good.txt"), "good");
    }
}
