#pragma once

#include <cstdint>
#include <vector>

#include "packager/LzxFormat.h"
#include "packager/LzxMatchFinder.h"

namespace Lzx {

// One coded item: a literal (main symbol below 256) or a match.
struct Symbol {
    uint16_t main;
    // The length tree's symbol of a long match, or NoLength.
    uint16_t length;
    // What the offset's extra bits hold (the formatted offset above its slot's base).
    uint32_t footer;
};
const uint16_t NoLength = 0xFFFF;

// What each symbol costs, in bits, under the codes the parse expects.
struct Prices {
    uint32_t main[MostMainSymbols];
    uint32_t length[LengthSymbols];
    // 3 each when extra bits are written as they are.
    uint32_t aligned[AlignedSymbols];
};

// One frame as parsed: its symbols, their counts, and what the extra bits
// take in a verbatim block and (beside the aligned symbols) in an aligned one.
struct ParsedFrame {
    std::vector<Symbol> symbols;
    uint32_t main[MostMainSymbols];
    uint32_t length[LengthSymbols];
    uint32_t aligned[AlignedSymbols];
    uint64_t verbatimExtraBits = 0;
    uint64_t alignedExtraBits = 0;
    // The repeated offsets after the frame.
    uint32_t repeats[Repeats];
    // The frame's bytes (as translated), for storing it uncompressed.
    std::vector<uint8_t> bytes;
    // Not parsed: the bytes look random and repeat nothing seen before.
    bool random = false;

    void Clear();
};

// Chooses the cheapest sequence of literals and matches for a frame under
// the given prices, looking ahead over thousands of positions (near-optimal
// parsing), with the repeated offsets each choice leaves.
class Parser {
public:
    explicit Parser(MatchFinder& finder);

    // Parses from the finder's position to end (a frame's end); repeats
    // holds the repeated offsets before and after.
    void Parse(uint32_t end, const Prices& prices, uint32_t repeats[Repeats], ParsedFrame& frame);

private:
    struct Node {
        uint32_t price;
        uint32_t from;
        uint32_t length;
        // Literal, a repeated offset (0 to 2) or a formatted new offset.
        uint32_t code;
        uint32_t repeats[Repeats];
    };
    struct Step {
        uint32_t length;
        uint32_t code;
    };

    void Optimum(uint32_t end, const Prices& prices, const uint32_t repeats[Repeats]);
    void Expand(uint32_t index, uint32_t position, uint32_t end, const Prices& prices, uint32_t matchCount);
    void Reach(uint32_t target, uint32_t price, uint32_t from, uint32_t length, uint32_t code);
    uint32_t LongestRepeat(uint32_t position, uint32_t limit, const uint32_t repeats[Repeats], uint32_t* which) const;
    void Emit(const Step& step, uint32_t position, uint32_t repeats[Repeats], ParsedFrame& frame) const;

    MatchFinder& m_finder;
    std::vector<Node> m_nodes;
    std::vector<Step> m_steps;
    Match m_matches[MaxMatch + 4];
    uint32_t m_end = 0;
};

}  // namespace Lzx
