#include <gtest/gtest.h>

#include <windows.h>

#include "lib/FileOps.h"
#include "packager/PackagerOptions.h"
#include "packager/SetupPackager.h"
#include "payload/CabinetResources.h"
#include "payload/ExtractComponent.h"
#include "tests/base/FreshSession.h"
#include "tests/base/LogCapture.h"
#include "tests/payload/PayloadFiles.h"
#include "tests/support/Expect.h"
#include "tests/support/TestEnvironment.h"

using namespace PayloadFiles;

namespace {

// The job with its progress texts kept, and a hook into the moment the set is unpacked.
class RecordingExtraction : public ExtractComponent {
public:
    using ExtractComponent::ExtractComponent;
    std::vector<std::wstring> statuses;
    std::function<void(const std::wstring&)> onStatus;

protected:
    void OnStatus(const std::wstring& text) override {
        statuses.push_back(text);
        if (onStatus) onStatus(text);
    }
};

std::string Document(const std::string& embedfiles) {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<configurations>\n"
           "  <configuration type=\"install\" description=\"Suite\">\n"
           "    <component type=\"cmd\" command=\"x.exe\" description=\"Tools\">" +
           embedfiles + "</component>\n  </configuration>\n</configurations>\n";
}

std::string EmbedFiles(const std::vector<File>& files) {
    std::string xml;
    for (const File& file : files) {
        std::string name(file.name.begin(), file.name.end());
        xml += "<embedfile sourcefilepath=\"files\\" + name + "\" targetfilepath=\"" + name + "\"/>";
    }
    return xml;
}

class DataFile {
public:
    explicit DataFile(const std::wstring& path)
        : m_module(::LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}
    ~DataFile() {
        if (m_module) ::FreeLibrary(m_module);
    }
    HMODULE Get() const { return m_module; }

private:
    HMODULE m_module;
};

void SparseFile(const std::wstring& path, LONGLONG size) {
    Kestlib::FileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER end;
    end.QuadPart = size;
    ASSERT_TRUE(::SetFilePointerEx(file.Get(), end, nullptr, FILE_BEGIN) && ::SetEndOfFile(file.Get()));
}

class PackagerTest : public FreshSessionTest {
protected:
    void SetUp() override {
        FreshSessionTest::SetUp();
        ::CreateDirectoryW((m_temp / L"files").c_str(), nullptr);
        options.bootstrapper = TestSupport::BinDirectory() + L"proc_exitcode.exe";
        options.configuration = m_temp / L"setup.xml";
        options.output = m_temp / L"setup.exe";
        options.segmentSize = 65536;
    }

    // Packages the files and returns the progress lines.
    std::vector<std::wstring> Package(const std::vector<File>& files) {
        int day = 1;
        for (const File& file : files) WriteFile(m_temp / L"files", file, day++);
        TestSupport::WriteTextFile(options.configuration, Document(EmbedFiles(files)));
        std::vector<std::wstring> lines;
        SetupPackager(options, [&](const std::wstring& line) { lines.push_back(line); }).Run();
        return lines;
    }

    void Extract(RecordingExtraction& job) {
        job.cab_path = m_temp / L"extracted";
        job.Start();
        job.WaitAndRethrow();
    }

    // A log of this process's own: the reader logs, and test processes run side by side.
    LogCapture m_log;
    TestSupport::TempFolder m_temp;
    PackagerOptions options;
};

}  // namespace

// Package, then read the package the way the setup program does.
TEST_F(PackagerTest, RoundTripKeepsEveryByteTimeAndAttribute) {
    options.segmentSize = 48 * 1024;
    std::vector<File> files = MixedPayload();
    std::vector<std::wstring> lines = Package(files);
    ASSERT_EQ(lines.size(), files.size() + 1);
    EXPECT_EQ(lines[1], L"Adding bin\\data.bin (146.5KB)");

    DataFile setup(options.output);
    ASSERT_TRUE(setup.Get() != nullptr);
    int segments = CountSegments(setup.Get());
    EXPECT_GE(segments, 4);
    Kestlib::StringList list = ListContents(setup.Get());
    ASSERT_EQ(list.size(), files.size() + 2);
    EXPECT_EQ(list[0], L"Total size: 247.6KB");
    EXPECT_EQ(list[1], L"");
    EXPECT_EQ(list[3], L"bin\\data.bin - 146.5KB");
    EXPECT_EQ(Kestlib::LoadResourceData(setup.Get(), L"RES_CONFIGURATION", L"CUSTOM"),
              Kestlib::FileReadAll(options.configuration));

    LogCapture log;
    JoinedJob<RecordingExtraction> job(setup.Get());
    Extract(job);
    ExpectUnpacked(files, m_temp / L"extracted");
    EXPECT_TRUE(log.HasLine("Extracted " + std::string() + " from " + std::to_string(segments) + " resource segment(s)") ||
                log.Text().find(" from " + std::to_string(segments) + " resource segment(s)") != std::string::npos);
    EXPECT_TRUE(log.HasLine("Deleted " + std::to_string(segments) + " CAB file(s)"));
    EXPECT_FALSE(Kestlib::FileExists(m_temp / L"extracted\\SETUP_1.CAB"));
    EXPECT_EQ(job.statuses.back(), L"notes.txt - 500 bytes");
}

