#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "packager/FolderCoder.h"
#include "packager/LzxBitWriter.h"
#include "packager/LzxParser.h"

namespace Lzx {

// The codes of one block and what the block takes with them, in bits.
struct BlockPlan {
    uint8_t main[MostMainSymbols];
    uint8_t length[LengthSymbols];
    uint8_t aligned[AlignedSymbols];
    bool alignedOffsets = false;
    uint64_t bits = 0;
};

// Groups parsed frames into blocks, each with codes of its own: a frame joins
// the block before it while sharing its codes costs less than codes of its
// own, and a frame that does not compress is stored. Writes each frame as it
// leaves: a bit stream of its own, padded to 16 bits.
class BlockWriter {
public:
    explicit BlockWriter(int windowBits);

    // A new folder; callSize is the file size its call translation assumes
    // (0: calls are not translated).
    void Begin(uint32_t callSize);
    void Add(std::unique_ptr<ParsedFrame> frame);
    // Writes every frame added.
    void Flush();
    // The frames written, in order, taken by the caller.
    std::vector<Cabinet::CodedFrame>& Written() { return m_written; }

    // The prices the next frame is parsed with: the codes of the block that
    // is being gathered (or the last one); only once HasCodes.
    void Prices(Lzx::Prices& prices) const;
    bool HasCodes() const { return m_hasModel; }

private:
    struct Counts {
        uint32_t main[MostMainSymbols];
        uint32_t length[LengthSymbols];
        uint32_t aligned[AlignedSymbols];
        uint64_t verbatimExtraBits;
        uint64_t alignedExtraBits;
        void Clear();
        void Add(const ParsedFrame& frame);
    };

    void Plan(const Counts& counts, const uint8_t* previousMain, const uint8_t* previousLength, BlockPlan& plan) const;
    uint64_t FrameBits(const ParsedFrame& frame, const BlockPlan& plan) const;
    uint32_t HeaderBits() const;
    void WriteRange(size_t begin, size_t end);
    void WriteBlock(size_t begin, size_t end, const BlockPlan& plan);
    void WriteStored(const ParsedFrame& frame);
    void WriteStart(LzxBitWriter& out);
    void Keep(std::vector<uint8_t>& bytes, uint32_t size);

    int m_mainSymbols;
    uint32_t m_callSize = 0;
    bool m_started = false;
    uint8_t m_previousMain[MostMainSymbols];
    uint8_t m_previousLength[LengthSymbols];
    std::vector<std::unique_ptr<ParsedFrame>> m_pending;
    Counts m_pendingCounts;
    BlockPlan m_pendingPlan;
    BlockPlan m_model;
    bool m_hasModel = false;
    std::vector<Cabinet::CodedFrame> m_written;
};

}  // namespace Lzx
