#pragma once

#include <cstdint>
#include <vector>

// LZX's bit stream: bits are taken from the top of 16-bit words, which are
// stored least significant byte first.
class LzxBitWriter {
public:
    explicit LzxBitWriter(std::vector<uint8_t>& out) : m_out(out) {}

    // Up to 32 bits, the highest first.
    void Put(uint32_t value, int bits) {
        m_bits = (m_bits << bits) | (static_cast<uint64_t>(value) & ((1ULL << bits) - 1));
        m_count += bits;
        while (m_count >= 16) {
            m_count -= 16;
            uint32_t word = static_cast<uint32_t>(m_bits >> m_count) & 0xFFFF;
            m_out.push_back(static_cast<uint8_t>(word));
            m_out.push_back(static_cast<uint8_t>(word >> 8));
        }
        m_bits &= (1ULL << m_count) - 1;
    }

    // Pads with zeros to the end of the current word (a frame ends so).
    void Align() {
        if (m_count > 0) Put(0, 16 - m_count);
    }

    // An uncompressed block's data starts after one to sixteen bits of padding.
    void AlignForBytes() { Put(0, 16 - m_count); }

    // Whether the stream stands at a word boundary.
    bool Aligned() const { return m_count == 0; }

private:
    std::vector<uint8_t>& m_out;
    uint64_t m_bits = 0;
    int m_count = 0;
};