// The manifest holds what went into the cabinets: a source that changes once
// it is packed (a build still writing it) still gives a setup that unpacks
// what it carries.
TEST_F(PackagerTest, TheManifestDescribesTheBytesPacked) {
    std::vector<File> files = {{L"first.txt", TextBytes(5000)}, {L"second.bin", RandomBytes(70000, 8)}};
    int day = 1;
    for (const File& file : files) WriteFile(m_temp / L"files", file, day++);
    TestSupport::WriteTextFile(options.configuration, Document(EmbedFiles(files)));
    SetupPackager(options, [&](const std::wstring& line) {
        if (line.find(L"Adding second.bin") == 0)
            TestSupport::WriteTextFile(m_temp / L"files\\first.txt", "changed after it was packed");
    }).Run();
    DataFile setup(options.output);
    JoinedJob<RecordingExtraction> job(setup.Get());
    Extract(job);
    ExpectUnpacked(files, m_temp / L"extracted");
    EXPECT_EQ(ListContents(setup.Get())[2], L"first.txt - 4.9KB");
}

struct SegmentCase {
    unsigned long segmentSize;
    std::vector<std::wstring> percentages;
};

// Segment counts from the compressor: the test sizes give four and three cabinets.
TEST_F(PackagerTest, ProgressCountsSegmentsAndRemovalCountsThemAll) {
    std::vector<File> files = {{L"random.bin", RandomBytes(200000, 5), FILE_ATTRIBUTE_ARCHIVE},
                               {L"last.txt", TextBytes(100), FILE_ATTRIBUTE_ARCHIVE}};
    for (const SegmentCase& test :
         {SegmentCase{60000, {L"Setup.cab - 25%", L"Setup.cab - 50%", L"Setup.cab - 75%", L"Setup.cab - 100%"}},
          SegmentCase{80000, {L"Setup.cab - 33%", L"Setup.cab - 66%", L"Setup.cab - 100%"}}}) {
        options.segmentSize = test.segmentSize;
        Package(files);
        DataFile setup(options.output);
        ASSERT_EQ(CountSegments(setup.Get()), static_cast<int>(test.percentages.size()));
        // A longer old segment file must be cut to the new one's size.
        ::CreateDirectoryW((m_temp / L"extracted").c_str(), nullptr);
        TestSupport::WriteTextFile(m_temp / L"extracted\\SETUP_1.CAB", std::string(test.segmentSize * 2, 'x'));
        LogCapture log;
        JoinedJob<RecordingExtraction> job(setup.Get());
        long firstSize = 0;
        bool deletedByAnother = true;
        job.onStatus = [&](const std::wstring& text) {
            if (text.find(L"random.bin") == 0) firstSize = Kestlib::FileSize(m_temp / L"extracted\\SETUP_1.CAB");
            // The segments are held until the removal step: nobody else deletes one meanwhile.
            if (text.find(L"last.txt") == 0)
                deletedByAnother = ::DeleteFileW((m_temp / L"extracted\\SETUP_1.CAB").c_str()) != FALSE;
        };
        Extract(job);
        std::vector<std::wstring> percentages(job.statuses.begin(), job.statuses.begin() + test.percentages.size());
        EXPECT_EQ(percentages, test.percentages);
        EXPECT_EQ(static_cast<DWORD>(firstSize),
                  LockResourceBytes(setup.Get(), L"SETUP_1", CabResourceType).size);
        EXPECT_TRUE(log.HasLine("Deleted " + std::to_string(test.percentages.size()) + " CAB file(s)"));
        EXPECT_FALSE(deletedByAnother);
        EXPECT_TRUE(log.HasLine("Deleting: " + std::string(m_temp.Path().begin(), m_temp.Path().end()) +
                                "\\extracted\\SETUP_1.CAB"));
        EXPECT_FALSE(Kestlib::FileExists(m_temp / L"extracted\\SETUP_1.CAB"));
    }
}

