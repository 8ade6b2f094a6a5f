#include <gtest/gtest.h>

#include <windows.h>

#include <thread>

#include "payload/CabinetErrors.h"
#include "lib/SystemError.h"
#include "payload/Extract.h"
#include "tests/payload/PayloadFiles.h"
#include "tests/support/TestEnvironment.h"

using namespace PayloadFiles;

namespace {

struct Visits {
    std::vector<std::wstring> before;
    std::vector<std::wstring> after;
};

bool RecordBefore(const Cabinet::FileRecord& file, void* user) {
    static_cast<Visits*>(user)->before.push_back(file.relativeFolder + L"|" + file.fileName);
    return true;
}

void RecordAfter(const std::wstring& path, void* user) { static_cast<Visits*>(user)->after.push_back(path); }

class ExtractTest : public ::testing::Test {
protected:
    std::wstring Source() const { return m_temp / L"source"; }
    std::wstring Cabinets() const { return m_temp / L"cab"; }
    std::wstring Target() const { return m_temp / L"out"; }

    std::vector<std::wstring> PackMixed(unsigned long segment = 48 * 1024) {
        ::CreateDirectoryW(Source().c_str(), nullptr);
        return Pack(MixedPayload(), Source(), Cabinets(), segment);
    }

    bool Extract(Cabinet::CExtract& extract, const std::wstring& cabinet) {
        return extract.ExtractFile(cabinet, Target(), &m_visits);
    }

    TestSupport::TempFolder m_temp;
    Visits m_visits;
};

void Corrupt(const std::wstring& path, size_t offset, const std::string& bytes) {
    std::string content = TestSupport::ReadTextFile(path);
    content.replace(offset, bytes.size(), bytes);
    TestSupport::WriteTextFile(path, content);
}

}  // namespace

TEST_F(ExtractTest, SpanningSetUnpacksFromItsFirstCabinetWithTimesAndAttributes) {
    std::vector<std::wstring> cabinets = PackMixed();
    ASSERT_GE(cabinets.size(), 4u);
    Cabinet::CExtract extract;
    ASSERT_TRUE(extract.Initialise()) << extract.LastErrorText();
    extract.SetBeforeCopyNotify(&RecordBefore);
    extract.SetAfterCopyNotify(&RecordAfter);
    ASSERT_TRUE(Extract(extract, cabinets[0])) << extract.LastErrorText();
    EXPECT_EQ(extract.LastErrorText(), L"Success");
    ExpectUnpacked(MixedPayload(), Target());
    ASSERT_EQ(m_visits.before.size(), 5u);
    EXPECT_EQ(m_visits.before[2], L"bin\\sub\\|locked.dat");
    EXPECT_EQ(m_visits.after[2], Target() + L"\\bin\\sub\\locked.dat");
}

TEST_F(ExtractTest, ExistingReadOnlyAndHiddenTargetsAreReplaced) {
    std::vector<std::wstring> cabinets = PackMixed();
    for (const File& file : MixedPayload()) {
        File old = file;
        old.bytes = "old content that is longer than nothing";
        old.attributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN;
        WriteFile(Target(), old, 20);
    }
    Cabinet::CExtract extract;
    ASSERT_TRUE(extract.Initialise());
    ASSERT_TRUE(Extract(extract, cabinets[0])) << extract.LastErrorText();
    ExpectUnpacked(MixedPayload(), Target());
}

TEST_F(ExtractTest, UtcTimesAreSetUnconverted) {
    ::CreateDirectoryW(Source().c_str(), nullptr);
    ::CreateDirectoryW(Cabinets().c_str(), nullptr);
    std::vector<File> files = {{L"a.txt", TextBytes(100), FILE_ATTRIBUTE_ARCHIVE}};
    WriteFile(Source(), files[0], 1);
    Cabinet::CabinetWriter writer(Cabinets(), 65536);
    writer.SetUtcTimes(true);
    writer.AddFile(Source() + L"\\a.txt", L"a.txt");
    std::vector<std::wstring> cabinets = writer.Finish();
    Cabinet::CExtract extract;
    ASSERT_TRUE(extract.Initialise());
    ASSERT_TRUE(Extract(extract, cabinets[0])) << extract.LastErrorText();
    ExpectUnpacked(files, Target());
}

struct FailureCase {
    const char* name;
    int code;
    const wchar_t* text;
};

class ExtractFailureTest : public ExtractTest, public ::testing::WithParamInterface<FailureCase> {};

