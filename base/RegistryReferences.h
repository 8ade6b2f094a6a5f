#pragma once

#include <windows.h>

#include <string>

#include "lib/Registry.h"

// The parts of a reference "ROOT[:VIEW]\key\...\value[,default]", the text
// between "@[" and "]".
struct RegistryReference {
    HKEY root = nullptr;
    bool hasViewOption = false;     // a ':' follows the root name
    std::wstring viewOption;
    std::wstring key;
    std::wstring valueName;         // empty: the key's default value
    bool hasDefault = false;        // a ',' follows the path
    std::wstring defaultValue;      // everything after the first ','
};

// Splits a reference without touching the registry; text is the whole text
// being expanded, quoted by the failure messages.
RegistryReference ParseRegistryReference(const std::wstring& reference, const std::wstring& text);

// The registry view to read with. The option is honoured only from Windows XP
// (operating system id 75) on; earlier systems have one view and ignore it unchecked.
Kestlib::WowOption RegistryReferenceView(const RegistryReference& reference, int operatingSystem,
                                         const std::wstring& text);

// Replaces each @[reference] by the registry value it names, or by its default
// when the key or value is missing; "@[]" stays as it is.
std::wstring ExpandRegistryReferences(const std::wstring& text);
