#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace Kestlib {

// The CRC-32 of the zip and PNG formats (reflected polynomial 0xEDB88320),
// taken in pieces: feed every piece to Update, in order, starting from 0.
class Crc32 {
public:
    void Update(const void* data, size_t size);
    uint32_t Value() const { return m_value; }

    static uint32_t Of(const void* data, size_t size);
    // Of a file's whole content, read in pieces; fails with the library's error texts.
    static uint32_t OfFile(const std::wstring& path);

private:
    uint32_t m_value = 0;
};

}  // namespace Kestlib
