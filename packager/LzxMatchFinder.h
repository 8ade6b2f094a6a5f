#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

namespace Lzx {

// How far the bytes at a and b agree, from length (known to agree) up to limit.
inline uint32_t CommonLength(const uint8_t* a, const uint8_t* b, uint32_t length, uint32_t limit) {
    while (length + 8 <= limit) {
        uint64_t x, y;
        std::memcpy(&x, a + length, 8);
        std::memcpy(&y, b + length, 8);
        if (x != y) return length + static_cast<uint32_t>(__builtin_ctzll(x ^ y) >> 3);
        length += 8;
    }
    while (length < limit && a[length] == b[length]) ++length;
    return length;
}

struct Match {
    uint32_t length;
    uint32_t offset;
};

// Finds the earlier occurrences of the bytes at each position of a folder:
// the nearest one of each length, through a binary tree per four-byte hash
// kept in a window of the folder's last bytes. Positions count from the
// folder's start and are visited in order, each once, by Find or Skip.
class MatchFinder {
public:
    // depth: how many tree nodes one search may visit; niceLength: a match
    // this long ends the search (it is then lengthened by direct comparison).
    MatchFinder(int windowBits, uint32_t depth, uint32_t niceLength);

    // A new folder: nothing before it can be matched.
    void Reset();
    // More bytes of the folder.
    void Append(const uint8_t* data, uint32_t size);
    uint32_t End() const { return m_end; }
    const uint8_t* At(uint32_t position) const { return m_buffer.data() + (position - m_base); }

    // The matches at the next position with lengths up to limit (they must not
    // run past a frame's end), the longest last; returns their count.
    uint32_t Find(uint32_t limit, Match* matches);
    void Skip();
    // Whether data seen before comes again at one of the positions step apart
    // from the next one up to end, for minLength bytes at least.
    bool Recurs(uint32_t end, uint32_t step, uint32_t minLength) const;
    // Visits the positions up to end without a search, each the only node of
    // its tree: for data nothing matches (nothing later will match much of it).
    void SkipPlain(uint32_t end);
    uint32_t Position() const { return m_position; }
    uint32_t LargestOffset() const { return m_largestOffset; }
    uint32_t NiceLength() const { return m_niceLength; }

private:
    void Slide();
    uint32_t Key4(const uint8_t* data) const;
    uint32_t Walk(const uint8_t* current, uint32_t lengthLimit, uint32_t depth, uint32_t best, Match* matches);

    uint32_t m_windowSize;
    uint32_t m_largestOffset;
    uint32_t m_depth;
    uint32_t m_niceLength;
    int m_hashBits;
    std::vector<uint8_t> m_buffer;
    uint32_t m_base = 0;
    uint32_t m_end = 0;
    uint32_t m_position = 0;
    // Heads: the latest position + 1 of each two-byte value, three-byte hash
    // and four-byte hash (the root of its tree); 0 is none.
    std::vector<uint32_t> m_head2;
    std::vector<uint32_t> m_head3;
    std::vector<uint32_t> m_head4;
    // Two children per position of the window, smaller and larger.
    std::vector<uint32_t> m_tree;
};

}  // namespace Lzx
