#pragma once

#include <string>
#include <vector>

// The payload's segments live in a section of their own at the end of the
// setup executable, so that packaging streams them from disk: the platform's
// resource update would hold every segment in memory until it commits. The
// resource update writes a small stand-in for each segment; Append then
// copies the segment files into the new section and points the segments'
// resource entries at them. The loader and the resource calls find a
// resource's data wherever its entry points in the image.
namespace PayloadSection {

// Takes away a payload section an earlier packaging left at the end of the
// executable (and any signature after it), so the file is a plain
// bootstrapper again before its resources are rewritten.
void Remove(const std::wstring& executable);

// Copies the files, in order, into a new last section (none without files),
// points the resource entries type/segmentNames[i] (every language) at them,
// clears the resource directories' time stamps and writes the file's
// checksum: the same input gives the same file.
void Append(const std::wstring& executable, const std::wstring& type, const std::vector<std::wstring>& segmentNames,
            const std::vector<std::wstring>& files);

}  // namespace PayloadSection
