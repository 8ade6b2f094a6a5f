#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "lib/FileOps.h"

// An .ico file as an executable carries it: one RT_ICON resource per image
// and an RT_GROUP_ICON directory that names them by id.
class IconFile {
public:
    // Reads and checks the file; a malformed one throws a message that says why.
    explicit IconFile(const std::wstring& path);

    size_t Count() const { return m_images.size(); }
    const Kestlib::ByteVector& Image(size_t index) const { return m_images[index].bytes; }
    // The group directory, image i under ids[i].
    Kestlib::ByteVector GroupDirectory(const std::vector<WORD>& ids) const;

    // The image ids a group directory names.
    static std::vector<WORD> GroupIds(const Kestlib::ByteVector& group);

private:
    struct Entry {
        BYTE width, height, colors;
        WORD planes, bitCount;
        Kestlib::ByteVector bytes;
    };
    std::vector<Entry> m_images;
};
