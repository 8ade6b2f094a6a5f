#pragma once

#include <windows.h>

#include <string>

#include "components/InstalledCheck.h"
#include "lib/Msi.h"
#include "lib/StringUtils.h"

// Installed when Windows Installer knows a product, by its product code or by
// the upgrade code of its family, optionally with one of its properties in a
// given relation to propertyvalue.
class InstalledCheckProduct : public InstalledCheck {
public:
    bool IsInstalled() const override;
    void Load(const TiXmlElement* element) override;

private:
    // Fills products; returns false when the products, or a product's name or
    // version, could not be read.
    bool FindByProductCode(const GUID& product, Kestlib::GuidList& products) const;
    bool FindByUpgradeCode(const GUID& upgradeCode, Kestlib::GuidList& products) const;
    Kestlib::StringList ReadPropertyValues(const Kestlib::GuidList& products) const;
    bool CompareValues(const Kestlib::StringList& values) const;
    bool DefaultValue() const;

    std::wstring id_type;
    std::wstring id;
    std::wstring propertyname;
    std::wstring comparison;
    std::wstring propertyvalue;
    std::wstring defaultvalue;
};
