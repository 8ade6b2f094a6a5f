#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace Kestlib {

using GuidList = std::vector<GUID>;

// Product codes of every product Windows Installer knows; indexes it cannot
// report are skipped.
GuidList EnumAllProducts();
bool IsProductInstalled(const GUID& product);
// Products installed under one upgrade code (one product family).
GuidList EnumRelatedProducts(const GUID& upgradeCode);
// A product property such as "VersionString"; empty when the product stores none.
std::wstring GetProductInfoValue(const GUID& product, const std::wstring& property);
std::wstring GetProductName(const GUID& product);
std::wstring GetProductVersion(const GUID& product);

}  // namespace Kestlib
