#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "lib/TextConversion.h"
#include "tests/base/LogCapture.h"
#include "tests/base/ScratchRegistryKey.h"
#include "tests/components/CheckLoading.h"
#include "tests/support/Expect.h"

namespace {

std::string TestName() { return ::testing::UnitTest::GetInstance()->current_test_info()->name(); }

// A registry check on one value of a scratch key under HKEY_CURRENT_USER.
class InstalledCheckRegistryTest : public ::testing::Test {
protected:
    std::string Xml(const std::string& fieldtype, const std::string& comparison, const std::string& fieldvalue,
                    const std::string& fieldname = "Value", const std::string& extra = "") const {
        return "<installedcheck type=\"check_registry_value\" rootkey=\"HKEY_CURRENT_USER\" path=\"" + Path() +
               "\" fieldname=\"" + fieldname + "\" fieldtype=\"" + fieldtype + "\" comparison=\"" + comparison +
               "\" fieldvalue=\"" + fieldvalue + "\" " + extra + "/>";
    }
    bool Check(const std::string& fieldtype, const std::string& comparison, const std::string& fieldvalue) const {
        return Evaluate(Xml(fieldtype, comparison, fieldvalue));
    }
    std::string Path() const { return Kestlib::WideToAnsi(key.Path()); }

    LogCapture log;
    ScratchRegistryKey key{HKEY_CURRENT_USER, Kestlib::AnsiToWide(TestName())};
};

TEST_F(InstalledCheckRegistryTest, StringComparisonsPutFieldValueLeftOfRegistryValue) {
    key.SetString(L"Value", L"2.0.1");
    struct Case {
        const char* comparison;
        const char* fieldvalue;
        bool expected;
    } cases[] = {
        {"match", "2.0.1", true},       {"match", "2.0.1.0", false},  {"match", "2.0", false},
        {"version", "2.0", true},       {"version", "2.0.1", true},   {"version", "2.1", false},
        {"version_eq", "2.0.1.0", true}, {"version_eq", "2.0", false}, {"version_lt", "2.0", true},
        {"version_lt", "2.0.1", false}, {"version_le", "2.0.1", true}, {"version_le", "2.0.2", false},
        {"version_gt", "3", true},      {"version_gt", "2.0.1", false}, {"version_ge", "2.0.1", true},
        {"version_ge", "2.0", false},   {"exists", "", true},          {"exists", "anything", true},
        {"contains", "0.1", true},      {"contains", "2.0.1", true},   {"contains", "2.0.1.", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Check("REG_SZ", c.comparison, c.fieldvalue), c.expected) << c.comparison << " " << c.fieldvalue;
    }
}

TEST_F(InstalledCheckRegistryTest, StringVersionBelowRequiredFails) {
    key.SetString(L"Value", L"1.9");
    EXPECT_FALSE(Check("REG_SZ", "version", "2.0"));
    key.SetString(L"Value", L"2.0.1");
    EXPECT_TRUE(Check("REG_SZ", "version", "2.0"));
}

TEST_F(InstalledCheckRegistryTest, StringErrors) {
    key.SetString(L"Value", L"2.0.1");
    EXPECT_THROW_MESSAGE(Check("REG_SZ", "bogus", "2.0"), "Invalid comparison type: bogus");
    EXPECT_THROW_MESSAGE(Check("REG_SZ", "", "2.0"), "Invalid comparison type: ");
    EXPECT_THROW_MESSAGE(Check("REG_SZ", "Match", "2.0.1"), "Invalid comparison type: Match");
    EXPECT_THROW_MESSAGE(Check("REG_SZ", "version", "2.0a"), "Invalid version format: 2.0a");
    key.SetString(L"Value", L"2.x");
    EXPECT_THROW_MESSAGE(Check("REG_SZ", "version_eq", "2.0"), "Invalid version format: 2.x");
    EXPECT_THROW_MESSAGE(Check("REG_BINARY", "exists", ""), "Unsupported registry type: REG_BINARY");
    EXPECT_THROW_MESSAGE(Check("reg_sz", "exists", ""), "Unsupported registry type: reg_sz");
}

TEST_F(InstalledCheckRegistryTest, DwordComparisonsAreUnsigned) {
    key.SetDword(L"Value", 0xFFFFFFFF);
    EXPECT_TRUE(Check("REG_DWORD", "match", "-1"));
    EXPECT_FALSE(Check("REG_DWORD", "match", "1"));
    // Signed, 1 would be greater than -1; unsigned it is smaller than 4294967295.
    EXPECT_TRUE(Check("REG_DWORD", "version_lt", "1"));
    EXPECT_TRUE(Check("REG_DWORD", "version", "1"));
    EXPECT_FALSE(Check("REG_DWORD", "version_gt", "1"));
    EXPECT_TRUE(Check("REG_DWORD", "version_eq", "-1"));
    EXPECT_TRUE(Check("REG_DWORD", "version_ge", "-1"));
    EXPECT_TRUE(Check("REG_DWORD", "version_le", "-1"));
    EXPECT_FALSE(Check("REG_DWORD", "version_lt", "-1"));
    EXPECT_TRUE(Check("REG_DWORD", "exists", "0"));

    key.SetDword(L"Value", 7);
    EXPECT_TRUE(Check("REG_DWORD", "match", "7"));
    EXPECT_TRUE(Check("REG_DWORD", "version_gt", "8"));
    EXPECT_FALSE(Check("REG_DWORD", "version_gt", "7"));
    EXPECT_TRUE(Check("REG_DWORD", "version_ge", "7"));
    EXPECT_TRUE(Check("REG_DWORD", "version_le", "6"));
    EXPECT_FALSE(Check("REG_DWORD", "version_le", "8"));
    EXPECT_FALSE(Check("REG_DWORD", "version", "8"));
    EXPECT_FALSE(Check("REG_DWORD", "version_eq", "6"));
}

TEST_F(InstalledCheckRegistryTest, DwordErrors) {
    key.SetDword(L"Value", 7);
    // The number is converted before the comparison is looked at.
    EXPECT_THROW_MESSAGE(Check("REG_DWORD", "exists", ""), "Missing number");
    EXPECT_THROW_MESSAGE(Check("REG_DWORD", "match", "7x"), "Invalid number: 7x");
    EXPECT_THROW_MESSAGE(Check("REG_DWORD", "match", "4294967295"), "Invalid number: 4294967295");
    EXPECT_THROW_MESSAGE(Check("REG_DWORD", "contains", "7"), "Invalid comparison type: contains");
    EXPECT_THROW_MESSAGE(Check("REG_DWORD", "bogus", "7"), "Invalid comparison type: bogus");
}

TEST_F(InstalledCheckRegistryTest, MultiStringComparisons) {
    key.SetMultiString(L"Value", std::wstring(L"a\0b\0c\0\0", 7));
    EXPECT_TRUE(Check("REG_MULTI_SZ", "contains", "a,c"));
    EXPECT_TRUE(Check("REG_MULTI_SZ", "contains", "c"));
    EXPECT_FALSE(Check("REG_MULTI_SZ", "contains", "a,d"));
    EXPECT_FALSE(Check("REG_MULTI_SZ", "contains", "b,"));
    EXPECT_FALSE(Check("REG_MULTI_SZ", "match", "a,c"));
    EXPECT_FALSE(Check("REG_MULTI_SZ", "match", "c,b,a"));
    EXPECT_TRUE(Check("REG_MULTI_SZ", "match", "a,b,c"));
    EXPECT_TRUE(Check("REG_MULTI_SZ", "exists", ""));
    for (const char* comparison : {"version", "version_eq", "version_lt", "version_le", "version_gt", "version_ge",
                                   "bogus"}) {
        EXPECT_THROW_MESSAGE(Check("REG_MULTI_SZ", comparison, "1"),
                             std::string("Invalid comparison type: ") + comparison);
    }
}

TEST_F(InstalledCheckRegistryTest, StoredTypeMustMatchFieldType) {
    key.SetDword(L"Value", 7);
    EXPECT_THROW_PREFIX(Check("REG_SZ", "exists", ""), "Error quering '");
    EXPECT_THROW_PREFIX(Check("REG_MULTI_SZ", "exists", ""), "Error quering '");
    key.SetString(L"Value", L"7");
    EXPECT_THROW_PREFIX(Check("REG_DWORD", "exists", "7"), "Error quering '");
}

TEST_F(InstalledCheckRegistryTest, MissingValueOrKeyIsNotInstalledWhateverTheComparison) {
    // Not recorded: the missing value hides the invalid comparison and number.
    for (const char* comparison : {"match", "exists", "bogus", ""}) {
        EXPECT_FALSE(EvaluateUnrecorded(Xml("REG_SZ", comparison, "1")));
        EXPECT_FALSE(EvaluateUnrecorded(Xml("REG_DWORD", comparison, "")));
    }
    EXPECT_TRUE(log.HasLine("*** No registry key found: " + Path() + "\\Value"));
    EXPECT_FALSE(log.HasLine("Registry key found: " + Path() + "\\Value"));

    std::string missingKey = "<installedcheck type=\"check_registry_value\" rootkey=\"HKEY_CURRENT_USER\" "
                             "path=\"" + Path() + "\\Missing\" fieldname=\"Value\" fieldtype=\"REG_SZ\" "
                             "comparison=\"exists\"/>";
    EXPECT_FALSE(Evaluate(missingKey));
    EXPECT_TRUE(log.HasLine("*** No registry key found: " + Path() + "\\Missing\\Value"));
}

TEST_F(InstalledCheckRegistryTest, EmptyFieldNameReadsTheKeysDefaultValue) {
    key.SetString(L"", L"default text");
    EXPECT_TRUE(Evaluate(Xml("REG_SZ", "match", "default text", "")));
    EXPECT_TRUE(Evaluate(Xml("REG_SZ", "contains", "text", "")));
}

TEST_F(InstalledCheckRegistryTest, LogLines) {
    key.SetString(L"Text", L"2.0.1");
    key.SetDword(L"Number", 0xFFFFFFFF);
    key.SetMultiString(L"List", std::wstring(L"a\0b\0c\0\0", 7));

    InstalledCheckPtr check = LoadCheck(Xml("REG_SZ", "version", "2.0", "Text"));
    EXPECT_TRUE(log.HasLine("Loaded 'registry' installed check 'HKEY_CURRENT_USER\\" + Path() + "\\Text'"));
    EXPECT_TRUE(check->IsInstalled());
    EXPECT_TRUE(log.HasLine("Reading Registry: " + Path() + "\\Text"));
    EXPECT_TRUE(log.HasLine("Registry key found: " + Path() + "\\Text"));
    EXPECT_TRUE(log.HasLine("Registry value: 2.0.1"));

    EXPECT_TRUE(Evaluate(Xml("REG_DWORD", "match", "-1", "Number")));
    EXPECT_TRUE(log.HasLine("Registry value: 4294967295"));
    EXPECT_TRUE(log.HasLine("Check value: 4294967295"));

    EXPECT_TRUE(Evaluate(Xml("REG_MULTI_SZ", "contains", "b", "List")));
    EXPECT_TRUE(log.HasLine("Registry value: 3 string(s)"));
}

TEST_F(InstalledCheckRegistryTest, AttributesAreExpanded) {
    key.SetString(L"Value", L"expanded");
    ::SetEnvironmentVariableW(L"BWT_CHECK_KEY", key.Path().c_str());
    ::SetEnvironmentVariableW(L"BWT_CHECK_NAME", L"Value");
    ::SetEnvironmentVariableW(L"BWT_CHECK_TEXT", L"expanded");
    EXPECT_TRUE(Evaluate("<installedcheck type=\"check_registry_value\" rootkey=\"HKEY_CURRENT_USER\" "
                         "path=\"%BWT_CHECK_KEY%\" fieldname=\"%BWT_CHECK_NAME%\" fieldtype=\"REG_SZ\" "
                         "comparison=\"match\" fieldvalue=\"%BWT_CHECK_TEXT%\"/>"));
}

TEST_F(InstalledCheckRegistryTest, UnknownRootKeyFails) {
    key.SetString(L"Value", L"1");
    std::string xml = Xml("REG_SZ", "exists", "");
    std::string shortRoot = xml;
    shortRoot.replace(shortRoot.find("HKEY_CURRENT_USER"), 17, "HKCU");
    EXPECT_THROW_MESSAGE(Evaluate(shortRoot), "Unknown HKEY: HKCU");
}

// The 32-bit view of HKEY_LOCAL_MACHINE\Software is a branch of its own in a 64-bit system.
class InstalledCheckRegistryViewTest : public ::testing::Test {
protected:
    std::string Xml(const std::string& wowoption) const {
        return "<installedcheck type=\"check_registry_value\" rootkey=\"HKEY_LOCAL_MACHINE\" path=\"" +
               Kestlib::WideToAnsi(key32.Path()) +
               "\" fieldname=\"Value\" fieldtype=\"REG_SZ\" comparison=\"match\" fieldvalue=\"32\" wowoption=\"" +
               wowoption + "\"/>";
    }

