#include "components/InstalledCheckProduct.h"

#include <exception>

#include "base/InstallerLog.h"
#include "base/XmlReading.h"
#include "lib/Guid.h"
#include "lib/SystemError.h"
#include "lib/TextConversion.h"
#include "lib/ValueParsing.h"
#include "lib/Version.h"

namespace {

// How a found property value (left) relates to propertyvalue (right), with
// the log verdicts for both outcomes.
struct ProductComparison {
    const wchar_t* name;
    bool (*passes)(const std::wstring& value, const std::wstring& wanted);
    const wchar_t* passed;
    const wchar_t* failed;
};

const ProductComparison Comparisons[] = {
    {L"match", [](const std::wstring& v, const std::wstring& w) { return v == w; }, L"' matches '",
     L"' doesn't match '"},
    {L"contains", [](const std::wstring& v, const std::wstring& w) { return v.find(w) != std::wstring::npos; },
     L"' found in '", L"' not found in '"},
    {L"version", [](const std::wstring& v, const std::wstring& w) { return Kestlib::CompareVersion(v, w) >= 0; },
     L"' version matches '", L"' version doesn't match '"},
    {L"version_eq", [](const std::wstring& v, const std::wstring& w) { return Kestlib::CompareVersion(v, w) == 0; },
     L"' version is equal to '", L"' version is not equal to '"},
    {L"version_lt", [](const std::wstring& v, const std::wstring& w) { return Kestlib::CompareVersion(v, w) < 0; },
     L"' version lesser match with '", L"' version no lesser match to '"},
    {L"version_le", [](const std::wstring& v, const std::wstring& w) { return Kestlib::CompareVersion(v, w) <= 0; },
     L"' version lesser or equal than '", L"' version no lesser or equal match to '"},
    {L"version_gt", [](const std::wstring& v, const std::wstring& w) { return Kestlib::CompareVersion(v, w) > 0; },
     L"' version greater match to '", L"' version no greater match to '"},
    {L"version_ge", [](const std::wstring& v, const std::wstring& w) { return Kestlib::CompareVersion(v, w) >= 0; },
     L"' version greater or equal match to '", L"' version no greater or equal match to '"},
};

std::wstring ErrorText(const std::exception& e) { return Kestlib::AnsiToWide(e.what()); }

}  // namespace

void InstalledCheckProduct::Load(const TiXmlElement* element) {
    XmlReading::CheckElement(element, "installedcheck");
    id_type = XmlReading::Attribute(element, "id_type");
    id = XmlReading::ExpandedAttribute(element, "id");
    propertyname = XmlReading::ExpandedAttribute(element, "propertyname");
    comparison = XmlReading::Attribute(element, "comparison");
    propertyvalue = XmlReading::ExpandedAttribute(element, "propertyvalue");
    defaultvalue = XmlReading::ExpandedAttribute(element, "defaultvalue");
    LOG(L"Loaded 'product' installed check '" << id << L"'");
}

bool InstalledCheckProduct::IsInstalled() const {
    GUID guid = Kestlib::StringToGuid(id);
    Kestlib::GuidList products;
    bool readable = true;
    if (id_type == L"productcode") {
        readable = FindByProductCode(guid, products);
    } else if (id_type == L"upgradecode") {
        readable = FindByUpgradeCode(guid, products);
    } else {
        Kestlib::ThrowError(L"Invalid id_type: " + id_type);
    }

    if (!readable) return DefaultValue();
    if (comparison == L"exists") return !products.empty();
    if (products.empty()) {
        bool result = DefaultValue();
        LOG(L"Product id=" << id << L" not found, returning default value: " << (result ? L"True" : L"False"));
        return result;
    }
    Kestlib::StringList values = ReadPropertyValues(products);
    // Nothing that could be read never counts as installed.
    if (values.empty()) {
        bool result = DefaultValue();
        LOG(L"Product id=" << id << L": " << propertyname << L" could not be read, returning default value: "
                           << (result ? L"True" : L"False"));
        return result;
    }
    return CompareValues(values);
}

bool InstalledCheckProduct::FindByProductCode(const GUID& product, Kestlib::GuidList& products) const {
    bool installed = false;
    try {
        installed = Kestlib::IsProductInstalled(product);
    } catch (const std::exception& e) {
        LOG(L"Warning: product id=" << id << L" could not be looked up - " << ErrorText(e));
        return false;
    }
    if (!installed) {
        LOG(L"Product id=" << id << L" is not installed.");
        return true;
    }
    products.push_back(product);
    try {
        std::wstring version = Kestlib::GetProductVersion(product);
        std::wstring name = Kestlib::GetProductName(product);
        LOG(L"Product '" << name << L"', id=" << id << L", version=" << version << L" is installed");
        return true;
    } catch (const std::exception& e) {
        LOG(L"Warning: product id=" << Kestlib::GuidToString(product) << L"GetProductName/Version - " << ErrorText(e));
        return false;
    }
}

bool InstalledCheckProduct::FindByUpgradeCode(const GUID& upgradeCode, Kestlib::GuidList& products) const {
    products = Kestlib::EnumRelatedProducts(upgradeCode);
    bool readable = true;
    for (const GUID& product : products) {
        std::wstring code = Kestlib::GuidToString(product);
        try {
            std::wstring version = Kestlib::GetProductVersion(product);
            std::wstring name = Kestlib::GetProductName(product);
            LOG(L"Product '" << name << L"', id=" << code << L", upgradecode=" << id << L", version=" << version
                             << L" found");
        } catch (const std::exception& e) {
            LOG(L"Warning: product id=" << code << L"GetProductName/Version - " << ErrorText(e));
            readable = false;
        }
    }
    return readable;
}

Kestlib::StringList InstalledCheckProduct::ReadPropertyValues(const Kestlib::GuidList& products) const {
    Kestlib::StringList values;
    for (const GUID& product : products) {
        try {
            std::wstring value = Kestlib::GetProductInfoValue(product, propertyname);
            LOG(L"Product '" << Kestlib::GetProductName(product) << L"', " << propertyname << L"='" << value << L"'");
            values.push_back(value);
        } catch (const std::exception& e) {
            LOG(L"Warning: product id=" << Kestlib::GuidToString(product) << L"GetProperty(" << propertyname
                                        << L") - " << ErrorText(e));
        }
    }
    return values;
}

bool InstalledCheckProduct::CompareValues(const Kestlib::StringList& values) const {
    for (const ProductComparison& candidate : Comparisons) {
        if (comparison != candidate.name) continue;
        // "match" needs every value to pass, the others one passing value.
        bool all = comparison == L"match";
        for (const std::wstring& value : values) {
            bool passes = candidate.passes(value, propertyvalue);
            LOG(L"Check value '" << propertyvalue << (passes ? candidate.passed : candidate.failed) << value << L"'");
            if (passes != all) return passes;
        }
        return all;
    }
    Kestlib::ThrowError(L"Invalid comparison: " + comparison);
}

bool InstalledCheckProduct::DefaultValue() const { return Kestlib::ParseBool(defaultvalue, false); }