// LZX's call translation is asked of the decoders (the first bit of the
// folder's data) only when the payload holds a program; the round trips
// unpack both kinds.
TEST_F(PackagerTest, CallsAreTranslatedOnlyInPayloadsWithPrograms) {
    const std::string program = TestSupport::ReadTextFile(TestSupport::BinDirectory() + L"proc_exitcode.exe");
    const struct {
        const char* name;
        std::vector<File> files;
        bool translated;
    } rows[] = {
        {"text and random data", {{L"notes.txt", TextBytes(40000)}, {L"data.bin", RandomBytes(5000, 2)}}, false},
        {"a program among them", {{L"notes.txt", TextBytes(40000)}, {L"tool.exe", program.substr(0, 30000)}}, true},
    };
    options.segmentSize = 1 << 20;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Package(row.files);
        DataFile setup(options.output);
        ASSERT_EQ(CountSegments(setup.Get()), 1);
        const ResourceBytes cabinet = LockResourceBytes(setup.Get(), L"SETUP_1", CabResourceType);
        const auto byte = [&](size_t at) { return static_cast<unsigned>(cabinet.data[at]); };
        ASSERT_EQ(byte(30) | byte(31) << 8, 0u) << "a single cabinet with nothing reserved";
        ASSERT_EQ(byte(36 + 6) & 0x0F, 3u) << "an LZX folder";
        const size_t data = byte(36) | byte(37) << 8 | byte(38) << 16 | byte(39) << 24;
        EXPECT_EQ((byte(data + 8 + 1) & 0x80) != 0, row.translated);
    }
}

// Repackaging a packaged executable with fewer segments leaves no stale one.
TEST_F(PackagerTest, RepackagingReplacesEverySegment) {
    Package({{L"random.bin", RandomBytes(200000, 5), FILE_ATTRIBUTE_ARCHIVE}});
    options.bootstrapper = m_temp / L"first.exe";
    ::CopyFileW(options.output.c_str(), options.bootstrapper.c_str(), FALSE);
    Package({{L"small.txt", TextBytes(100), FILE_ATTRIBUTE_ARCHIVE}});
    DataFile setup(options.output);
    EXPECT_EQ(CountSegments(setup.Get()), 1);
    EXPECT_EQ(::FindResourceW(setup.Get(), L"SETUP_2", L"RES_CAB"), nullptr);
}

TEST_F(PackagerTest, NoPayloadMeansNoSegmentsAndExtractionIsSkipped) {
    Package({});
    DataFile setup(options.output);
    EXPECT_EQ(CountSegments(setup.Get()), 0);
    EXPECT_EQ(ListContents(setup.Get()), (Kestlib::StringList{L"Total size: 0 bytes", L""}));
}

TEST_F(PackagerTest, BannerIsCarried) {
    TestSupport::WriteTextFile(m_temp / L"banner.bmp", "BM not really a bitmap");
    options.banner = m_temp / L"banner.bmp";
    Package({});
    DataFile setup(options.output);
    EXPECT_EQ(Kestlib::LoadResourceData(setup.Get(), L"RES_BANNER", L"CUSTOM"),
              Kestlib::FileReadAll(options.banner));
}

struct BadInput {
    const char* name;
    std::string embedfiles;
    std::string message;
};