    LogCapture log;
    ScratchRegistryKey key32{HKEY_LOCAL_MACHINE, Kestlib::AnsiToWide(TestName()), KEY_WOW64_32KEY};
};

TEST_F(InstalledCheckRegistryViewTest, ViewOptionSelectsTheBranch) {
    key32.SetString(L"Value", L"32");
    EXPECT_TRUE(Evaluate(Xml("WOW64_32")));
    EXPECT_TRUE(log.HasLine("Opening 32-bit registry view (KEY_WOW64_32KEY)"));
    EXPECT_FALSE(Evaluate(Xml("WOW64_64")));
    EXPECT_TRUE(log.HasLine("Opening 64-bit registry view (KEY_WOW64_64KEY)"));
    // This test runs as a 64-bit program: its default view is the 64-bit one.
    EXPECT_FALSE(Evaluate(Xml("NONE")));
    EXPECT_FALSE(Evaluate(Xml("")));
}

TEST_F(InstalledCheckRegistryViewTest, ViewOptionIgnoresCase) {
    key32.SetString(L"Value", L"32");
    EXPECT_TRUE(Evaluate(Xml("wow64_32")));
    EXPECT_TRUE(Evaluate(Xml("Wow64_32")));
    EXPECT_FALSE(Evaluate(Xml("wow64_64")));
    EXPECT_FALSE(Evaluate(Xml("none")));
}

TEST_F(InstalledCheckRegistryViewTest, UnknownViewOptionFails) {
    key32.SetString(L"Value", L"32");
    EXPECT_THROW_MESSAGE(Evaluate(Xml("WOW64")), "Invalid WOW option 'WOW64'");
    EXPECT_THROW_MESSAGE(Evaluate(Xml("KEY_WOW64_32KEY")), "Invalid WOW option 'KEY_WOW64_32KEY'");
}

}  // namespace
