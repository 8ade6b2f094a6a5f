#pragma once

#include <cstdint>

// Prefix codes as LZX writes them: canonical, each symbol's code given by
// the lengths alone.
namespace Huffman {

// The code lengths that suit the counts best within the length limit. The
// code is always complete: with fewer than two symbols counted, one or two
// others get a length too, as the decoders need.
void BuildLengths(const uint32_t* counts, int symbols, int limit, uint8_t* lengths);

// The canonical codes of the lengths: shorter codes first, within a length
// in the order of the symbols.
void BuildCodes(const uint8_t* lengths, int symbols, uint16_t* codes);

}  // namespace Huffman
