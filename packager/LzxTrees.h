#pragma once

#include <cstdint>
#include <vector>

#include "packager/LzxBitWriter.h"

// A tree's code lengths are written as changes from the lengths the same
// tree had in the block before (all zero at first), themselves coded with a
// small tree of 20 symbols (the pretree) written first.
namespace LzxTrees {

// What the lengths take in the stream, in bits, pretree included.
uint32_t Cost(const uint8_t* lengths, const uint8_t* previous, int count);

void Write(LzxBitWriter& out, const uint8_t* lengths, const uint8_t* previous, int count);

}  // namespace LzxTrees
