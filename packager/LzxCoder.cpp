#include "packager/LzxCoder.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "packager/Huffman.h"

namespace Cabinet {

namespace {

// The decoders translate calls in the first 32768 frames of a folder only.
const uint32_t kTranslatedFrames = 32768;

// How hard matches are looked for: tree nodes one search visits at most,
// and the length of a match taken without looking further. Measured on
// binaries, deeper searches gain a fraction of a percent at a third more time.
const uint32_t kSearchDepth = 32;
const uint32_t kNiceLength = 48;

// Bytes whose distribution leaves less than this to gain per byte are
// taken for random (compressed or encrypted data): parsing them is wasted
// unless they repeat earlier data.
const double kRandomBits = 7.97;
// Odd, so that the probes meet positions of every remainder.
const uint32_t kProbeStep = 61;
const uint32_t kProbeLength = 32;

bool LooksRandom(const uint8_t* data, uint32_t size) {
    uint32_t counts[256] = {};
    for (uint32_t i = 0; i < size; ++i) ++counts[data[i]];
    double bits = 0;
    for (uint32_t count : counts)
        if (count != 0) bits += count * std::log2(static_cast<double>(size) / count);
    return bits >= kRandomBits * size;
}

// Prices for a folder's first frame, before any codes exist: literals by
// how often each byte occurs in it, matches at a fixed guess.
void FirstPrices(const uint8_t* data, uint32_t size, Lzx::Prices& prices) {
    uint32_t counts[Lzx::Literals] = {};
    for (uint32_t i = 0; i < size; ++i) ++counts[data[i]];
    uint8_t lengths[Lzx::Literals];
    Huffman::BuildLengths(counts, Lzx::Literals, Lzx::MaxCodeLength, lengths);
    for (int s = 0; s < Lzx::Literals; ++s) prices.main[s] = lengths[s] ? lengths[s] : 12;
    for (int s = Lzx::Literals; s < Lzx::MostMainSymbols; ++s) prices.main[s] = 9;
    for (uint32_t& price : prices.length) price = 6;
    for (uint32_t& price : prices.aligned) price = 3;
}

}  // namespace

void TranslateCalls(uint8_t* data, uint32_t size, uint32_t frameStart, uint32_t callSize) {
    if (size <= 10) return;
    const int64_t fileSize = callSize;
    for (uint32_t i = 0; i < size - 10;) {
        if (data[i] != 0xE8) {
            ++i;
            continue;
        }
        const int64_t current = static_cast<int64_t>(frameStart) + i;
        int32_t value;
        std::memcpy(&value, data + i + 1, sizeof(value));
        if (value >= -current && value < fileSize) {
            int64_t absolute = value < fileSize - current ? value + current : value - fileSize;
            int32_t stored = static_cast<int32_t>(absolute);
            std::memcpy(data + i + 1, &stored, sizeof(stored));
        }
        i += 5;
    }
}

LzxCoder::LzxCoder(int windowBits, bool translateCalls)
    : m_windowBits(windowBits),
      m_translateCalls(translateCalls),
      m_finder(windowBits, kSearchDepth, kNiceLength),
      m_parser(m_finder),
      m_blocks(windowBits) {}

void LzxCoder::Begin(uint64_t expectedSize) {
    m_finder.Reset();
    // Calls are translated within the folder's expected size; beyond it the
    // translation only helps less. A size of 0 leaves it off.
    m_callSize = m_translateCalls ? static_cast<uint32_t>(std::min<uint64_t>(
                                        std::max<uint64_t>(expectedSize, FrameSize), 0x7FFFFFFF))
                                  : 0;
    m_blocks.Begin(m_callSize);
    m_frames = 0;
    m_unparsed.clear();
    std::fill(m_repeats, m_repeats + Lzx::Repeats, 1);
}

void LzxCoder::Code(const uint8_t* data, uint32_t size) {
    m_translated.assign(data, data + size);
    if (m_callSize != 0 && m_frames < kTranslatedFrames)
        TranslateCalls(m_translated.data(), size, m_frames * FrameSize, m_callSize);
    ++m_frames;
    m_finder.Append(m_translated.data(), size);
    m_unparsed.push_back(m_finder.End());
    while (m_unparsed.size() > 1) ParseOne();
}

void LzxCoder::Flush() {
    while (!m_unparsed.empty()) ParseOne();
    m_blocks.Flush();
    Release();
}

void LzxCoder::ParseOne() {
    const uint32_t start = m_finder.Position();
    const uint32_t end = m_unparsed.front();
    m_unparsed.pop_front();
    std::unique_ptr<Lzx::ParsedFrame> frame(new Lzx::ParsedFrame());
    frame->Clear();
    frame->bytes.assign(m_finder.At(start), m_finder.At(start) + (end - start));
    if (LooksRandom(frame->bytes.data(), end - start) && !m_finder.Recurs(end, kProbeStep, kProbeLength)) {
        m_finder.SkipPlain(end);
        frame->random = true;
        std::memcpy(frame->repeats, m_repeats, sizeof(frame->repeats));
        m_blocks.Add(std::move(frame));
        Release();
        return;
    }
    if (!m_blocks.HasCodes())
        FirstPrices(frame->bytes.data(), end - start, m_prices);
    else
        m_blocks.Prices(m_prices);
    m_parser.Parse(end, m_prices, m_repeats, *frame);
    m_blocks.Add(std::move(frame));
    Release();
}

void LzxCoder::Release() {
    for (CodedFrame& frame : m_blocks.Written()) Emit(std::move(frame));
    m_blocks.Written().clear();
}

}  // namespace Cabinet
