#include "packager/LzxParser.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace Lzx {

namespace {

// Positions one parse looks ahead at most.
const uint32_t kOptimum = 4096;
const uint32_t kUnreached = 0x3FFFFFFF;
const uint32_t kLiteral = 0xFFFFFFFF;

uint32_t OffsetPrice(const Prices& prices, uint32_t formatted, int slot) {
    int extra = ExtraBits(slot);
    if (extra < 3) return static_cast<uint32_t>(extra);
    return static_cast<uint32_t>(extra - 3) + prices.aligned[formatted & 7];
}

uint32_t LengthPrice(const Prices& prices, uint32_t length) {
    return length >= LongMatch ? prices.length[length - LongMatch] : 0;
}

// The repeated offsets after a step.
void Follow(uint32_t code, uint32_t repeats[Repeats]) {
    if (code == kLiteral || code == 0) return;
    if (code == 1 || code == 2) {
        std::swap(repeats[0], repeats[code]);
        return;
    }
    repeats[2] = repeats[1];
    repeats[1] = repeats[0];
    repeats[0] = code - 2;
}

}  // namespace

void ParsedFrame::Clear() {
    symbols.clear();
    std::memset(main, 0, sizeof(main));
    std::memset(length, 0, sizeof(length));
    std::memset(aligned, 0, sizeof(aligned));
    verbatimExtraBits = alignedExtraBits = 0;
    random = false;
}

Parser::Parser(MatchFinder& finder) : m_finder(finder), m_nodes(kOptimum + MaxMatch + 2) {}

void Parser::Parse(uint32_t end, const Prices& prices, uint32_t repeats[Repeats], ParsedFrame& frame) {
    while (m_finder.Position() < end) {
        uint32_t position = m_finder.Position();
        Optimum(end, prices, repeats);
        for (const Step& step : m_steps) {
            Emit(step, position, repeats, frame);
            position += step.length;
        }
    }
    std::memcpy(frame.repeats, repeats, sizeof(frame.repeats));
}

uint32_t Parser::LongestRepeat(uint32_t position, uint32_t limit, const uint32_t repeats[Repeats],
                               uint32_t* which) const {
    uint32_t best = 0;
    const uint8_t* data = m_finder.At(position);
    for (uint32_t i = 0; i < Repeats; ++i) {
        if (repeats[i] > position || limit < MinMatch) continue;
        uint32_t length = CommonLength(data, data - repeats[i], 0, limit);
        if (length > best) {
            best = length;
            *which = i;
        }
    }
    return best;
}

void Parser::Reach(uint32_t target, uint32_t price, uint32_t from, uint32_t length, uint32_t code) {
    while (m_end < target) m_nodes[++m_end].price = kUnreached;
    Node& node = m_nodes[target];
    if (price < node.price) {
        node.price = price;
        node.from = from;
        node.length = length;
        node.code = code;
    }
}

// Prices every step from the node: a literal, each repeated offset at every
// length it reaches, each match at every length up to its own.
void Parser::Expand(uint32_t index, uint32_t position, uint32_t end, const Prices& prices, uint32_t matchCount) {
    const Node& node = m_nodes[index];
    const uint32_t base = node.price;
    const uint32_t limit = std::min(MaxMatch, end - position);
    const uint8_t* data = m_finder.At(position);
    Reach(index + 1, base + prices.main[data[0]], index, 1, kLiteral);
    if (limit < MinMatch) return;
    const uint32_t* repeats = node.repeats;
    for (uint32_t i = 0; i < Repeats; ++i) {
        uint32_t offset = repeats[i];
        if (offset > position || (i > 0 && offset == repeats[0]) || (i == 2 && offset == repeats[1])) continue;
        uint32_t length = CommonLength(data, data - offset, 0, limit);
        for (uint32_t l = MinMatch; l <= length; ++l)
            Reach(index + l, base + prices.main[MainSymbol(static_cast<int>(i), l)] + LengthPrice(prices, l), index, l, i);
    }
    uint32_t shorter = MinMatch - 1;
    for (uint32_t j = 0; j < matchCount; ++j) {
        const Match& match = m_matches[j];
        if (match.offset == repeats[0] || match.offset == repeats[1] || match.offset == repeats[2]) {
            shorter = match.length;
            continue;
        }
        uint32_t formatted = Formatted(match.offset);
        int slot = SlotOf(formatted);
        uint32_t offsetPrice = base + OffsetPrice(prices, formatted, slot);
        for (uint32_t l = shorter + 1; l <= match.length; ++l)
            Reach(index + l, offsetPrice + prices.main[MainSymbol(slot, l)] + LengthPrice(prices, l), index, l,
                  formatted);
        shorter = match.length;
    }
}

