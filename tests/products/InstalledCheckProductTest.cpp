#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "lib/Guid.h"
#include "lib/Handles.h"
#include "lib/Msi.h"
#include "lib/SystemError.h"
#include "lib/TextConversion.h"
#include "tests/base/LogCapture.h"
#include "tests/components/CheckLoading.h"
#include "tests/products/TestPackages.h"
#include "tests/support/Expect.h"

namespace {

std::string Ansi(const std::wstring& text) { return Kestlib::WideToAnsi(text); }

class InstalledCheckProductTest : public InstalledPackagesTest {
protected:
    static std::string Xml(const std::string& idType, const std::string& id, const std::string& comparison,
                           const std::string& propertyvalue = "", const std::string& defaultvalue = "",
                           const std::string& propertyname = "VersionString") {
        return "<installedcheck type=\"check_product\" id_type=\"" + idType + "\" id=\"" + id +
               "\" propertyname=\"" + propertyname + "\" comparison=\"" + comparison + "\" propertyvalue=\"" +
               propertyvalue + "\" defaultvalue=\"" + defaultvalue + "\"/>";
    }
    // A check on one product by its product code.
    static bool ByProduct(const TestPackage& package, const std::string& comparison,
                          const std::string& propertyvalue = "", const std::string& propertyname = "VersionString") {
        return Evaluate(Xml("productcode", Ansi(package.productCode), comparison, propertyvalue, "", propertyname));
    }
    // A check on the family of the two versions by its upgrade code.
    static bool ByFamily(const std::string& comparison, const std::string& propertyvalue = "",
                         const std::string& defaultvalue = "") {
        return Evaluate(Xml("upgradecode", Ansi(FamilyUpgradeCode), comparison, propertyvalue, defaultvalue));
    }