// Each case spoils the set its own way; nothing half-written may stay behind.
TEST_P(ExtractFailureTest, EndsWithThePlatformsErrorAndItsText) {
    const FailureCase& failure = GetParam();
    std::vector<std::wstring> cabinets = PackMixed();
    std::wstring first = cabinets[0];
    std::string name = failure.name;
    if (name == "not a cabinet") TestSupport::WriteTextFile(first, "This is a plain text file, not a cabinet.");
    if (name == "missing first") ::DeleteFileW(first.c_str());
    if (name == "missing middle") ::DeleteFileW(cabinets[1].c_str());
    if (name == "encrypted") Corrupt(first, 0, "CRYP");
    if (name == "corrupt") Corrupt(cabinets[1], 2000, RandomBytes(4000, 9));
    Cabinet::CExtract extract;
    ASSERT_TRUE(extract.Initialise());
    EXPECT_FALSE(Extract(extract, first));
    EXPECT_EQ(extract.LastErrorCode(), failure.code) << extract.LastErrorText();
    std::wstring text = extract.LastErrorText();
    EXPECT_EQ(text.substr(0, wcslen(failure.text)), failure.text);
    if (text.size() > wcslen(failure.text)) {
        EXPECT_EQ(text.substr(wcslen(failure.text), 7), L"\nError ");
    }
    EXPECT_FALSE(ReadFile(Target() + L"\\bin\\data.bin") == MixedPayload()[1].bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExtractFailureTest,
    ::testing::Values(FailureCase{"not a cabinet", 2, L"The file is not a cabinet"},
                      FailureCase{"missing first", 1, L"Cabinet file (or part of splitted CAB) not found"},
                      FailureCase{"missing middle", 1, L"Cabinet file (or part of splitted CAB) not found"},
                      FailureCase{"encrypted", 1008, L"The CAB archive is encrypted but no decryption key was set."},
                      FailureCase{"corrupt", 4, L"Corrupt cabinet"}),
    [](const ::testing::TestParamInfo<FailureCase>& info) {
        std::string name = info.param.name;
        for (char& c : name)
            if (c == ' ') c = '_';
        return name;
    });

TEST_F(ExtractTest, InstanceBelongsToItsThread) {
    Cabinet::CExtract extract;
    bool initialised = true;
    std::thread([&] { initialised = extract.Initialise(); }).join();
    EXPECT_FALSE(initialised);
    EXPECT_EQ(extract.LastErrorCode(), 1011);
    EXPECT_EQ(extract.LastErrorText(),
              L"Cabinet.dll does not support calling the same CAB context from two different threads.");
}

// A refused second instance leaves the first one registered and working.
TEST_F(ExtractTest, OneInstancePerThread) {
    std::vector<std::wstring> cabinets = PackMixed();
    Cabinet::CExtract first;
    ASSERT_TRUE(first.Initialise());
    {
        Cabinet::CExtract second;
        EXPECT_FALSE(second.Initialise());
        EXPECT_EQ(second.LastErrorCode(), 1012);
        EXPECT_EQ(second.LastErrorText(),
                  L"There must be only one CExtract instance per thread at the same time! Call CleanUp() before "
                  L"you use another instance in the same thread!");
    }
    EXPECT_TRUE(Extract(first, cabinets[0])) << first.LastErrorText();
}

TEST_F(ExtractTest, NextInstanceWorksAfterTheFirstIsDestroyed) {
    std::vector<std::wstring> cabinets = PackMixed();
    { Cabinet::CExtract first; ASSERT_TRUE(first.Initialise()); }
    Cabinet::CExtract next;
    ASSERT_TRUE(next.Initialise()) << next.LastErrorText();
    EXPECT_TRUE(Extract(next, cabinets[0])) << next.LastErrorText();
}

TEST_F(ExtractTest, InvalidParametersAreRefused) {
    Cabinet::CExtract extract;
    ASSERT_TRUE(extract.Initialise());
    EXPECT_FALSE(extract.ExtractFile(L"SETUP_1.CAB", Target(), nullptr));
    EXPECT_EQ(extract.LastErrorCode(), 1002);
    EXPECT_FALSE(extract.ExtractFile(Target() + L"\\SETUP_1.CAB", L"", nullptr));
    EXPECT_EQ(extract.LastErrorText(),
              L"Invalid parameters passed to extraction function. Read the documentation!");
}

TEST(CabinetErrorText, ComposesTheSystemsMessage) {
    EXPECT_EQ(Cabinet::ComposeErrorText(8, 0, L""), L"Failure writing to target file");
    EXPECT_EQ(Cabinet::ComposeErrorText(77, 0, L""), L"Unknown error");
    EXPECT_EQ(Cabinet::ComposeErrorText(1, 2, L""),
              L"Cabinet file (or part of splitted CAB) not found\nError 2: " + Kestlib::SystemMessageText(2));
    EXPECT_EQ(Cabinet::ComposeErrorText(4, 0x7654321, L""),
              L"Corrupt cabinet\nError 124076833: Microsoft has no explanation for this error code.");
}