void Parser::Optimum(uint32_t end, const Prices& prices, const uint32_t repeats[Repeats]) {
    m_steps.clear();
    const uint32_t start = m_finder.Position();
    const uint32_t nice = m_finder.NiceLength();
    uint32_t limit = std::min(MaxMatch, end - start);
    uint32_t count = m_finder.Find(limit, m_matches);
    uint32_t which = 0;
    uint32_t repeatLength = LongestRepeat(start, limit, repeats, &which);
    // A long match is taken at once.
    Step taken = {0, 0};
    if (repeatLength >= nice)
        taken = Step{repeatLength, which};
    else if (count > 0 && m_matches[count - 1].length >= nice)
        taken = Step{m_matches[count - 1].length, Formatted(m_matches[count - 1].offset)};
    if (taken.length > 0) {
        m_steps.push_back(taken);
        for (uint32_t i = 1; i < taken.length; ++i) m_finder.Skip();
        return;
    }

    Node& first = m_nodes[0];
    first.price = 0;
    std::memcpy(first.repeats, repeats, sizeof(first.repeats));
    m_end = 0;
    Expand(0, start, end, prices, count);
    uint32_t index = 1;
    for (; index < m_end && index < kOptimum; ++index) {
        Node& node = m_nodes[index];
        std::memcpy(node.repeats, m_nodes[node.from].repeats, sizeof(node.repeats));
        Follow(node.code, node.repeats);
        const uint32_t position = start + index;
        limit = std::min(MaxMatch, end - position);
        count = m_finder.Find(limit, m_matches);
        repeatLength = LongestRepeat(position, limit, node.repeats, &which);
        if (repeatLength >= nice)
            taken = Step{repeatLength, which};
        else if (count > 0 && m_matches[count - 1].length >= nice)
            taken = Step{m_matches[count - 1].length, Formatted(m_matches[count - 1].offset)};
        if (taken.length > 0) break;
        Expand(index, position, end, prices, count);
    }
    // The cheapest way to the node reached, then the long match from there.
    uint32_t stop = taken.length > 0 ? index : m_end;
    for (uint32_t at = stop; at > 0; at = m_nodes[at].from) m_steps.push_back(Step{m_nodes[at].length, m_nodes[at].code});
    std::reverse(m_steps.begin(), m_steps.end());
    if (taken.length > 0) {
        m_steps.push_back(taken);
        for (uint32_t i = 1; i < taken.length; ++i) m_finder.Skip();
        return;
    }
    for (uint32_t at = index; at < stop; ++at) m_finder.Skip();
}

void Parser::Emit(const Step& step, uint32_t position, uint32_t repeats[Repeats], ParsedFrame& frame) const {
    if (step.code == kLiteral) {
        uint8_t byte = m_finder.At(position)[0];
        frame.symbols.push_back(Symbol{byte, NoLength, 0});
        ++frame.main[byte];
        return;
    }
    int slot = 0;
    uint32_t footer = 0;
    uint32_t code = step.code;
    if (code >= Repeats) {
        // A long match taken at once may have a repeated offset.
        uint32_t offset = code - 2;
        for (uint32_t i = 0; i < Repeats; ++i)
            if (repeats[i] == offset) {
                code = i;
                break;
            }
    }
    if (code < Repeats) {
        slot = static_cast<int>(code);
    } else {
        slot = SlotOf(code);
        footer = code - SlotBase(slot);
    }
    Follow(code, repeats);
    uint16_t main = static_cast<uint16_t>(MainSymbol(slot, step.length));
    uint16_t length = step.length >= LongMatch ? static_cast<uint16_t>(step.length - LongMatch) : NoLength;
    frame.symbols.push_back(Symbol{main, length, footer});
    ++frame.main[main];
    if (length != NoLength) ++frame.length[length];
    int extra = ExtraBits(slot);
    frame.verbatimExtraBits += static_cast<uint64_t>(extra);
    if (extra >= 3) {
        ++frame.aligned[footer & 7];
        frame.alignedExtraBits += static_cast<uint64_t>(extra - 3);
    } else {
        frame.alignedExtraBits += static_cast<uint64_t>(extra);
    }
}

}  // namespace Lzx