    LogCapture log;
};

TEST_F(InstalledCheckProductTest, ProductCodeNotInstalled) {
    std::string id = Ansi(Family100.productCode);
    EXPECT_FALSE(ByProduct(Family100, "exists"));
    EXPECT_TRUE(log.HasLine("Product id=" + id + " is not installed."));

    EXPECT_TRUE(Evaluate(Xml("productcode", id, "version", "1.0", "True")));
    EXPECT_TRUE(log.HasLine("Product id=" + id + " not found, returning default value: True"));
    EXPECT_FALSE(Evaluate(Xml("productcode", id, "match", "1.0", "")));
    EXPECT_TRUE(log.HasLine("Product id=" + id + " not found, returning default value: False"));
    EXPECT_THROW_MESSAGE(Evaluate(Xml("productcode", id, "match", "1.0", "maybe")), "Invalid boolean value: maybe");
    // "exists" does not look at the default.
    EXPECT_FALSE(Evaluate(Xml("productcode", id, "exists", "", "True")));
}

TEST_F(InstalledCheckProductTest, ProductCodeInstalled) {
    Family100.Install();
    Other.Install();
    std::string id = Ansi(Family100.productCode);
    EXPECT_TRUE(ByProduct(Family100, "exists"));
    EXPECT_TRUE(log.HasLine("Product 'Bootwright Test Family 1.0.0', id=" + id + ", version=1.0.0 is installed"));
    // The id is logged as written; the platform gets the canonical form.
    std::string lower = "{78886b22-3cd9-4c76-99b7-490e416f690d}";
    EXPECT_TRUE(Evaluate(Xml("productcode", lower, "exists")));
    EXPECT_TRUE(log.HasLine("Product 'Bootwright Test Family 1.0.0', id=" + lower + ", version=1.0.0 is installed"));
    EXPECT_FALSE(ByProduct(Family201, "exists"));

    struct Case {
        const char* comparison;
        const char* propertyvalue;
        bool expected;
        const char* verdict;
    } cases[] = {
        {"match", "1.0.0", true, "' matches '"},
        {"match", "1.0", false, "' doesn't match '"},
        {"version", "1.0", true, "' version matches '"},
        {"version", "1.0.1", false, "' version doesn't match '"},
        {"version_eq", "1.0.0.0", true, "' version is equal to '"},
        {"version_eq", "1.1", false, "' version is not equal to '"},
        {"version_lt", "1.0.1", true, "' version lesser match with '"},
        {"version_lt", "1.0", false, "' version no lesser match to '"},
        {"version_le", "1", true, "' version lesser or equal than '"},
        {"version_le", "0.9", false, "' version no lesser or equal match to '"},
        {"version_gt", "0.9.9", true, "' version greater match to '"},
        {"version_gt", "1.0", false, "' version no greater match to '"},
        {"version_ge", "1.0", true, "' version greater or equal match to '"},
        {"version_ge", "2", false, "' version no greater or equal match to '"},
    };
    for (const Case& c : cases) {
        LogCapture caseLog;
        EXPECT_EQ(ByProduct(Family100, c.comparison, c.propertyvalue), c.expected) << c.comparison;
        EXPECT_TRUE(caseLog.HasLine("Product 'Bootwright Test Family 1.0.0', VersionString='1.0.0'"));
        EXPECT_TRUE(caseLog.HasLine(std::string("Check value '") + c.propertyvalue + c.verdict + "1.0.0'"))
            << caseLog.Text();
    }
}

TEST_F(InstalledCheckProductTest, ContainsLooksForPropertyValueInsideTheValue) {
    Other.Install();
    EXPECT_TRUE(ByProduct(Other, "contains", "Test", "ProductName"));
    EXPECT_TRUE(log.HasLine("Check value 'Test' found in 'Bootwright Test Other'"));
    EXPECT_TRUE(ByProduct(Other, "contains", "Bootwright Test Other", "ProductName"));
    EXPECT_FALSE(ByProduct(Other, "contains", "test", "ProductName"));
    EXPECT_TRUE(log.HasLine("Check value 'test' not found in 'Bootwright Test Other'"));
    EXPECT_FALSE(ByProduct(Other, "contains", "Bootwright Test Other 2", "ProductName"));
}

// With no value left, every comparison gives the default: a product is never
// taken as installed because nothing could be read.
TEST_F(InstalledCheckProductTest, PropertyThatCannotBeReadGivesTheDefaultValue) {
    Other.Install();
    std::string id = Ansi(Other.productCode);
    EXPECT_FALSE(ByProduct(Other, "match", "x", "NoSuchProperty"));
    std::string error = Ansi(Kestlib::SystemErrorText(
        ERROR_UNKNOWN_PROPERTY, std::wstring(L"MsiGetProductInfo (") + Other.productCode + L", NoSuchProperty)"));
    EXPECT_TRUE(log.HasLine("Warning: product id=" + id + "GetProperty(NoSuchProperty) - " + error)) << log.Text();
    EXPECT_TRUE(log.HasLine("Product id=" + id + ": NoSuchProperty could not be read, returning default value: False"));
    for (const char* comparison : {"match", "version", "contains"}) {
        EXPECT_TRUE(Evaluate(Xml("productcode", id, comparison, "1.0", "True", "NoSuchProperty"))) << comparison;
        EXPECT_FALSE(Evaluate(Xml("productcode", id, comparison, "1.0", "False", "NoSuchProperty"))) << comparison;
    }
    EXPECT_TRUE(log.HasLine("Product id=" + id + ": NoSuchProperty could not be read, returning default value: True"));
    EXPECT_FALSE(log.HasLine("Product id=" + id + " not found, returning default value: False"));
}

// Moves a product's installation properties, where Windows Installer keeps its
// version, aside while it lives, so that the product is listed but its version
// cannot be read.
class HiddenInstallProperties {
public:
    explicit HiddenInstallProperties(const TestPackage& package)
        : m_path(L"Software\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-18\\Products\\" +
                 PackedGuid(package.productCode)) {
        Kestlib::RegistryKey product = Open(m_path);
        Kestlib::RegistryKey backup = Open(BackupPath());
        Expect(::RegCopyTreeW(product.Get(), L"InstallProperties", backup.Get()));
        Expect(::RegDeleteTreeW(product.Get(), L"InstallProperties"));
    }
    ~HiddenInstallProperties() {
        Kestlib::RegistryKey properties = Open(m_path + L"\\InstallProperties");
        Kestlib::RegistryKey backup = Open(BackupPath());
        ::RegCopyTreeW(backup.Get(), nullptr, properties.Get());
        ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, BackupPath().c_str());
    }
    HiddenInstallProperties(const HiddenInstallProperties&) = delete;
    HiddenInstallProperties& operator=(const HiddenInstallProperties&) = delete;

private:
    // The registry form of a GUID: each of the first three groups reversed,
    // then the characters of each remaining byte swapped.
    static std::wstring PackedGuid(const std::wstring& guid) {
        std::wstring hex;
        for (wchar_t c : guid) {
            if (c != L'{' && c != L'}' && c != L'-') hex += c;
        }
        std::wstring packed(hex.rbegin() + 24, hex.rend());
        packed += std::wstring(hex.rbegin() + 20, hex.rbegin() + 24);
        packed += std::wstring(hex.rbegin() + 16, hex.rbegin() + 20);
        for (size_t i = 16; i < 32; i += 2) {
            packed += hex[i + 1];
            packed += hex[i];
        }
        return packed;
    }
    static std::wstring BackupPath() {
        return L"Software\\BootwrightTests\\InstallProperties-" + std::to_wstring(::GetCurrentProcessId());
    }
    static Kestlib::RegistryKey Open(const std::wstring& path) {
        Kestlib::RegistryKey key;
        Expect(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                 key.Receive(), nullptr));
        return key;
    }
    static void Expect(LONG result) {
        if (result != ERROR_SUCCESS) throw std::runtime_error("registry call failed: " + std::to_string(result));
    }

    std::wstring m_path;
};

