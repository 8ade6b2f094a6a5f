#include <gtest/gtest.h>

#include <windows.h>

#include "lib/Crc32.h"
#include "packager/CabinetWriter.h"
#include "payload/CabinetSetCheck.h"
#include "payload/Extract.h"
#include "tests/payload/PayloadFiles.h"
#include "tests/support/TestEnvironment.h"
#include "tests/support/UnixCommand.h"

using namespace PayloadFiles;

namespace {

struct Method {
    const char* name;
    Cabinet::Compression compression;
};

struct Shape {
    const char* name;
    unsigned long segmentSize;
    std::vector<File> files;
};

// x86-64 code with its calls: the start of this test program.
std::string OwnCode(size_t size) {
    std::string bytes = TestSupport::ReadTextFile(TestSupport::BinDirectory() + L"test_packager.exe");
    return bytes.substr(0, size);
}

std::vector<Shape> Shapes() {
    return {
        {"mixed files over several cabinets", 65536, MixedPayload()},
        {"a file over three cabinets just above one frame, empty files around it",
         36 * 1024,
         {{L"empty-first.txt", ""}, {L"big.bin", RandomBytes(90000, 3)}, {L"sub\\empty.txt", ""},
          {L"small.txt", TextBytes(5000)}, {L"empty-last.txt", ""}}},
        {"incompressible, repetitive and x86 code",
         1 << 20,
         {{L"random.bin", RandomBytes(200000, 4)}, {L"zeros.bin", std::string(300000, '\0')},
          {L"code.exe", OwnCode(600000)}, {L"text.txt", TextBytes(100000)}}},
        {"only empty files", 65536, {{L"a.txt", ""}, {L"b\\c.txt", ""}}},
    };
}

class CabinetRoundTrip : public ::testing::TestWithParam<Method> {
protected:
    std::vector<std::wstring> Write(const Shape& shape, const TestSupport::TempFolder& temp) {
        std::wstring source = temp / L"source";
        std::wstring cabinets = temp / L"cabinets";
        ::CreateDirectoryW(source.c_str(), nullptr);
        ::CreateDirectoryW(cabinets.c_str(), nullptr);
        Cabinet::CabinetWriter writer(cabinets, shape.segmentSize);
        writer.SetCompression(GetParam().compression);
        writer.SetUtcTimes(true);
        int day = 1;
        for (const File& file : shape.files) {
            WriteFile(source, file, day++);
            Cabinet::StoredFile stored = writer.AddFile(source + L"\\" + file.name, file.name);
            EXPECT_EQ(stored.size, file.bytes.size());
            EXPECT_EQ(stored.crc, Kestlib::Crc32::Of(file.bytes.data(), file.bytes.size()));
        }
        return writer.Finish();
    }

    // The set the program would unpack: each cabinet within the segment size,
    // the whole set consistent.
    void ExpectSound(const std::vector<std::wstring>& cabinets, unsigned long segmentSize) {
        std::vector<std::string> contents;
        for (const std::wstring& path : cabinets) contents.push_back(TestSupport::ReadTextFile(path));
        std::vector<Cabinet::CabinetBytes> set;
        for (size_t i = 0; i < cabinets.size(); ++i) {
            EXPECT_LE(contents[i].size(), segmentSize);
            set.push_back(Cabinet::CabinetBytes{L"SETUP_" + std::to_wstring(i + 1) + L".CAB",
                                                reinterpret_cast<const unsigned char*>(contents[i].data()),
                                                static_cast<uint32_t>(contents[i].size())});
        }
        EXPECT_NO_THROW(Cabinet::CheckCabinetSet(set));
    }
};

}  // namespace

// Every shape of set through both decoders: the platform's (the one the
// setup program uses) and cabextract's, each byte compared with the source.
TEST_P(CabinetRoundTrip, BothDecodersGiveBackEveryByte) {
    for (const Shape& shape : Shapes()) {
        SCOPED_TRACE(shape.name);
        TestSupport::TempFolder temp;
        std::vector<std::wstring> cabinets = Write(shape, temp);
        ASSERT_FALSE(cabinets.empty());
        ExpectSound(cabinets, shape.segmentSize);

        std::wstring platform = temp / L"platform";
        Cabinet::CExtract extract;
        ASSERT_TRUE(extract.Initialise());
        ASSERT_TRUE(extract.ExtractFile(cabinets[0], platform, nullptr)) << extract.LastErrorText();
        ExpectUnpacked(shape.files, platform);

        std::wstring other = temp / L"cabextract";
        std::string output;
        EXPECT_EQ(TestSupport::RunUnixCommand("/usr/bin/cabextract -q -d '" + TestSupport::UnixPath(other) + "' '" +
                                                  TestSupport::UnixPath(cabinets[0]) + "'",
                                              &output),
                  0)
            << output;
        for (const File& file : shape.files) {
            std::wstring path = other + L"\\" + file.name;
            EXPECT_TRUE(::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES && ReadFile(path) == file.bytes)
                << std::string(file.name.begin(), file.name.end());
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Methods, CabinetRoundTrip,
                         ::testing::Values(Method{"none", {Cabinet::CompressionMethod::None, 21}},
                                           Method{"mszip", {Cabinet::CompressionMethod::Mszip, 21}},
                                           Method{"lzx15", {Cabinet::CompressionMethod::Lzx, 15}},
                                           Method{"lzx16", {Cabinet::CompressionMethod::Lzx, 16}},
                                           Method{"lzx17", {Cabinet::CompressionMethod::Lzx, 17}},
                                           Method{"lzx18", {Cabinet::CompressionMethod::Lzx, 18}},
                                           Method{"lzx19", {Cabinet::CompressionMethod::Lzx, 19}},
                                           Method{"lzx20", {Cabinet::CompressionMethod::Lzx, 20}},
                                           Method{"lzx21", {Cabinet::CompressionMethod::Lzx, 21}},
                                           Method{"lzx21_untranslated", {Cabinet::CompressionMethod::Lzx, 21, false}}),
                         [](const ::testing::TestParamInfo<Method>& info) { return std::string(info.param.name); });
