#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "base/Lcid.h"
#include "base/ProcessorArchitecture.h"
#include "lib/FileOps.h"
#include "lib/SystemError.h"
#include "lib/TextConversion.h"
#include "tests/support/Expect.h"

TEST(ProcessorArchitecture, NativeProcessIsX64WithoutWow64) {
    EXPECT_FALSE(IsWow64());
    EXPECT_EQ(GetProcessorArchitecture(), PROCESSOR_ARCHITECTURE_AMD64);
    EXPECT_EQ(ProcessorArchitectureName(GetProcessorArchitecture()), L"x64");
}

TEST(ProcessorArchitecture, NamesAndIdsMatchThePlatformValues) {
    const std::pair<int, const wchar_t*> table[] = {
        {PROCESSOR_ARCHITECTURE_INTEL, L"x86"},   {PROCESSOR_ARCHITECTURE_MIPS, L"mips"},
        {PROCESSOR_ARCHITECTURE_ALPHA, L"alpha"}, {PROCESSOR_ARCHITECTURE_PPC, L"ppc"},
        {PROCESSOR_ARCHITECTURE_SHX, L"shx"},     {PROCESSOR_ARCHITECTURE_ARM, L"arm"},
        {PROCESSOR_ARCHITECTURE_IA64, L"ia64"},   {PROCESSOR_ARCHITECTURE_ALPHA64, L"alpha64"},
        {PROCESSOR_ARCHITECTURE_MSIL, L"msil"},   {PROCESSOR_ARCHITECTURE_AMD64, L"x64"},
        {PROCESSOR_ARCHITECTURE_IA32_ON_WIN64, L"ia32onwin64"},
    };
    for (const auto& row : table) {
        EXPECT_EQ(ProcessorArchitectureName(row.first), row.second);
        EXPECT_EQ(ParseProcessorArchitecture(row.second), row.first);
    }
}

TEST(ProcessorArchitecture, UnknownNamesAndIdsFail) {
    EXPECT_THROW_MESSAGE(ParseProcessorArchitecture(L"X86"), "Invalid processor architecture: X86");
    EXPECT_THROW_MESSAGE(ParseProcessorArchitecture(L"x64 "), "Invalid processor architecture: x64 ");
    EXPECT_THROW_MESSAGE(ParseProcessorArchitecture(L"amd64"), "Invalid processor architecture: amd64");
    EXPECT_THROW_MESSAGE(ParseProcessorArchitecture(L""), "Invalid processor architecture: ");
    EXPECT_THROW_MESSAGE(ProcessorArchitectureName(11), "Invalid processor architecture: 11");
    EXPECT_THROW_MESSAGE(ProcessorArchitectureName(-1), "Invalid processor architecture: -1");
    EXPECT_THROW_MESSAGE(ProcessorArchitectureName(PROCESSOR_ARCHITECTURE_UNKNOWN),
                         "Invalid processor architecture: 65535");
}

TEST(LcidType, ParsesExactNamesAndEmptyMeansUser) {
    EXPECT_EQ(ParseLcidType(L""), LcidTypeUser);
    EXPECT_EQ(ParseLcidType(L"User"), LcidTypeUser);
    EXPECT_EQ(ParseLcidType(L"System"), LcidTypeSystem);
    EXPECT_EQ(ParseLcidType(L"UserExe"), LcidTypeUserExe);
    for (int type : {LcidTypeUserExe, LcidTypeSystem, LcidTypeUser})
        EXPECT_EQ(ParseLcidType(LcidTypeName(type)), type);
}

TEST(LcidType, OtherTextsAndValuesFail) {
    EXPECT_THROW_MESSAGE(ParseLcidType(L"user"), "Invalid LCID type: user");
    EXPECT_THROW_MESSAGE(ParseLcidType(L"SYSTEM"), "Invalid LCID type: SYSTEM");
    EXPECT_THROW_MESSAGE(ParseLcidType(L" User"), "Invalid LCID type:  User");
    EXPECT_THROW_MESSAGE(ParseLcidType(L"1033"), "Invalid LCID type: 1033");
    EXPECT_THROW_MESSAGE(LcidTypeName(3), "Invalid LCID type: 3");
    EXPECT_THROW_MESSAGE(LcidTypeName(-1), "Invalid LCID type: -1");
}

// The test runner fixes the locale to en_US for the whole Wine process.
TEST(GetLcid, UserAndSystemFollowTheLocale) {
    EXPECT_EQ(GetLcid(LcidTypeUser), 1033u);
    EXPECT_EQ(GetLcid(LcidTypeSystem), 1033u);
    EXPECT_EQ(GetLcid(ParseLcidType(L"")), static_cast<unsigned long>(::GetUserDefaultLCID()));
    EXPECT_EQ(GetLcid(LcidTypeSystem), static_cast<unsigned long>(::GetSystemDefaultLCID()));
}

// A 64-bit system folder (and a 64-bit Wine prefix) has no user.exe: the
// language the system was installed in then comes from the system itself.
TEST(GetLcid, UserExeReadsTheLanguageOfUserExe) {
    const std::wstring path = Kestlib::PathCombine(Kestlib::GetSystemDirectory(), L"user.exe");
    if (Kestlib::FileExists(path)) {
        const unsigned long lcid = GetLcid(LcidTypeUserExe);
        EXPECT_NE(lcid, 0u);
        EXPECT_LT(lcid, 0x10000u);
    } else {
        EXPECT_EQ(GetLcid(LcidTypeUserExe), static_cast<unsigned long>(::GetSystemDefaultUILanguage()));
    }
}
