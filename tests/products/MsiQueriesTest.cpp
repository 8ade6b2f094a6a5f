#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "lib/Guid.h"
#include "lib/Msi.h"
#include "lib/SystemError.h"
#include "lib/TextConversion.h"
#include "tests/products/TestPackages.h"
#include "tests/support/Expect.h"

namespace {

using MsiQueriesTest = InstalledPackagesTest;

bool Contains(const Kestlib::GuidList& list, const GUID& guid) {
    return std::any_of(list.begin(), list.end(), [&guid](const GUID& item) { return ::IsEqualGUID(item, guid); });
}

std::string ErrorText(long code, const std::wstring& context) {
    return Kestlib::WideToAnsi(Kestlib::SystemErrorText(code, context));
}

TEST_F(MsiQueriesTest, InstalledProductsAreReported) {
    Family100.Install();
    Other.Install();

    Kestlib::GuidList all = Kestlib::EnumAllProducts();
    EXPECT_TRUE(Contains(all, Family100.Product()));
    EXPECT_TRUE(Contains(all, Other.Product()));
    EXPECT_FALSE(Contains(all, Family201.Product()));
    EXPECT_TRUE(Kestlib::IsProductInstalled(Family100.Product()));
    EXPECT_TRUE(Kestlib::IsProductInstalled(Other.Product()));
    EXPECT_FALSE(Kestlib::IsProductInstalled(Family201.Product()));

    EXPECT_EQ(Kestlib::GetProductName(Family100.Product()), Family100.name);
    EXPECT_EQ(Kestlib::GetProductVersion(Family100.Product()), L"1.0.0");
    EXPECT_EQ(Kestlib::GetProductName(Other.Product()), Other.name);
    EXPECT_EQ(Kestlib::GetProductVersion(Other.Product()), L"3.5.0");
    EXPECT_EQ(Kestlib::GetProductInfoValue(Other.Product(), L"Publisher"), L"Bootwright Tests");

    Kestlib::GuidList family = Kestlib::EnumRelatedProducts(Kestlib::StringToGuid(FamilyUpgradeCode));
    ASSERT_EQ(family.size(), 1u);
    EXPECT_TRUE(::IsEqualGUID(family[0], Family100.Product()));
    Kestlib::GuidList other = Kestlib::EnumRelatedProducts(Kestlib::StringToGuid(OtherUpgradeCode));
    ASSERT_EQ(other.size(), 1u);
    EXPECT_TRUE(::IsEqualGUID(other[0], Other.Product()));

    Family201.Install();
    family = Kestlib::EnumRelatedProducts(Kestlib::StringToGuid(FamilyUpgradeCode));
    EXPECT_EQ(family.size(), 2u);
    EXPECT_TRUE(Contains(family, Family100.Product()));
    EXPECT_TRUE(Contains(family, Family201.Product()));

    Family100.Uninstall();
    EXPECT_FALSE(Kestlib::IsProductInstalled(Family100.Product()));
    EXPECT_TRUE(Kestlib::IsProductInstalled(Family201.Product()));
}

TEST_F(MsiQueriesTest, UnknownPropertyFailsWithTheProductAndProperty) {
    Other.Install();
    EXPECT_THROW_MESSAGE(Kestlib::GetProductInfoValue(Other.Product(), L"NoSuchProperty"),
                         ErrorText(ERROR_UNKNOWN_PROPERTY,
                                   std::wstring(L"MsiGetProductInfo (") + Other.productCode + L", NoSuchProperty)"));
}

TEST_F(MsiQueriesTest, ProductsThatAreNotInstalled) {
    EXPECT_FALSE(Kestlib::IsProductInstalled(Family100.Product()));
    EXPECT_FALSE(Kestlib::IsProductInstalled(Other.Product()));
    EXPECT_TRUE(Kestlib::EnumRelatedProducts(Kestlib::StringToGuid(FamilyUpgradeCode)).empty());
    EXPECT_THROW_MESSAGE(Kestlib::GetProductName(Family100.Product()),
                         ErrorText(ERROR_UNKNOWN_PRODUCT,
                                   std::wstring(L"MsiGetProductInfo (") + Family100.productCode + L", ProductName)"));
    EXPECT_THROW_MESSAGE(
        Kestlib::GetProductVersion(Family100.Product()),
        ErrorText(ERROR_UNKNOWN_PRODUCT, std::wstring(L"MsiGetProductInfo (") + Family100.productCode + L", VersionString)"));
}

}  // namespace
