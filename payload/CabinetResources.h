#pragma once

#include <windows.h>

#include <string>

#include "lib/StringUtils.h"

// The payload's resources in the setup executable.
const wchar_t CabResourceType[] = L"RES_CAB";
const wchar_t CabSegmentPrefix[] = L"SETUP_";
const wchar_t CabListResourceType[] = L"CUSTOM";
const wchar_t CabListResourceName[] = L"RES_CAB_LIST";
const wchar_t CabManifestResourceType[] = L"CUSTOM";
const wchar_t CabManifestResourceName[] = L"RES_CAB_MANIFEST";
const wchar_t BannerResourceType[] = L"CUSTOM";
const wchar_t BannerResourceName[] = L"RES_BANNER";

// "SETUP_" + index, the resource name of a segment; + ".CAB" is its file name.
std::wstring SegmentName(int index);

// The number of consecutive segments from "SETUP_1" up; 0 when there is none.
int CountSegments(HMODULE module);

// The packaged list of the payload's files, one entry per line.
Kestlib::StringList ListContents(HMODULE module);

// A resource's bytes where the loader mapped them: segments are tens of
// megabytes and are written straight from there. Fails with the texts of
// LoadResourceData.
struct ResourceBytes {
    const char* data = nullptr;
    DWORD size = 0;
};
ResourceBytes LockResourceBytes(HMODULE module, const std::wstring& name, const std::wstring& type);
