#pragma once

#include <cstdint>

// The numbers of the LZX format as cabinets use it.
namespace Lzx {

const uint32_t MinMatch = 2;
const uint32_t MaxMatch = 257;
const int Literals = 256;
// A match's length below 9 is part of its main symbol; longer ones add a
// symbol of the length tree.
const uint32_t LengthHeaders = 8;
const uint32_t LongMatch = MinMatch + LengthHeaders - 1;
const int LengthSymbols = 249;
const int AlignedSymbols = 8;
const int PretreeSymbols = 20;
const int MaxCodeLength = 16;
const int MaxPretreeLength = 15;
const int MaxAlignedLength = 7;
const int Repeats = 3;

enum BlockType : uint32_t { Verbatim = 1, Aligned = 2, Uncompressed = 3 };

// 15 to 21 window bits give 30 to 50 position slots.
inline int PositionSlots(int windowBits) { return windowBits < 20 ? 2 * windowBits : windowBits == 20 ? 42 : 50; }
inline int MainSymbols(int windowBits) { return Literals + static_cast<int>(LengthHeaders) * PositionSlots(windowBits); }
const int MostMainSymbols = Literals + static_cast<int>(LengthHeaders) * 50;

// A new offset is coded as offset + 2: slots 0 to 2 are the repeated offsets.
inline uint32_t Formatted(uint32_t offset) { return offset + 2; }

inline int FloorLog2(uint32_t value) { return 31 - __builtin_clz(value); }

inline int SlotOf(uint32_t formatted) {
    if (formatted >= 262144) return 36 + static_cast<int>((formatted - 262144) >> 17);
    int bits = FloorLog2(formatted);
    return 2 * bits + static_cast<int>((formatted >> (bits - 1)) & 1);
}

inline int ExtraBits(int slot) { return slot < 4 ? 0 : slot < 36 ? (slot >> 1) - 1 : 17; }

inline uint32_t SlotBase(int slot) {
    if (slot < 4) return static_cast<uint32_t>(slot);
    if (slot < 36) return (2u + (slot & 1)) << ((slot >> 1) - 1);
    return 262144u + (static_cast<uint32_t>(slot - 36) << 17);
}

inline uint32_t MainSymbol(int slot, uint32_t length) {
    uint32_t header = length - MinMatch < LengthHeaders - 1 ? length - MinMatch : LengthHeaders - 1;
    return Literals + static_cast<uint32_t>(slot) * LengthHeaders + header;
}

}  // namespace Lzx
