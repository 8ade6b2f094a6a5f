#include "packager/IconFile.h"

#include <cstring>

#include "lib/SystemError.h"

namespace {

const size_t kHeaderSize = 6;
const size_t kFileEntrySize = 16;
const size_t kGroupEntrySize = 14;
const BYTE kPngSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

WORD Word(const Kestlib::ByteVector& bytes, size_t at) {
    return static_cast<WORD>(static_cast<BYTE>(bytes[at]) | (static_cast<BYTE>(bytes[at + 1]) << 8));
}

DWORD Dword(const Kestlib::ByteVector& bytes, size_t at) {
    return static_cast<DWORD>(Word(bytes, at)) | (static_cast<DWORD>(Word(bytes, at + 2)) << 16);
}

void PutWord(Kestlib::ByteVector& bytes, WORD value) {
    bytes.push_back(static_cast<char>(value & 0xFF));
    bytes.push_back(static_cast<char>(value >> 8));
}

void PutDword(Kestlib::ByteVector& bytes, DWORD value) {
    PutWord(bytes, static_cast<WORD>(value & 0xFFFF));
    PutWord(bytes, static_cast<WORD>(value >> 16));
}

}  // namespace

IconFile::IconFile(const std::wstring& path) {
    Kestlib::ByteVector bytes = Kestlib::FileReadAll(path);
    auto fail = [&](const std::wstring& reason) { Kestlib::ThrowError(L"Invalid icon file '" + path + L"': " + reason); };
    if (bytes.size() < kHeaderSize || Word(bytes, 0) != 0 || Word(bytes, 2) != 1) fail(L"not an icon file");
    size_t count = Word(bytes, 4);
    if (count == 0) fail(L"it holds no image");
    size_t imagesStart = kHeaderSize + count * kFileEntrySize;
    if (bytes.size() < imagesStart) fail(L"it is cut short");
    for (size_t i = 0; i < count; ++i) {
        size_t at = kHeaderSize + i * kFileEntrySize;
        size_t size = Dword(bytes, at + 8);
        size_t offset = Dword(bytes, at + 12);
        if (size < 40 || offset < imagesStart || offset > bytes.size() || size > bytes.size() - offset)
            fail(L"image " + std::to_wstring(i + 1) + L" lies outside the file");
        Entry entry;
        entry.bytes.assign(bytes.begin() + static_cast<ptrdiff_t>(offset),
                           bytes.begin() + static_cast<ptrdiff_t>(offset + size));
        bool png = std::memcmp(entry.bytes.data(), kPngSignature, sizeof(kPngSignature)) == 0;
        if (!png && Dword(entry.bytes, 0) != sizeof(BITMAPINFOHEADER))
            fail(L"image " + std::to_wstring(i + 1) + L" is neither a bitmap nor a PNG image");
        entry.width = static_cast<BYTE>(bytes[at]);
        entry.height = static_cast<BYTE>(bytes[at + 1]);
        entry.colors = static_cast<BYTE>(bytes[at + 2]);
        // Some tools leave these 0; the loader picks sizes and depths by them.
        entry.planes = Word(bytes, at + 4) ? Word(bytes, at + 4) : 1;
        entry.bitCount = Word(bytes, at + 6) ? Word(bytes, at + 6) : png ? 32 : Word(entry.bytes, 14);
        m_images.push_back(entry);
    }
}

Kestlib::ByteVector IconFile::GroupDirectory(const std::vector<WORD>& ids) const {
    Kestlib::ByteVector group;
    PutWord(group, 0);
    PutWord(group, 1);
    PutWord(group, static_cast<WORD>(m_images.size()));
    for (size_t i = 0; i < m_images.size(); ++i) {
        const Entry& entry = m_images[i];
        for (BYTE value : {entry.width, entry.height, entry.colors, BYTE(0)}) group.push_back(static_cast<char>(value));
        PutWord(group, entry.planes);
        PutWord(group, entry.bitCount);
        PutDword(group, static_cast<DWORD>(entry.bytes.size()));
        PutWord(group, ids[i]);
    }
    return group;
}

std::vector<WORD> IconFile::GroupIds(const Kestlib::ByteVector& group) {
    std::vector<WORD> ids;
    if (group.size() < kHeaderSize) return ids;
    size_t count = Word(group, 4);
    for (size_t i = 0; i < count && kHeaderSize + (i + 1) * kGroupEntrySize <= group.size(); ++i)
        ids.push_back(Word(group, kHeaderSize + i * kGroupEntrySize + 12));
    return ids;
}
