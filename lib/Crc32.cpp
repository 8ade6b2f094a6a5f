#include "lib/Crc32.h"

#include <windows.h>

#include <cstring>
#include <vector>

#include "lib/Handles.h"
#include "lib/SystemError.h"

namespace Kestlib {

namespace {

// Eight tables, so that eight bytes are taken per step: the checksum runs
// while the payload is written and must cost little next to the decompressor.
struct Tables {
    uint32_t entry[8][256];
    Tables() {
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t value = i;
            for (int bit = 0; bit < 8; ++bit) value = (value >> 1) ^ ((value & 1u) ? 0xEDB88320u : 0u);
            entry[0][i] = value;
        }
        for (uint32_t i = 0; i < 256; ++i)
            for (int t = 1; t < 8; ++t) entry[t][i] = (entry[t - 1][i] >> 8) ^ entry[0][entry[t - 1][i] & 0xFF];
    }
};

const Tables kTables;

}  // namespace

void Crc32::Update(const void* data, size_t size) {
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    uint32_t crc = ~m_value;
    const auto& t = kTables.entry;
    while (size >= 8) {
        uint32_t low, high;
        std::memcpy(&low, bytes, 4);
        std::memcpy(&high, bytes + 4, 4);
        low ^= crc;
        crc = t[7][low & 0xFF] ^ t[6][(low >> 8) & 0xFF] ^ t[5][(low >> 16) & 0xFF] ^ t[4][low >> 24] ^
              t[3][high & 0xFF] ^ t[2][(high >> 8) & 0xFF] ^ t[1][(high >> 16) & 0xFF] ^ t[0][high >> 24];
        bytes += 8;
        size -= 8;
    }
    while (size-- > 0) crc = (crc >> 8) ^ t[0][(crc ^ *bytes++) & 0xFF];
    m_value = ~crc;
}

uint32_t Crc32::Of(const void* data, size_t size) {
    Crc32 crc;
    crc.Update(data, size);
    return crc.Value();
}

uint32_t Crc32::OfFile(const std::wstring& path) {
    FileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) ThrowLastError(L"Error opening \"" + path + L"\"");
    std::vector<unsigned char> buffer(1 << 20);
    Crc32 crc;
    DWORD read = 0;
    do {
        if (!::ReadFile(file.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr))
            ThrowLastError(L"Error reading \"" + path + L"\"");
        crc.Update(buffer.data(), read);
    } while (read > 0);
    return crc.Value();
}

}  // namespace Kestlib
