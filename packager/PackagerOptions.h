#pragma once

#include <string>
#include <vector>

#include <windows.h>

#include "packager/FolderCoder.h"
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
    Cabinet::Compression compression;
    // File times after latestTime are stored as it (SOURCE_DATE_EPOCH).
    bool limitTimes = false;
    FILETIME latestTime = {};
    bool help = false;
};

// The arguments after the program name; a misuse throws its message.
PackagerOptions ParsePackagerArguments(const std::vector<std::wstring>& arguments);
// Bytes, or a number with a K or M suffix; from 36K to 2047M.
unsigned long ParseSegmentSize(const std::wstring& text);
// "lzx", "mszip" or "none".
Cabinet::Compression ParseCompression(const std::wstring& text);
// 15 to 21.
int ParseLzxWindow(const std::wstring& text);
// The value of SOURCE_DATE_EPOCH: seconds since 1970-01-01 00:00 UTC.
void SetSourceDateEpoch(PackagerOptions& options, const std::wstring& text);
std::wstring PackagerUsage();
