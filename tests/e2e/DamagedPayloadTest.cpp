// Payloads whose cabinets were damaged after packaging, extracted by the real
// program: every kind of damage ends the run with -1 and a log line saying
// what is wrong, in bounded time, and leaves no file that differs from what
// was packed; damage the headers show leaves nothing written at all. A
// payload the decompressor itself refuses (not a cabinet, encrypted, a
// segment missing) is written out first and ends with the decompressor's
// error. Sound sets of every shape still come out exactly.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "lib/FileOps.h"
#include "lib/StringUtils.h"
#include "packager/CabinetWriter.h"
#include "packager/ResourceUpdate.h"
#include "packager/SetupPackager.h"
#include "payload/CabinetResources.h"
#include "tests/e2e/SetupDocuments.h"
#include "tests/support/SetupRun.h"

using namespace E2e;

namespace {

std::string Random(size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>((seed = seed * 1103515245u + 12345u) >> 16);
    return bytes;
}

std::string Text(size_t size) {
    std::string bytes;
    while (bytes.size() < size) bytes += "line " + std::to_string(bytes.size()) + " of the notes\r\n";
    return bytes.substr(0, size);
}

struct PayloadFile {
    std::wstring name;
    std::string bytes;
};

// Small files first, in the first cabinet; then files that span cabinets,
// one of them three, so the middle one holds nothing else.
const std::vector<PayloadFile>& Files() {
    static const std::vector<PayloadFile> files = {
        {L"aa.txt", "first"},         {L"ab.txt", "second"},           {L"xETUP_1.CAB", "not a cabinet"},
        {L"NUX.txt", "device-like"},  {L"alpha.bin", Random(150000, 1)}, {L"docs\\notes.txt", Text(40000)},
        {L"beta.bin", Random(90000, 2)},
    };
    return files;
}

// A cabinet's bytes, with the fields the cases change.
struct CabBytes {
    std::string bytes;

    uint32_t U32(size_t at) const {
        return static_cast<uint8_t>(bytes[at]) | static_cast<uint8_t>(bytes[at + 1]) << 8 |
               static_cast<uint8_t>(bytes[at + 2]) << 16 | static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 3])) << 24;
    }
    uint16_t U16(size_t at) const {
        return static_cast<uint16_t>(static_cast<uint8_t>(bytes[at]) | static_cast<uint8_t>(bytes[at + 1]) << 8);
    }
    void Put32(size_t at, uint32_t value) {
        for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i));
    }
    void Put16(size_t at, uint16_t value) {
        bytes[at] = static_cast<char>(value);
        bytes[at + 1] = static_cast<char>(value >> 8);
    }
    size_t FileEntry(size_t index) const {
        size_t at = U32(16);
        for (size_t i = 0; i < index; ++i) at = bytes.find('\0', at + 16) + 1;
        return at;
    }
    std::string FileName(size_t index) const { return std::string(bytes.c_str() + FileEntry(index) + 16); }
    size_t Find(const std::string& name) const {
        for (size_t i = 0; i < U16(28); ++i)
            if (FileName(i) == name) return FileEntry(i);
        ADD_FAILURE() << "no file " << name;
        return 0;
    }
    // The first file running on into the next cabinet, or continuing one.
    size_t Spanning(uint16_t from, uint16_t alsoFrom) const {
        for (size_t i = 0; i < U16(28); ++i)
            if (U16(FileEntry(i) + 8) == from || U16(FileEntry(i) + 8) == alsoFrom) return FileEntry(i);
        ADD_FAILURE() << "no spanning file";
        return 0;
    }
    void Rename(const std::string& from, const std::string& to) {
        size_t at = Find(from) + 16;
        bytes.replace(at, to.size(), to);
    }
    // Offset of the next cabinet's name in a header without reserved area.
    size_t NextName() const { return 36 + ((U16(30) & 1) ? std::string(bytes.c_str() + 36).size() + 2 : 0); }
    // Each data block of the first folder (headers without reserved areas).
    std::vector<size_t> Blocks() const {
        size_t folder = 36;
        for (int i = 0; i < ((U16(30) & 1) ? 2 : 0) + ((U16(30) & 2) ? 2 : 0); ++i)
            folder = bytes.find('\0', folder) + 1;
        std::vector<size_t> blocks;
        for (size_t at = U32(folder), i = 0; i < U16(folder + 4); ++i, at += 8 + U16(at + 4)) blocks.push_back(at);
        return blocks;
    }
};

