#pragma once

#include <deque>
#include <memory>
#include <vector>

#include "packager/FolderCoder.h"
#include "packager/LzxBlocks.h"
#include "packager/LzxMatchFinder.h"
#include "packager/LzxParser.h"

namespace Cabinet {

// LZX with a window of 2^windowBits bytes: x86 calls translated to absolute
// addresses when asked for, near-optimal parsing over a binary-tree match
// finder, codes per block of frames, incompressible frames stored. Each
// frame is parsed once the next one has arrived, so that matches near its
// end are found as well.
class LzxCoder : public FolderCoder {
public:
    LzxCoder(int windowBits, bool translateCalls);

    uint16_t Type() const override { return static_cast<uint16_t>(CompressionTypeLzx | (m_windowBits << 8)); }
    void Begin(uint64_t expectedSize) override;
    void Flush() override;

protected:
    void Code(const uint8_t* data, uint32_t size) override;

private:
    void ParseOne();
    void Release();

    int m_windowBits;
    bool m_translateCalls;
    Lzx::MatchFinder m_finder;
    Lzx::Parser m_parser;
    Lzx::BlockWriter m_blocks;
    Lzx::Prices m_prices;
    uint32_t m_repeats[Lzx::Repeats] = {1, 1, 1};
    uint32_t m_callSize = 0;
    uint32_t m_frames = 0;
    // The ends of the frames appended but not parsed yet.
    std::deque<uint32_t> m_unparsed;
    std::vector<uint8_t> m_translated;
};

// Translates the relative targets of x86 calls (E8) in one frame to absolute
// ones, as the decoders undo it after each frame; frameStart is the frame's
// place in the folder.
void TranslateCalls(uint8_t* data, uint32_t size, uint32_t frameStart, uint32_t callSize);

}  // namespace Cabinet
