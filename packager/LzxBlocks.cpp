#include "packager/LzxBlocks.h"

#include <algorithm>
#include <cstring>

#include "lib/SystemError.h"
#include "packager/Huffman.h"
#include "packager/LzxBitWriter.h"
#include "packager/LzxTrees.h"

namespace Lzx {

namespace {

// Frames one block gathers at most.
const size_t kBlockFrames = 16;
const uint32_t kBlockHeaderBits = 3 + 24;
const uint32_t kAlignedTreeBits = AlignedSymbols * 3;
// What the parse assumes for a symbol the current codes lack: a new main
// symbol as dear as the rarest one, a new length a little cheaper (measured
// on binaries: it lets longer matches in).
const uint32_t kUnusedAlignedPrice = 7;

uint64_t WordBytes(uint64_t bits) { return (bits + 15) / 16 * 2; }

}  // namespace

void BlockWriter::Counts::Clear() { std::memset(this, 0, sizeof(*this)); }

void BlockWriter::Counts::Add(const ParsedFrame& frame) {
    for (int s = 0; s < MostMainSymbols; ++s) main[s] += frame.main[s];
    for (int s = 0; s < LengthSymbols; ++s) length[s] += frame.length[s];
    for (int s = 0; s < AlignedSymbols; ++s) aligned[s] += frame.aligned[s];
    verbatimExtraBits += frame.verbatimExtraBits;
    alignedExtraBits += frame.alignedExtraBits;
}

BlockWriter::BlockWriter(int windowBits) : m_mainSymbols(MainSymbols(windowBits)) {}

void BlockWriter::Begin(uint32_t callSize) {
    m_callSize = callSize;
    m_started = false;
    std::memset(m_previousMain, 0, sizeof(m_previousMain));
    std::memset(m_previousLength, 0, sizeof(m_previousLength));
    m_pending.clear();
    m_hasModel = false;
}

// The codes for the counts, and the cheaper of a verbatim and an aligned
// offset block with them.
void BlockWriter::Plan(const Counts& counts, const uint8_t* previousMain, const uint8_t* previousLength,
                       BlockPlan& plan) const {
    uint32_t main[MostMainSymbols];
    std::memcpy(main, counts.main, sizeof(main));
    // A code for 0xE8 in every block keeps the decoders' call translation on
    // from the first block.
    if (m_callSize != 0 && main[0xE8] == 0) main[0xE8] = 1;
    Huffman::BuildLengths(main, m_mainSymbols, MaxCodeLength, plan.main);
    Huffman::BuildLengths(counts.length, LengthSymbols, MaxCodeLength, plan.length);
    Huffman::BuildLengths(counts.aligned, AlignedSymbols, MaxAlignedLength, plan.aligned);
    uint64_t bits = kBlockHeaderBits + LzxTrees::Cost(plan.main, previousMain, Literals) +
                    LzxTrees::Cost(plan.main + Literals, previousMain + Literals, m_mainSymbols - Literals) +
                    LzxTrees::Cost(plan.length, previousLength, LengthSymbols);
    for (int s = 0; s < m_mainSymbols; ++s) bits += static_cast<uint64_t>(counts.main[s]) * plan.main[s];
    for (int s = 0; s < LengthSymbols; ++s) bits += static_cast<uint64_t>(counts.length[s]) * plan.length[s];
    uint64_t aligned = kAlignedTreeBits + counts.alignedExtraBits;
    for (int s = 0; s < AlignedSymbols; ++s) aligned += static_cast<uint64_t>(counts.aligned[s]) * plan.aligned[s];
    plan.alignedOffsets = aligned < counts.verbatimExtraBits;
    plan.bits = bits + std::min(aligned, counts.verbatimExtraBits);
}

uint64_t BlockWriter::FrameBits(const ParsedFrame& frame, const BlockPlan& plan) const {
    uint64_t bits = plan.alignedOffsets ? frame.alignedExtraBits : frame.verbatimExtraBits;
    for (int s = 0; s < m_mainSymbols; ++s) bits += static_cast<uint64_t>(frame.main[s]) * plan.main[s];
    for (int s = 0; s < LengthSymbols; ++s) bits += static_cast<uint64_t>(frame.length[s]) * plan.length[s];
    if (plan.alignedOffsets)
        for (int s = 0; s < AlignedSymbols; ++s) bits += static_cast<uint64_t>(frame.aligned[s]) * plan.aligned[s];
    return bits;
}

// The call translation's header opens the folder's first frame.
uint32_t BlockWriter::HeaderBits() const { return m_started ? 0 : m_callSize != 0 ? 33 : 1; }

void BlockWriter::Add(std::unique_ptr<ParsedFrame> frame) {
    if (frame->random) {
        Flush();
        WriteStored(*frame);
        return;
    }
    Counts alone;
    alone.Clear();
    alone.Add(*frame);
    const bool pending = !m_pending.empty();
    BlockPlan own;
    Plan(alone, pending ? m_pendingPlan.main : m_previousMain, pending ? m_pendingPlan.length : m_previousLength, own);
    const uint64_t stored = 8 * (WordBytes(HeaderBits() + kBlockHeaderBits + 1) + 12 + frame->bytes.size() + 1);
    if (own.bits + HeaderBits() >= stored) {
        Flush();
        WriteStored(*frame);
        return;
    }
    if (pending && m_pending.size() < kBlockFrames) {
        Counts merged = m_pendingCounts;
        merged.Add(*frame);
        BlockPlan together;
        Plan(merged, m_previousMain, m_previousLength, together);
        if (together.bits <= m_pendingPlan.bits + own.bits) {
            m_pending.push_back(std::move(frame));
            m_pendingCounts = merged;
            m_pendingPlan = together;
            m_model = together;
            m_hasModel = true;
            return;
        }
    }
    Flush();
    m_pending.push_back(std::move(frame));
    m_pendingCounts = alone;
    m_pendingPlan = own;
    m_model = own;
    m_hasModel = true;
}

void BlockWriter::Flush() {
    if (m_pending.empty()) return;
    WriteRange(0, m_pending.size());
    m_pending.clear();
}

// A block of the frames, but a frame that would come out larger than stored
// is stored, and the frames around it get codes of their own.
void BlockWriter::WriteRange(size_t begin, size_t end) {
    if (begin >= end) return;
    Counts counts;
    counts.Clear();
    for (size_t i = begin; i < end; ++i) counts.Add(*m_pending[i]);
    BlockPlan plan;
    Plan(counts, m_previousMain, m_previousLength, plan);
    uint64_t header = HeaderBits() + (plan.bits - FrameBits(*m_pending[begin], plan));
    for (size_t i = begin + 1; i < end; ++i) header -= FrameBits(*m_pending[i], plan);
    for (size_t i = begin; i < end; ++i) {
        const ParsedFrame& frame = *m_pending[i];
        uint64_t bits = FrameBits(frame, plan) + (i == begin ? header : 0);
        uint64_t stored = WordBytes(HeaderBits() * (i == begin) + kBlockHeaderBits + 1) + 12 + frame.bytes.size() +
                          (frame.bytes.size() & 1);
        if (WordBytes(bits) > stored) {
            WriteRange(begin, i);
            WriteStored(frame);
            WriteRange(i + 1, end);
            return;
        }
    }
    WriteBlock(begin, end, plan);
}

void BlockWriter::WriteStart(LzxBitWriter& out) {
    if (m_started) return;
    m_started = true;
    out.Put(m_callSize != 0 ? 1 : 0, 1);
    if (m_callSize == 0) return;
    out.Put(m_callSize >> 16, 16);
    out.Put(m_callSize & 0xFFFF, 16);
}

void BlockWriter::Keep(std::vector<uint8_t>& bytes, uint32_t size) {
    if (bytes.size() > Cabinet::CodedFrameLimit)
        Kestlib::ThrowError(L"Error compressing the payload (LZX): a frame came out too large");
    Cabinet::CodedFrame coded;
    coded.bytes.swap(bytes);
    coded.size = size;
    m_written.push_back(std::move(coded));
}

void BlockWriter::WriteBlock(size_t begin, size_t end, const BlockPlan& plan) {
    uint16_t mainCodes[MostMainSymbols], lengthCodes[LengthSymbols], alignedCodes[AlignedSymbols];
    Huffman::BuildCodes(plan.main, m_mainSymbols, mainCodes);
    Huffman::BuildCodes(plan.length, LengthSymbols, lengthCodes);
    Huffman::BuildCodes(plan.aligned, AlignedSymbols, alignedCodes);
    uint32_t size = 0;
    for (size_t i = begin; i < end; ++i) size += static_cast<uint32_t>(m_pending[i]->bytes.size());
    for (size_t i = begin; i < end; ++i) {
        const ParsedFrame& frame = *m_pending[i];
        std::vector<uint8_t> bytes;
        bytes.reserve(frame.bytes.size() + 1024);
        LzxBitWriter out(bytes);
        if (i == begin) {
            WriteStart(out);
            out.Put(plan.alignedOffsets ? Aligned : Verbatim, 3);
            out.Put(size, 24);
            if (plan.alignedOffsets)
                for (int s = 0; s < AlignedSymbols; ++s) out.Put(plan.aligned[s], 3);
            LzxTrees::Write(out, plan.main, m_previousMain, Literals);
            LzxTrees::Write(out, plan.main + Literals, m_previousMain + Literals, m_mainSymbols - Literals);
            LzxTrees::Write(out, plan.length, m_previousLength, LengthSymbols);
        }
        for (const Symbol& symbol : frame.symbols) {
            out.Put(mainCodes[symbol.main], plan.main[symbol.main]);
            if (symbol.main < Literals) continue;
            if (symbol.length != NoLength) out.Put(lengthCodes[symbol.length], plan.length[symbol.length]);
            int extra = ExtraBits((symbol.main - Literals) / static_cast<int>(LengthHeaders));
            if (plan.alignedOffsets && extra >= 3) {
                if (extra > 3) out.Put(symbol.footer >> 3, extra - 3);
                out.Put(alignedCodes[symbol.footer & 7], plan.aligned[symbol.footer & 7]);
            } else if (extra > 0) {
                out.Put(symbol.footer, extra);
            }
        }
        out.Align();
        Keep(bytes, static_cast<uint32_t>(frame.bytes.size()));
    }
    std::memcpy(m_previousMain, plan.main, sizeof(m_previousMain));
    std::memcpy(m_previousLength, plan.length, sizeof(m_previousLength));
}

// An uncompressed block of the frame, with the repeated offsets the frame
// leaves, so that the next frame goes on as parsed.
void BlockWriter::WriteStored(const ParsedFrame& frame) {
    std::vector<uint8_t> bytes;
    bytes.reserve(frame.bytes.size() + 32);
    LzxBitWriter out(bytes);
    WriteStart(out);
    out.Put(Uncompressed, 3);
    out.Put(static_cast<uint32_t>(frame.bytes.size()), 24);
    out.AlignForBytes();
    for (uint32_t repeat : frame.repeats)
        for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<uint8_t>(repeat >> shift));
    bytes.insert(bytes.end(), frame.bytes.begin(), frame.bytes.end());
    if (frame.bytes.size() & 1) bytes.push_back(0);
    Keep(bytes, static_cast<uint32_t>(frame.bytes.size()));
}

void BlockWriter::Prices(Lzx::Prices& prices) const {
    uint32_t longestMain = 0, longestLength = 0;
    for (int s = 0; s < m_mainSymbols; ++s) longestMain = std::max<uint32_t>(longestMain, m_model.main[s]);
    for (int s = 0; s < LengthSymbols; ++s) longestLength = std::max<uint32_t>(longestLength, m_model.length[s]);
    const uint32_t unusedLength = std::max<uint32_t>(longestLength, 6) - 2;
    for (int s = 0; s < MostMainSymbols; ++s) prices.main[s] = m_model.main[s] ? m_model.main[s] : longestMain;
    for (int s = 0; s < LengthSymbols; ++s) prices.length[s] = m_model.length[s] ? m_model.length[s] : unusedLength;
    for (int s = 0; s < AlignedSymbols; ++s)
        prices.aligned[s] = !m_model.alignedOffsets ? 3 : m_model.aligned[s] ? m_model.aligned[s] : kUnusedAlignedPrice;
}

}  // namespace Lzx