// What the setup executable carries of its payload.
struct Payload {
    std::vector<CabBytes> cabinets;
    bool keepManifest = true;
    std::string manifest;
    std::wstring list;
};

const wchar_t kManifestType[] = L"CUSTOM";
const wchar_t kManifestName[] = L"RES_CAB_MANIFEST";

std::string Resource(HMODULE module, const std::wstring& name, const std::wstring& type) {
    Kestlib::ByteVector bytes = Kestlib::LoadResourceData(module, name, type);
    return std::string(bytes.begin(), bytes.end());
}

Payload ReadPayload(const std::wstring& setup) {
    HMODULE module = ::LoadLibraryExW(setup.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    Payload payload;
    for (int i = 1; i <= CountSegments(module); ++i)
        payload.cabinets.push_back(CabBytes{Resource(module, SegmentName(i), CabResourceType)});
    payload.manifest = Resource(module, kManifestName, kManifestType);
    std::string list = Resource(module, CabListResourceName, CabListResourceType);
    payload.list.assign(reinterpret_cast<const wchar_t*>(list.data()), list.size() / 2);
    ::FreeLibrary(module);
    return payload;
}

void WritePayload(const std::wstring& setup, const Payload& payload) {
    ResourceUpdate update(setup, [](const std::wstring& type, const std::wstring& name) {
        return type == CabResourceType || name == kManifestName || name == CabListResourceName;
    });
    for (size_t i = 0; i < payload.cabinets.size(); ++i) {
        const std::string& bytes = payload.cabinets[i].bytes;
        if (bytes.empty()) continue;  // a gap: the segments after it are not found
        update.Put(CabResourceType, SegmentName(static_cast<int>(i + 1)), bytes.data(), static_cast<DWORD>(bytes.size()));
    }
    if (payload.keepManifest)
        update.Put(kManifestType, kManifestName, payload.manifest.data(), static_cast<DWORD>(payload.manifest.size()));
    update.Put(CabListResourceType, CabListResourceName, payload.list.data(),
               static_cast<DWORD>(payload.list.size() * sizeof(wchar_t)));
    update.Commit();
}

// Packaged once, in 60,000-byte segments: several folders and cabinets.
class DamagedPayload : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_source = new TestSupport::TempFolder();
        s_setup = new std::wstring(Package(*s_source, Files(), L"setup.exe"));
        s_payload = new Payload(ReadPayload(*s_setup));
    }
    static void TearDownTestSuite() {
        delete s_payload;
        delete s_setup;
        delete s_source;
    }

    static std::wstring Package(const TestSupport::TempFolder& folder, const std::vector<PayloadFile>& files,
                                const std::wstring& name, unsigned long segmentSize = 60000) {
        std::string embedded;
        for (size_t i = 0; i < files.size(); ++i) {
            const PayloadFile& file = files[i];
            std::wstring source = folder / (L"src-" + std::to_wstring(i));
            TestSupport::WriteTextFile(source, file.bytes);
            embedded += "      <embedfile sourcefilepath=\"" + Xml(source) + "\" targetfilepath=\"" + Xml(file.name) +
                        "\"/>\n";
        }
        TestSupport::WriteTextFile(folder / L"setup.xml",
                                   Document(Install("", MarkerComponent("Payload", folder / L"never.txt", "", embedded))));
        PackagerOptions options;
        options.bootstrapper = TestSupport::BootstrapperPath();
        options.configuration = folder / L"setup.xml";
        options.output = folder / name;
        options.segmentSize = segmentSize;
        SetupPackager(options, [](const std::wstring&) {}).Run();
        return options.output;
    }

    // Extracts into SupportFiles of the scenario's folder: the exit code.
    static DWORD ExtractCab(const Scenario& run, const std::wstring& setup) {
        TestSupport::SetupOptions options = run.Options(L"/q /ExtractCab");
        options.workingDirectory = run.folder.Path();
        return TestSupport::RunSetup(setup, options, 60000);
    }

    // The packaged setup, its payload damaged, extracted: the exit code.
    static DWORD ExtractDamaged(const Scenario& run, const std::function<void(Payload&)>& damage, Payload& payload) {
        payload = *s_payload;
        damage(payload);
        std::wstring setup = run.folder / L"damaged.exe";
        EXPECT_TRUE(::CopyFileW(s_setup->c_str(), setup.c_str(), FALSE));
        WritePayload(setup, payload);
        return ExtractCab(run, setup);
    }

    static bool Empty(const std::wstring& folder) {
        WIN32_FIND_DATAW found;
        HANDLE search = ::FindFirstFileW((folder + L"\\*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return true;
        bool empty = true;
        do empty = empty && (found.cFileName == std::wstring(L".") || found.cFileName == std::wstring(L".."));
        while (::FindNextFileW(search, &found));
        ::FindClose(search);
        return empty;
    }

    // Every payload file there is exactly as packed; with all, none is missing.
    static void ExpectFiles(const std::wstring& folder, const std::vector<PayloadFile>& files, bool all) {
        for (const PayloadFile& file : files) {
            std::wstring path = folder + L"\\" + file.name;
            if (!FileExists(path)) {
                EXPECT_FALSE(all) << Utf8(file.name) << " is missing";
                continue;
            }
            EXPECT_TRUE(TestSupport::ReadTextFile(path) == file.bytes) << Utf8(file.name) << " differs";
        }
    }

    static TestSupport::TempFolder* s_source;
    static std::wstring* s_setup;
    static Payload* s_payload;
};

TestSupport::TempFolder* DamagedPayload::s_source = nullptr;
std::wstring* DamagedPayload::s_setup = nullptr;
Payload* DamagedPayload::s_payload = nullptr;

struct DamageCase {
    const char* family;
    std::function<void(Payload&)> damage;
    const char* error;
    // Seen in the headers, so nothing is written, not even a segment.
    bool beforeWriting = true;
};

const uint16_t kToNext = 0xFFFE;
const uint16_t kFromPrevious = 0xFFFD;
const uint16_t kBoth = 0xFFFF;

// Every entry of the file, in each cabinet that holds a part of it.
void RenameEverywhere(Payload& payload, const std::string& from, const std::string& to) {
    for (CabBytes& cabinet : payload.cabinets)
        for (size_t i = 0; i < cabinet.U16(28); ++i)
            if (cabinet.FileName(i) == from) cabinet.bytes.replace(cabinet.FileEntry(i) + 16, to.size(), to);
}

// Damage inside the data, which no header shows: unpacking ends with the
// decompressor's error, the bound on its work or a file's checksum.
const char kWhileUnpacking[] = "Error extracting '";

const DamageCase kDamage[] = {
    {"file size past its folder", [](Payload& p) { p.cabinets[0].Put32(p.cabinets[0].Find("aa.txt"), 0x7FFFFFFF); },
     "SETUP_1.CAB: the file 'aa.txt' (2147483647 bytes at 0) lies outside its folder's"},
    {"file offset past its folder",
     [](Payload& p) { p.cabinets[0].Put32(p.cabinets[0].Find("ab.txt") + 4, 0xFFFFFFFF); },
     "SETUP_1.CAB: the file 'ab.txt' (6 bytes at 4294967295) lies outside its folder's"},
    {"spanning file one byte longer in one cabinet",
     [](Payload& p) {
         size_t at = p.cabinets[0].Spanning(kToNext, kBoth);
         p.cabinets[0].Put32(at, p.cabinets[0].U32(at) + 1);
     },
     "SETUP_1.CAB: the file 'alpha.bin' (150001 bytes at "},
    {"continuation cabinet without folders", [](Payload& p) { p.cabinets[1].Put16(26, 0); },
     "SETUP_2.CAB: it announces 0 folder(s) and 1 file(s)"},
    {"continuation cabinet without files", [](Payload& p) { p.cabinets[1].Put16(28, 0); },
     "SETUP_2.CAB: it announces 1 folder(s) and 0 file(s)"},
    {"file count too large", [](Payload& p) { p.cabinets[2].Put16(28, p.cabinets[2].U16(28) + 3); },
     "The payload is damaged: SETUP_3.CAB: "},
    {"folder index past the folders", [](Payload& p) { p.cabinets[0].Put16(p.cabinets[0].Find("aa.txt") + 8, 7); },
     "SETUP_1.CAB: the file 'aa.txt' is in folder 7, but the cabinet has 1"},
    {"flipped byte in the name of a spanning file",
     [](Payload& p) { p.cabinets[1].bytes[p.cabinets[1].Spanning(kFromPrevious, kBoth) + 16] ^= 0x01; },
     "SETUP_2.CAB: the file '`lpha.bin' (150000 bytes at 35) does not continue 'alpha.bin'"},
    {"cabinet size field", [](Payload& p) { p.cabinets[0].Put32(8, p.cabinets[0].U32(8) + 1); },
     "SETUP_1.CAB: it announces "},
    {"truncated segment", [](Payload& p) { p.cabinets[1].bytes.resize(p.cabinets[1].bytes.size() - 100); },
     "SETUP_2.CAB: it announces "},
    {"next cabinet's name", [](Payload& p) { p.cabinets[0].bytes[p.cabinets[0].NextName() + 6] = '7'; },
     "SETUP_1.CAB: it is followed by 'SETUP_7.CAB' instead of SETUP_2.CAB"},
    {"previous cabinet's name", [](Payload& p) { p.cabinets[1].bytes[36 + 6] = '9'; },
     "SETUP_2.CAB: it follows 'SETUP_9.CAB' instead of SETUP_1.CAB"},
    {"segments swapped", [](Payload& p) { std::swap(p.cabinets[0], p.cabinets[1]); },
     "SETUP_1.CAB: it is not the first cabinet of its set: it follows 'SETUP_1.CAB'"},
    {"segment embedded twice", [](Payload& p) { p.cabinets[1] = p.cabinets[0]; },
     "SETUP_2.CAB: it begins a set of its own instead of following SETUP_1.CAB"},
    {"set id of a segment", [](Payload& p) { p.cabinets[2].Put16(32, p.cabinets[2].U16(32) ^ 0x5555); },
     "SETUP_3.CAB: it belongs to another set"},
    {"stored name twice", [](Payload& p) { p.cabinets[0].Rename("ab.txt", "AA.TXT"); },
     "SETUP_1.CAB: the file 'AA.TXT' is stored twice"},
    {"stored name of a segment", [](Payload& p) { p.cabinets[0].Rename("xETUP_1.CAB", "setup_1.cab"); },
     "SETUP_1.CAB: the file 'setup_1.cab' would overwrite a cabinet of the set"},
    {"content against the manifest's checksum",
     [](Payload& p) {
         size_t at = p.manifest.find(" aa.txt") - 8;
         p.manifest[at] = p.manifest[at] == '0' ? '1' : '0';
     },
     "'aa.txt' came out with the checksum ", false},
    {"size against the manifest", [](Payload& p) { p.manifest.replace(p.manifest.find("\r\n6 ") + 2, 1, "7"); },
     "'ab.txt' has 6 bytes in the cabinets instead of 7"},
    {"listed file missing, no manifest",
     [](Payload& p) {
         p.keepManifest = false;
         p.list += L"\r\nghost.txt - 1 bytes";
     },
     "'ghost.txt' is listed but missing from the cabinets"},
    {"device name",
     [](Payload& p) {
         p.cabinets[0].Rename("NUX.txt", "NUL.txt");
         p.keepManifest = false;
         p.list = Kestlib::ReplaceAll(p.list, L"NUX.txt", L"NUL.txt");
     },
     "The cabinet holds a file name that is a device name: 'NUL.txt'"},
    {"last file's name leads outside", [](Payload& p) { RenameEverywhere(p, "beta.bin", "..\\a.bin"); },
     "The cabinet holds a file name that leads outside the target folder: '..\\a.bin'"},
    {"last file's name is absolute", [](Payload& p) { RenameEverywhere(p, "beta.bin", "C:\\a.bin"); },
     "The cabinet holds a file name that leads outside the target folder: 'C:\\a.bin'"},
    {"last file's name is a device", [](Payload& p) { RenameEverywhere(p, "beta.bin", "COM1.bin"); },
     "The cabinet holds a file name that is a device name: 'COM1.bin'"},
    {"a data block without its checksum",
     [](Payload& p) {
         p.cabinets[1].Put32(p.cabinets[1].Blocks()[0], 0);
         p.cabinets[1].bytes[p.cabinets[1].Blocks()[0] + 100] ^= 0x5A;
     },
     "SETUP_2.CAB: a data block has no checksum"},
    {"flipped bytes in the data of a file spanning cabinets",
     [](Payload& p) {
         std::string& bytes = p.cabinets[1].bytes;
         for (size_t at = p.cabinets[1].Blocks()[0] + 8; at < bytes.size(); at += 4999) bytes[at] ^= 0x5A;
     },
     kWhileUnpacking, false},
    {"a data block's unpacked size lies",
     [](Payload& p) {
         size_t at = p.cabinets[2].Blocks().back() + 6;
         p.cabinets[2].Put16(at, p.cabinets[2].U16(at) + 3000);
     },
     kWhileUnpacking, false},
    {"a data block's packed size lies",
     [](Payload& p) {
         size_t at = p.cabinets[2].Blocks().back() + 4;
         p.cabinets[2].Put16(at, p.cabinets[2].U16(at) - 3000);
     },
     kWhileUnpacking, false},
};

TEST_F(DamagedPayload, EveryKindOfDamageEndsWithAnErrorNamingIt) {
    for (const DamageCase& test : kDamage) {
        SCOPED_TRACE(test.family);
        Scenario run;
        Payload payload;
        EXPECT_EQ(ExtractDamaged(run, test.damage, payload), kFailed);
        std::vector<std::string> log = run.Log();
        bool named = false;
        for (const std::string& line : log)
            named = named || (line.find("ThreadComponent::ExecuteThread(): ") != std::string::npos &&
                              line.find(test.error) != std::string::npos);
        EXPECT_TRUE(named) << run.Dump();
        if (test.beforeWriting)
            EXPECT_TRUE(Empty(run.folder / L"SupportFiles")) << "something was written";
        else
            ExpectFiles(run.folder / L"SupportFiles", Files(), false);
    }
}

struct SpecifiedFailure {
    const char* name;
    std::function<void(Payload&)> damage;
    // The decompressor's text after "Error extracting '…\SETUP_1.CAB': ".
    const char* error;
};

const SpecifiedFailure kSpecified[] = {
    {"not a cabinet", [](Payload& p) { p.cabinets[0].bytes = "This is a plain text file, not a cabinet."; },
     "The file is not a cabinet"},
    {"encrypted", [](Payload& p) { p.cabinets[0].bytes.replace(0, 4, "CRYP"); },
     "The CAB archive is encrypted but no decryption key was set."},
    {"second segment missing", [](Payload& p) { p.cabinets[1].bytes.clear(); },
     "Cabinet file (or part of splitted CAB) not found"},
    {"last segment missing", [](Payload& p) { p.cabinets.pop_back(); },
     "Cabinet file (or part of splitted CAB) not found"},
};

// The segments are written and counted, unpacking starts, and the
// decompressor's own error ends it; the segments stay, and what came out
// before the failure is exact.
TEST_F(DamagedPayload, TheDecompressorsOwnFailuresKeepTheirStepsAndTexts) {
    for (const SpecifiedFailure& test : kSpecified) {
        SCOPED_TRACE(test.name);
        Scenario run;
        Payload payload;
        EXPECT_EQ(ExtractDamaged(run, test.damage, payload), kFailed);
        size_t written = 0;
        while (written < payload.cabinets.size() && !payload.cabinets[written].bytes.empty()) ++written;
        const std::string folder = Utf8(run.folder / L"SupportFiles");
        const std::string steps[] = {
            "Extracting: " + folder + "\\SETUP_1.CAB",
            "Extracted: SETUP_" + std::to_string(written),
            " from " + std::to_string(written) + " resource segment(s)",
            "Cabfile: " + folder + "\\SETUP_1.CAB",
            "The following error was caught in ThreadComponent::ExecuteThread(): Error extracting '" + folder +
                "\\SETUP_1.CAB': " + test.error,
        };
        size_t step = 0;
        for (const std::string& line : run.Log())
            if (step < 5 && (step == 4 ? line == steps[step] : line.find(steps[step]) != std::string::npos)) ++step;
        EXPECT_EQ(step, 5u) << "missing: " << steps[std::min<size_t>(step, 4)] << "\n" << run.Dump();
        EXPECT_FALSE(TestSupport::HasMessageStartingWith(run.Log(), "Deleted ")) << run.Dump();
        for (size_t i = 0; i < written; ++i) {
            std::wstring segment = run.folder / (L"SupportFiles\\SETUP_" + std::to_wstring(i + 1) + L".CAB");
            EXPECT_TRUE(TestSupport::ReadTextFile(segment) == payload.cabinets[i].bytes) << "segment " << i + 1;
        }
        ExpectFiles(run.folder / L"SupportFiles", Files(), false);
    }
}

// A path in the extraction folder too long for the platform's plain file
// calls is refused for what it is.
TEST_F(DamagedPayload, APathTooLongIsRefusedForItsLength) {
    Scenario run;
    std::wstring deep = std::wstring(120, L'd') + L"\\" + std::wstring(120, L'e') + L"\\long.txt";
    std::wstring setup = Package(run.folder, {{L"short.txt", "short"}, {deep, "deep"}}, L"long.exe");
    EXPECT_EQ(ExtractCab(run, setup), kFailed);
    EXPECT_TRUE(TestSupport::HasMessageStartingWith(
        run.Log(), "The following error was caught in ThreadComponent::ExecuteThread(): Error extracting '"))
        << run.Dump();
    std::string log = run.Dump();
    EXPECT_NE(log.find("The cabinet holds a file whose path in the target folder is too long: '" + Utf8(deep) + "' ("),
              std::string::npos)
        << log;
    EXPECT_EQ(log.find("leads outside"), std::string::npos);
}

// Files listed against the order of their data make the decompressor unpack
// the folder again from its start for each one: the bound on its reads ends
// that long before it would.
TEST_F(DamagedPayload, UnpackingTheSameDataOverAndOverIsStoppedByTheBound) {
    Scenario run;
    std::vector<PayloadFile> files = {{L"big.bin", Random(1 << 20, 3)}};
    for (int i = 10; i < 34; ++i) files.push_back({L"f" + std::to_wstring(i) + L".txt", "x"});
    std::wstring setup = Package(run.folder, files, L"reversed.exe", 16 << 20);
    Payload payload = ReadPayload(setup);
    ASSERT_EQ(payload.cabinets.size(), 1u);
    CabBytes& cabinet = payload.cabinets[0];
    const size_t first = cabinet.FileEntry(1), size = cabinet.FileEntry(2) - first, count = files.size() - 1;
    const std::string entries = cabinet.bytes.substr(first, size * count);
    for (size_t i = 0; i < count; ++i)
        cabinet.bytes.replace(first + i * size, size, entries, (count - 1 - i) * size, size);
    WritePayload(setup, payload);
    EXPECT_EQ(ExtractCab(run, setup), kFailed);
    EXPECT_TRUE(TestSupport::HasMessageStartingWith(
        run.Log(), "The following error was caught in ThreadComponent::ExecuteThread(): Error extracting '"))
        << run.Dump();
    const char stopped[] = "': The payload is damaged: unpacking read far more than the cabinets hold and was stopped";
    EXPECT_NE(run.Dump().find(stopped), std::string::npos)
        << run.Dump();
    ExpectFiles(run.folder / L"SupportFiles", files, false);
}

struct SoundCase {
    const char* shape;
    std::function<void(Payload&, const TestSupport::TempFolder&)> reshape;
};

// The same files, uncompressed, with reserved areas in every header, folder
// entry and data block, in smaller cabinets.
void ReservedUncompressed(Payload& payload, const TestSupport::TempFolder& folder) {
    std::wstring cabinets = folder / L"reserved";
    ::CreateDirectoryW(cabinets.c_str(), nullptr);
    Cabinet::CabinetReserve reserve;
    reserve.header = 20;
    reserve.folder = 4;
    reserve.data = 8;
    Cabinet::CabinetWriter writer(cabinets, 50000, L"SETUP_", reserve);
    writer.SetUncompressed(true);
    for (size_t i = 0; i < Files().size(); ++i) {
        std::wstring source = folder / (L"src-" + std::to_wstring(i));
        TestSupport::WriteTextFile(source, Files()[i].bytes);
        writer.AddFile(source, Files()[i].name);
    }
    payload.cabinets.clear();
    for (const std::wstring& path : writer.Finish()) {
        Kestlib::ByteVector bytes = Kestlib::FileReadAll(path);
        payload.cabinets.push_back(CabBytes{std::string(bytes.begin(), bytes.end())});
    }
    EXPECT_EQ(payload.cabinets[0].U16(30) & 4, 4) << "no reserved area";
}

const SoundCase kSound[] = {
    {"as packaged: compressed, several folders and cabinets", [](Payload&, const TestSupport::TempFolder&) {}},
    {"from an older packager: no manifest",
     [](Payload& p, const TestSupport::TempFolder&) { p.keepManifest = false; }},
    {"reserved areas, uncompressed", ReservedUncompressed},
};

TEST_F(DamagedPayload, SoundSetsOfEveryShapeComeOutExactly) {
    for (const SoundCase& test : kSound) {
        SCOPED_TRACE(test.shape);
        Scenario run;
        Payload payload = *s_payload;
        test.reshape(payload, run.folder);
        EXPECT_GE(payload.cabinets.size(), 4u);
        std::wstring setup = run.folder / L"sound.exe";
        ASSERT_TRUE(::CopyFileW(s_setup->c_str(), setup.c_str(), FALSE));
        WritePayload(setup, payload);
        EXPECT_EQ(ExtractCab(run, setup), 0u) << run.Dump();
        ExpectFiles(run.folder / L"SupportFiles", Files(), true);
        EXPECT_FALSE(FileExists(run.folder / L"SupportFiles\\SETUP_1.CAB"));
    }
}

// Without a payload nothing is written or unpacked, not even a cabinet an
// earlier run left in the folder, and the run succeeds.
TEST_F(DamagedPayload, ExtractCabWithoutPayloadDoesNothing) {
    Scenario run;
    std::wstring setup = Package(run.folder, {}, L"empty.exe");
    std::wstring support = run.folder / L"SupportFiles";
    ::CreateDirectoryW(support.c_str(), nullptr);
    const std::string& stale = s_payload->cabinets[0].bytes;
    TestSupport::WriteTextFile(support + L"\\SETUP_1.CAB", stale);
    EXPECT_EQ(ExtractCab(run, setup), 0u) << run.Dump();
    EXPECT_FALSE(FileExists(support + L"\\aa.txt"));
    EXPECT_TRUE(TestSupport::ReadTextFile(support + L"\\SETUP_1.CAB") == stale);
    EXPECT_FALSE(TestSupport::HasMessage(run.Log(), "Extracting CABs")) << run.Dump();
    EXPECT_EQ(run.Log().back(), kFinishedZero) << run.Dump();
}

}  // namespace
