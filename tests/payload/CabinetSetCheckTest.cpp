// The header check on sets from the platform's compressor, in memory.
#include <gtest/gtest.h>

#include <windows.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "lib/FileOps.h"
#include "payload/CabinetSetCheck.h"
#include "payload/PayloadManifest.h"
#include "tests/payload/PayloadFiles.h"
#include "tests/support/TestEnvironment.h"

using namespace PayloadFiles;

namespace {

struct Set {
    std::vector<std::string> bytes;

    std::vector<Cabinet::CabinetBytes> View() const {
        std::vector<Cabinet::CabinetBytes> view;
        for (size_t i = 0; i < bytes.size(); ++i)
            view.push_back(Cabinet::CabinetBytes{L"SETUP_" + std::to_wstring(i + 1) + L".CAB",
                                                 reinterpret_cast<const unsigned char*>(bytes[i].data()),
                                                 static_cast<uint32_t>(bytes[i].size())});
        return view;
    }
    // The compression field of every folder entry (headers without reserved areas).
    void SetCompression(uint16_t type) {
        for (std::string& cabinet : bytes) {
            size_t at = 36;
            uint16_t flags = static_cast<uint8_t>(cabinet[30]) | static_cast<uint8_t>(cabinet[31]) << 8;
            for (int name = 0; name < ((flags & 1) ? 2 : 0) + ((flags & 2) ? 2 : 0); ++name)
                at = cabinet.find('\0', at) + 1;
            uint16_t folders = static_cast<uint8_t>(cabinet[26]) | static_cast<uint8_t>(cabinet[27]) << 8;
            for (uint16_t f = 0; f < folders; ++f, at += 8) {
                cabinet[at + 6] = static_cast<char>(type);
                cabinet[at + 7] = static_cast<char>(type >> 8);
            }
        }
    }
};

Set PackSet(const TestSupport::TempFolder& temp) {
    ::CreateDirectoryW((temp / L"source").c_str(), nullptr);
    Set set;
    for (const std::wstring& path : Pack(MixedPayload(), temp / L"source", temp / L"cab", 65536)) {
        Kestlib::ByteVector bytes = Kestlib::FileReadAll(path);
        set.bytes.emplace_back(bytes.begin(), bytes.end());
    }
    return set;
}

}  // namespace

// The check looks at the layout, not at the data: every compression type the
// platform decodes passes (none, MSZIP, Quantum and LZX with their window
// sizes), an unknown one does not.
TEST(CabinetSetCheck, AcceptsEveryCompressionTypeThePlatformDecodes) {
    TestSupport::TempFolder temp;
    Set set = PackSet(temp);
    ASSERT_GE(set.bytes.size(), 3u);
    Cabinet::SetSummary summary = Cabinet::CheckCabinetSet(set.View());
    EXPECT_EQ(summary.files.size(), MixedPayload().size());
    uint64_t total = 0;
    for (const File& file : MixedPayload()) total += file.bytes.size();
    EXPECT_EQ(summary.fileBytes, total);
    for (uint16_t type : {0x0000, 0x0001, 0x0F02, 0x1503}) {
        set.SetCompression(type);
        EXPECT_NO_THROW(Cabinet::CheckCabinetSet(set.View())) << type;
    }
    set.SetCompression(0x0004);
    try {
        Cabinet::CheckCabinetSet(set.View());
        ADD_FAILURE() << "an unknown compression type passed";
    } catch (const std::runtime_error& error) {
        EXPECT_EQ(std::string(error.what()), "SETUP_1.CAB: folder 0 uses the unknown compression type 4");
    }
}

TEST(CabinetSetCheck, ComparableNamesFollowTheFileSystem) {
    EXPECT_EQ(Cabinet::ComparableName(L"Docs/read.me. "), L"DOCS\\READ.ME");
    EXPECT_EQ(Cabinet::ComparableName(L"setup_1.cab"), Cabinet::ComparableName(L"SETUP_1.CAB."));
    EXPECT_NE(Cabinet::ComparableName(L"sub\\SETUP_1.CAB"), Cabinet::ComparableName(L"SETUP_1.CAB"));
}

TEST(PayloadManifest, TextHasOneLinePerFileAfterItsFormatLine) {
    std::vector<ManifestEntry> entries = {{L"a.txt", 5, 0x0000abcd}, {L"docs\\\u00fc b.txt", 4294967296ULL, 0xffffffff}};
    EXPECT_EQ(ManifestText(entries), "crc32\r\n5 0000abcd a.txt\r\n4294967296 ffffffff docs\\\xc3\xbc b.txt");
}
