#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace Kestlib {

using GuidList = std::vector<GUID>;

// Product codes of every product Windows Installer knows; an index it cannot
// report is skipped, but an enumeration that fails at this many indexes in a
// row is broken and throws instead of walking every possible index.
const unsigned MaxConsecutiveEnumErrors = 64;
GuidList EnumAllProducts();
// The same walk over any source of product codes by index (the platform's
// enumeration in EnumAllProducts).
using ProductAtIndex = std::function<UINT(DWORD index, wchar_t* buffer)>;
GuidList EnumProducts(const ProductAtIndex& productAt);
bool IsProductInstalled(const GUID& product);
// Products installed under one upgrade code (one product family).
GuidList EnumRelatedProducts(const GUID& upgradeCode);
// A product property such as "VersionString"; empty when the product stores none.
std::wstring GetProductInfoValue(const GUID& product, const std::wstring& property);
std::wstring GetProductName(const GUID& product);
std::wstring GetProductVersion(const GUID& product);

}  // namespace Kestlib
