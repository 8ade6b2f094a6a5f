#include "lib/Msi.h"

#include <msi.h>

#include "lib/Guid.h"
#include "lib/SystemError.h"
#include "lib/SystemLibrary.h"

namespace Kestlib {

namespace {

// A GUID in braces with its terminator.
const DWORD GuidBufferLength = 39;

// Windows Installer's library, loaded on first use and kept for the process.
struct MsiFunctions {
    SystemLibrary library{L"msi.dll"};
    decltype(&::MsiEnumProductsW) enumProducts = library.Entry<decltype(enumProducts)>("MsiEnumProductsW");
    decltype(&::MsiEnumRelatedProductsW) enumRelatedProducts =
        library.Entry<decltype(enumRelatedProducts)>("MsiEnumRelatedProductsW");
    decltype(&::MsiGetProductInfoW) getProductInfo = library.Entry<decltype(getProductInfo)>("MsiGetProductInfoW");
};

const MsiFunctions& Msi() {
    static const MsiFunctions functions;
    return functions;
}

}  // namespace

GuidList EnumAllProducts() {
    const MsiFunctions& msi = Msi();
    return EnumProducts([&msi](DWORD index, wchar_t* buffer) { return msi.enumProducts(index, buffer); });
}

GuidList EnumProducts(const ProductAtIndex& productAt) {
    GuidList products;
    unsigned failures = 0;
    for (DWORD index = 0;; ++index) {
        wchar_t buffer[GuidBufferLength] = {};
        UINT result = productAt(index, buffer);
        if (result == ERROR_NO_MORE_ITEMS) break;
        if (result == ERROR_SUCCESS) {
            products.push_back(StringToGuid(buffer));
            failures = 0;
        } else if (++failures == MaxConsecutiveEnumErrors) {
            ThrowSystemError(static_cast<long>(result),
                             L"MsiEnumProducts (" + std::to_wstring(failures) + L" failures in a row up to index " +
                                 std::to_wstring(index) + L")");
        }
    }
    return products;
}

bool IsProductInstalled(const GUID& product) {
    for (const GUID& installed : EnumAllProducts()) {
        if (::IsEqualGUID(installed, product)) return true;
    }
    return false;
}

GuidList EnumRelatedProducts(const GUID& upgradeCode) {
    const MsiFunctions& msi = Msi();
    std::wstring code = GuidToString(upgradeCode);
    GuidList products;
    for (DWORD index = 0;; ++index) {
        wchar_t buffer[GuidBufferLength] = {};
        UINT result = msi.enumRelatedProducts(code.c_str(), 0, index, buffer);
        if (result == ERROR_NO_MORE_ITEMS) break;
        if (result != ERROR_SUCCESS)
            ThrowSystemError(static_cast<long>(result), L"MsiEnumRelatedProducts (" + code + L")");
        products.push_back(StringToGuid(buffer));
    }
    return products;
}

std::wstring GetProductInfoValue(const GUID& product, const std::wstring& property) {
    const MsiFunctions& msi = Msi();
    std::wstring code = GuidToString(product);
    std::wstring context = L"MsiGetProductInfo (" + code + L", " + property + L")";
    DWORD size = 0;
    UINT result = msi.getProductInfo(code.c_str(), property.c_str(), nullptr, &size);
    if (result != ERROR_SUCCESS && result != ERROR_MORE_DATA) ThrowSystemError(static_cast<long>(result), context);
    if (size == 0) return std::wstring();
    std::vector<wchar_t> buffer(size + 1);
    DWORD capacity = size + 1;
    result = msi.getProductInfo(code.c_str(), property.c_str(), buffer.data(), &capacity);
    if (result != ERROR_SUCCESS) ThrowSystemError(static_cast<long>(result), context);
    // The value may have shrunk between the two calls.
    return std::wstring(buffer.data(), capacity < size ? capacity : size);
}

std::wstring GetProductName(const GUID& product) { return GetProductInfoValue(product, L"ProductName"); }

std::wstring GetProductVersion(const GUID& product) { return GetProductInfoValue(product, L"VersionString"); }

}  // namespace Kestlib
