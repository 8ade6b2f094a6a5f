#include <gtest/gtest.h>

#include "lib/SystemError.h"
#include "lib/TextConversion.h"
#include "lib/Version.h"
#include "tests/support/Expect.h"
#include "tests/support/TestEnvironment.h"

using namespace Kestlib;

namespace {

std::wstring Program(const std::wstring& name) { return TestSupport::BinDirectory() + name; }

// The platform's code differs between systems (resource type or resource data
// not found); the context and a platform message must be there.
void ExpectPlatformFailure(const std::wstring& path, const std::wstring& context) {
    const std::string expected = WideToAnsi(L" - " + context + L": ");
    try {
        FileVersionInfo info(path);
        ADD_FAILURE() << "no exception";
    } catch (const std::exception& e) {
        const std::string message = e.what();
        EXPECT_EQ(message.substr(0, 6), "0x8007") << message;
        const size_t at = message.find(expected);
        ASSERT_NE(at, std::string::npos) << message;
        EXPECT_GT(message.size(), at + expected.size()) << "no platform message: " << message;
    }
}

}  // namespace

TEST(FileVersionInfo, ReadsFixedInfoAndTheOneTranslation) {
    FileVersionInfo info(Program(L"ver_resource.exe"));
    EXPECT_EQ(info.fixedInfo.dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(info.fixedInfo.dwFileVersionMS, 0x00010002u);
    EXPECT_EQ(info.fixedInfo.dwFileVersionLS, 0x00030004u);
    EXPECT_EQ(info.fixedInfo.dwProductVersionMS, 0x00090008u);
    EXPECT_EQ(info.translation, 0x04B00407u);  // German, code page 1200
}

TEST(GetFileVersionString, UsesTheFileVersionNotTheProductVersion) {
    EXPECT_EQ(GetFileVersionString(Program(L"ver_resource.exe")), L"1.2.3.4");
}

TEST(FileVersionInfo, FileWithoutVersionResourceFailsAtTheSizeQuery) {
    const std::wstring path = Program(L"os_probe.exe");
    ExpectPlatformFailure(path, L"GetFileVersionInfoSize(" + path + L")");
    EXPECT_THROW_PREFIX(GetFileVersionString(path), "0x8007");
}

TEST(FileVersionInfo, MissingFileFailsWithFileNotFound) {
    TestSupport::TempFolder folder;
    const std::wstring path = folder / L"missing.dll";
    EXPECT_THROW_MESSAGE(FileVersionInfo info(path),
                         WideToAnsi(SystemErrorText(ERROR_FILE_NOT_FOUND, L"GetFileVersionInfoSize(" + path + L")")));
}

TEST(FileVersionInfo, MoreThanOneTranslationIsAnInvalidSize) {
    const std::wstring path = Program(L"ver_two_translations.exe");
    EXPECT_THROW_MESSAGE(FileVersionInfo info(path),
                         WideToAnsi(L"VerQueryValue(" + path + L", \\VarFileInfo\\Translation): invalid size"));
}

TEST(FileVersionInfo, MissingTranslationTableFailsTheTranslationQuery) {
    const std::wstring path = Program(L"ver_no_translation.exe");
    ExpectPlatformFailure(path, L"VerQueryValue(" + path + L", \\VarFileInfo\\Translation)");
}