TEST_F(InstalledCheckProductTest, UnreadableVersionGivesTheDefaultValue) {
    Family100.Install();
    Family201.Install();
    std::string id = Ansi(Family100.productCode);
    std::string upgrade = Ansi(FamilyUpgradeCode);
    {
        HiddenInstallProperties hidden(Family100);
        EXPECT_TRUE(Kestlib::IsProductInstalled(Family100.Product()));
        std::string error;
        try {
            Kestlib::GetProductVersion(Family100.Product());
        } catch (const std::exception& e) {
            error = e.what();
        }
        ASSERT_FALSE(error.empty());

        // Even "exists" gives the default, although the product is there.
        EXPECT_FALSE(Evaluate(Xml("productcode", id, "exists", "", "False")));
        EXPECT_TRUE(log.HasLine("Warning: product id=" + id + "GetProductName/Version - " + error)) << log.Text();
        EXPECT_TRUE(Evaluate(Xml("productcode", id, "version", "9.0", "True")));
        EXPECT_FALSE(Evaluate(Xml("productcode", id, "version", "1.0", "")));
        EXPECT_THROW_MESSAGE(Evaluate(Xml("productcode", id, "exists", "", "yes")), "Invalid boolean value: yes");

        // The other product of the family is still read and logged.
        LogCapture familyLog;
        EXPECT_FALSE(ByFamily("version", "1.0", "False"));
        EXPECT_TRUE(ByFamily("version", "9.0", "True"));
        EXPECT_TRUE(familyLog.HasLine("Warning: product id=" + id + "GetProductName/Version - " + error));
        EXPECT_TRUE(familyLog.HasLine("Product 'Bootwright Test Family 2.0.1', id=" + Ansi(Family201.productCode) +
                                      ", upgradecode=" + upgrade + ", version=2.0.1 found"));
    }
    EXPECT_EQ(Kestlib::GetProductVersion(Family100.Product()), L"1.0.0");
}

TEST_F(InstalledCheckProductTest, ComparisonErrors) {
    Other.Install();
    EXPECT_THROW_MESSAGE(ByProduct(Other, "bogus", "1"), "Invalid comparison: bogus");
    EXPECT_THROW_MESSAGE(ByProduct(Other, "", "1"), "Invalid comparison: ");
    EXPECT_THROW_MESSAGE(ByProduct(Other, "Match", "3.5.0"), "Invalid comparison: Match");
    EXPECT_THROW_MESSAGE(ByProduct(Other, "version", "3.x"), "Invalid version format: 3.x");
}

