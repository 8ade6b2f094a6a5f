#pragma once

#include <string>
#include <vector>

#include "packager/VersionResource.h"

// What the packager is asked to do, from its command line.
struct PackagerOptions {
    std::wstring bootstrapper;
    std::wstring configuration;
    std::wstring output;
    std::wstring banner;
    std::wstring icon;
    VersionStrings versionInfo;
    // The manifest's requested execution level; empty keeps the bootstrapper's.
    std::wstring executionLevel;
    unsigned long segmentSize = 16UL * 1024 * 1024;
    bool help = false;
};

// The arguments after the program name; a misuse throws its message.
PackagerOptions ParsePackagerArguments(const std::vector<std::wstring>& arguments);
// Bytes, or a number with a K or M suffix; from 32K to 2047M.
unsigned long ParseSegmentSize(const std::wstring& text);
std::wstring PackagerUsage();