// Each refusal leaves no output and no temporary file behind.
TEST_F(PackagerTest, BadInputIsRefusedWithoutOutput) {
    TestSupport::WriteTextFile(m_temp / L"files\\a.txt", "a");
    TestSupport::WriteTextFile(m_temp / L"files\\b.txt", "b");
    std::string folder(m_temp.Path().begin(), m_temp.Path().end());
    const BadInput cases[] = {
        {"missing source", "<embedfile sourcefilepath=\"files\\none.txt\"/>",
         "File not found: " + folder + "\\files\\none.txt"},
        {"dot-dot target", "<embedfile sourcefilepath=\"files\\a.txt\" targetfilepath=\"..\\a.txt\"/>",
         "Invalid targetfilepath '..\\a.txt': it must be a relative path inside the payload"},
        {"absolute target", "<embedfile sourcefilepath=\"files\\a.txt\" targetfilepath=\"C:\\a.txt\"/>",
         "Invalid targetfilepath 'C:\\a.txt': it must be a relative path inside the payload"},
        {"duplicate target",
         "<embedfile sourcefilepath=\"files\\a.txt\" targetfilepath=\"x.txt\"/>"
         "<embedfile sourcefilepath=\"files\\b.txt\" targetfilepath=\"X.TXT\"/>",
         "Two <embedfile> entries have the target 'X.TXT'"},
        {"refused document", "<unknown/>", "Unexpected node 'unknown'"},
        {"segment name", "<embedfile sourcefilepath=\"files\\a.txt\" targetfilepath=\"setup_1.cab\"/>",
         "Invalid targetfilepath 'setup_1.cab': SETUP_<number>.CAB at the payload's root is the name of a payload segment"},
        {"segment name from the source", "<embedfile sourcefilepath=\"files\\Setup_12.Cab\"/>",
         "Invalid targetfilepath 'Setup_12.Cab': SETUP_<number>.CAB at the payload's root is the name of a payload segment"},
        {"2 GB file", "<embedfile sourcefilepath=\"files\\big.bin\"/>",
         "File too large for the payload: " + folder + "\\files\\big.bin: a payload file must be smaller than 2 GB"},
        {"4 GB file", "<embedfile sourcefilepath=\"files\\huge.bin\"/>",
         "File too large for the payload: " + folder + "\\files\\huge.bin: a payload file must be smaller than 2 GB"},
    };
    // Sparse: only the size is written.
    SparseFile(m_temp / L"files\\big.bin", 0x80000000LL);
    SparseFile(m_temp / L"files\\huge.bin", 0x100000000LL + 100);
    for (const BadInput& test : cases) {
        SCOPED_TRACE(test.name);
        TestSupport::WriteTextFile(options.configuration, Document(test.embedfiles));
        EXPECT_THROW_MESSAGE(SetupPackager(options, [](const std::wstring&) {}).Run(), test.message);
        EXPECT_FALSE(Kestlib::FileExists(options.output));
        EXPECT_EQ(::GetFileAttributesW((options.output + L"." + std::to_wstring(::GetCurrentProcessId()) + L".tmp").c_str()),
                  INVALID_FILE_ATTRIBUTES);
    }
    TestSupport::WriteTextFile(options.configuration, "<configurations>");
    EXPECT_THROW_PREFIX(SetupPackager(options, [](const std::wstring&) {}).Run(), "Error loading configuration: ");
    options.configuration = m_temp / L"absent.xml";
    EXPECT_THROW_MESSAGE(SetupPackager(options, [](const std::wstring&) {}).Run(),
                         "Configuration not found: " + folder + "\\absent.xml");
    TestSupport::WriteTextFile(m_temp / L"setup.xml", Document(""));
    options.configuration = m_temp / L"setup.xml";
    // A folder in the output's place cannot be replaced by the finished file.
    options.output = m_temp.Path();
    EXPECT_THROW_PREFIX(SetupPackager(options, [](const std::wstring&) {}).Run(), "0x80070005 - Cannot write the output file '");
    EXPECT_TRUE(Kestlib::DirectoryExists(m_temp.Path()));
    // A level needs a manifest to be written into.
    options.executionLevel = L"asInvoker";
    EXPECT_THROW_MESSAGE(SetupPackager(options, [](const std::wstring&) {}).Run(),
                         "The bootstrapper has no manifest to set the execution level in");
    options.executionLevel.clear();
    // A missing output folder is made; segment names below the root, and
    // near them, are ordinary names.
    TestSupport::WriteTextFile(options.configuration,
                               Document("<embedfile sourcefilepath=\"files\\a.txt\" targetfilepath=\"sub\\SETUP_1.CAB\"/>"
                                        "<embedfile sourcefilepath=\"files\\b.txt\" targetfilepath=\"SETUP_1.CAB.txt\"/>"
                                        "<embedfile sourcefilepath=\"files\\a.txt\" targetfilepath=\"SETUP_A.CAB\"/>"));
    options.output = m_temp / L"release\\x64\\setup.exe";
    SetupPackager(options, [](const std::wstring&) {}).Run();
    EXPECT_TRUE(Kestlib::FileExists(options.output));
}