TEST_F(InstalledCheckProductTest, UpgradeCodeWithTwoProducts) {
    std::string upgrade = Ansi(FamilyUpgradeCode);
    EXPECT_FALSE(ByFamily("exists"));
    EXPECT_TRUE(ByFamily("version", "1.0", "True"));
    EXPECT_TRUE(log.HasLine("Product id=" + upgrade + " not found, returning default value: True"));

    // Wine's uninstall removes the registration of the whole upgrade code, so
    // the family grows here and never shrinks.
    Family201.Install();
    EXPECT_TRUE(ByFamily("match", "2.0.1"));
    EXPECT_FALSE(ByFamily("version_lt", "2.0"));

    Family100.Install();
    EXPECT_TRUE(ByFamily("exists"));
    EXPECT_TRUE(log.HasLine("Product 'Bootwright Test Family 1.0.0', id=" + Ansi(Family100.productCode) +
                            ", upgradecode=" + upgrade + ", version=1.0.0 found"));
    EXPECT_TRUE(log.HasLine("Product 'Bootwright Test Family 2.0.1', id=" + Ansi(Family201.productCode) +
                            ", upgradecode=" + upgrade + ", version=2.0.1 found"));

    // One passing product is enough for every comparison but "match".
    EXPECT_TRUE(ByFamily("version_ge", "2.0"));
    EXPECT_TRUE(ByFamily("version_lt", "2.0"));
    EXPECT_FALSE(ByFamily("version_gt", "2.0.1"));
    EXPECT_TRUE(ByFamily("contains", "2.0"));
    LogCapture matchLog;
    EXPECT_FALSE(ByFamily("match", "2.0.1"));
    EXPECT_TRUE(matchLog.HasLine("Check value '2.0.1' doesn't match '1.0.0'"));
}

TEST_F(InstalledCheckProductTest, UnrelatedUpgradeCodeFindsNothing) {
    Other.Install();
    EXPECT_FALSE(ByFamily("exists"));
    EXPECT_FALSE(ByFamily("match", "3.5.0"));
    EXPECT_TRUE(Evaluate(Xml("upgradecode", Ansi(OtherUpgradeCode), "match", "3.5.0")));
}

TEST_F(InstalledCheckProductTest, LoadLogsTheExpandedId) {
    ::SetEnvironmentVariableW(L"BWT_PRODUCT", Other.productCode);
    InstalledCheckPtr check = LoadCheck(Xml("productcode", "%BWT_PRODUCT%", "exists"));
    EXPECT_TRUE(log.HasLine("Loaded 'product' installed check '" + Ansi(Other.productCode) + "'"));
    EXPECT_FALSE(check->IsInstalled());
}

// The GUID is read first, so a bad id fails whatever the id type is.
TEST_F(InstalledCheckProductTest, MalformedIdsAndIdTypes) {
    std::string noBraces = "78886B22-3CD9-4C76-99B7-490E416F690D";
    std::string typo = "{78886B22-3CD9-4C76-99B7-490E416F690X}";
    for (const std::string& id : {noBraces, typo, std::string("")}) {
        std::string expected;
        try {
            Kestlib::StringToGuid(Kestlib::AnsiToWide(id));
        } catch (const std::exception& e) {
            expected = e.what();
        }
        ASSERT_FALSE(expected.empty()) << id;
        for (const char* idType : {"productcode", "upgradecode", "ProductCode"}) {
            EXPECT_THROW_MESSAGE(Evaluate(Xml(idType, id, "exists")), expected);
        }
    }
    std::string id = Ansi(Family100.productCode);
    EXPECT_THROW_MESSAGE(Evaluate(Xml("ProductCode", id, "exists")), "Invalid id_type: ProductCode");
    EXPECT_THROW_MESSAGE(Evaluate(Xml("", id, "exists")), "Invalid id_type: ");
}

}  // namespace
