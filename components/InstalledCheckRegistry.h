#pragma once

#include <windows.h>

#include <string>

#include "components/InstalledCheck.h"

// Installed when a registry value exists and stands in a given relation to
// fieldvalue (fieldvalue on the left, the registry value on the right).
class InstalledCheckRegistry : public InstalledCheck {
public:
    bool IsInstalled() const override;
    void Load(const TiXmlElement* element) override;

private:
    DWORD View() const;
    bool CompareDWORD(DWORD registryValue) const;
    bool CompareString(const std::wstring& registryValue) const;
    bool CompareMultiString(HKEY root, DWORD view) const;
    [[noreturn]] void ThrowInvalidComparison() const;

    std::wstring fieldname;
    std::wstring fieldtype;
    std::wstring fieldvalue;
    std::wstring path;
    std::wstring comparison;
    std::wstring rootkey;
    std::wstring wowoption;
};