TEST(PackagerOptions, CommandLine) {
    PackagerOptions options = ParsePackagerArguments({L"--segment-size", L"4M", L"--banner", L"b.bmp", L"boot.exe",
                                                      L"setup.xml", L"setup.exe"});
    EXPECT_EQ(options.segmentSize, 4UL * 1024 * 1024);
    EXPECT_EQ(options.banner, L"b.bmp");
    EXPECT_EQ(options.output, L"setup.exe");
    EXPECT_EQ(ParsePackagerArguments({L"a", L"b", L"c"}).segmentSize, 16UL * 1024 * 1024);
    EXPECT_TRUE(ParsePackagerArguments({L"--help"}).help);
    EXPECT_EQ(ParseSegmentSize(L"64k"), 65536UL);
    EXPECT_EQ(ParseSegmentSize(L"100000"), 100000UL);
    EXPECT_EQ(ParseSegmentSize(L"36K"), 36UL * 1024);
    for (const wchar_t* bad : {L"", L"12X", L"1K", L"35K", L"2048M", L"-5", L"M", L"99999999999"})
        EXPECT_THROW_PREFIX(ParseSegmentSize(bad), "Invalid segment size '");
    EXPECT_EQ(ParsePackagerArguments({L"a", L"b", L"c"}).compression.method, Cabinet::CompressionMethod::Lzx);
    EXPECT_EQ(ParsePackagerArguments({L"a", L"b", L"c"}).compression.lzxWindow, 21);
    EXPECT_EQ(ParsePackagerArguments({L"--compression", L"none", L"a", L"b", L"c"}).compression.method,
              Cabinet::CompressionMethod::None);
    PackagerOptions lzx = ParsePackagerArguments({L"--lzx-window", L"17", L"--compression", L"lzx", L"a", L"b", L"c"});
    EXPECT_EQ(lzx.compression.method, Cabinet::CompressionMethod::Lzx);
    EXPECT_EQ(lzx.compression.lzxWindow, 17);
    EXPECT_THROW_MESSAGE(ParsePackagerArguments({L"--compression", L"zip", L"a", L"b", L"c"}),
                         "Invalid compression 'zip': give lzx, mszip or none");
    for (const wchar_t* bad : {L"14", L"22", L"2l", L"021", L""})
        EXPECT_THROW_PREFIX(ParseLzxWindow(bad), "Invalid LZX window '");
    PackagerOptions epoch;
    SetSourceDateEpoch(epoch, L"1700000000");
    SYSTEMTIME latest = {};
    ASSERT_TRUE(epoch.limitTimes && ::FileTimeToSystemTime(&epoch.latestTime, &latest));
    EXPECT_EQ(latest.wYear * 10000 + latest.wMonth * 100 + latest.wDay, 20231114);
    EXPECT_EQ(latest.wHour * 10000 + latest.wMinute * 100 + latest.wSecond, 221320);
    for (const wchar_t* bad : {L"17e8", L"-1", L" 1", L"9999999999999"})
        EXPECT_THROW_PREFIX(SetSourceDateEpoch(epoch, bad), "Invalid SOURCE_DATE_EPOCH '");
    PackagerOptions twoFiles = ParsePackagerArguments({L"setup.xml", L"setup.exe"});
    EXPECT_EQ(twoFiles.bootstrapper, L"");
    EXPECT_EQ(twoFiles.configuration, L"setup.xml");
    EXPECT_EQ(twoFiles.output, L"setup.exe");
    EXPECT_THROW_MESSAGE(ParsePackagerArguments({L"a"}),
                         "Expected [the bootstrapper,] the configuration and the output file, got 1 file name(s)");
    EXPECT_THROW_MESSAGE(ParsePackagerArguments({L"a", L"b", L"c", L"--segment-size"}), "Missing value after --segment-size");
    EXPECT_THROW_MESSAGE(ParsePackagerArguments({L"--fast", L"a", L"b", L"c"}), "Unknown option --fast");
    EXPECT_EQ(ParsePackagerArguments({L"a", L"b", L"c"}).executionLevel, L"");
    EXPECT_EQ(ParsePackagerArguments({L"--execution-level", L"highestAvailable", L"a", L"b", L"c"}).executionLevel,
              L"highestAvailable");
    // Written into the manifest as given, so the case counts.
    EXPECT_THROW_MESSAGE(ParsePackagerArguments({L"--execution-level", L"asinvoker", L"a", L"b", L"c"}),
                         "Invalid execution level 'asinvoker': give asInvoker, highestAvailable or requireAdministrator");
    PackagerOptions identity = ParsePackagerArguments(
        {L"--icon", L"p.ico", L"--version-info", L"productname=Suite=2", L"--version-info", L"FileVersion=1", L"a", L"b", L"c"});
    EXPECT_EQ(identity.icon, L"p.ico");
    EXPECT_EQ(identity.versionInfo, (VersionStrings{{L"ProductName", L"Suite=2"}, {L"FileVersion", L"1"}}));
    EXPECT_THROW_MESSAGE(ParsePackagerArguments({L"a", L"b", L"c", L"--icon"}), "Missing value after --icon");
}
