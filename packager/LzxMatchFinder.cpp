#include "packager/LzxMatchFinder.h"

#include <algorithm>
#include <cstring>

#include "packager/LzxFormat.h"

namespace Lzx {

namespace {

// Room beyond the window, so that the bytes move down only now and then.
const uint32_t kSlack = 8u << 20;
const int kHash3Bits = 16;

uint32_t Read32(const uint8_t* p) {
    uint32_t value;
    std::memcpy(&value, p, sizeof(value));
    return value;
}

uint32_t Hash3(const uint8_t* p) {
    return ((static_cast<uint32_t>(p[0]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[2]) * 2654435761u) >>
           (32 - kHash3Bits);
}

}  // namespace

MatchFinder::MatchFinder(int windowBits, uint32_t depth, uint32_t niceLength)
    : m_windowSize(1u << windowBits),
      m_largestOffset(m_windowSize - 3),
      m_depth(depth),
      m_niceLength(niceLength),
      m_hashBits(std::min(windowBits - 1, 20)),
      m_buffer(m_windowSize + kSlack),
      m_head2(1u << 16),
      m_head3(1u << kHash3Bits),
      m_head4(1u << m_hashBits),
      m_tree(2 * static_cast<size_t>(m_windowSize)) {}

void MatchFinder::Reset() {
    m_base = m_end = m_position = 0;
    std::fill(m_head2.begin(), m_head2.end(), 0);
    std::fill(m_head3.begin(), m_head3.end(), 0);
    std::fill(m_head4.begin(), m_head4.end(), 0);
}

void MatchFinder::Append(const uint8_t* data, uint32_t size) {
    if (m_end - m_base + size > m_buffer.size()) Slide();
    std::memcpy(m_buffer.data() + (m_end - m_base), data, size);
    m_end += size;
}

// Keeps the window before the next position and what follows it.
void MatchFinder::Slide() {
    uint32_t keep = m_position > m_windowSize ? m_position - m_windowSize : 0;
    std::memmove(m_buffer.data(), m_buffer.data() + (keep - m_base), m_end - keep);
    m_base = keep;
}

uint32_t MatchFinder::Find(uint32_t limit, Match* matches) {
    const uint32_t position = m_position++;
    const uint32_t available = m_end - position;
    if (available < 4) return 0;
    const uint8_t* current = At(position);
    const uint32_t walkLimit = std::min(m_niceLength, available);
    uint32_t count = 0, best = 1;

    const uint32_t key2 = current[0] | static_cast<uint32_t>(current[1]) << 8;
    const uint32_t candidate2 = m_head2[key2];
    m_head2[key2] = position + 1;
    if (candidate2 != 0 && position + 1 - candidate2 <= m_largestOffset) {
        uint32_t offset = position + 1 - candidate2;
        best = CommonLength(current, current - offset, 2, walkLimit);
        matches[count++] = Match{best, offset};
    }
    const uint32_t key3 = Hash3(current);
    const uint32_t candidate3 = m_head3[key3];
    m_head3[key3] = position + 1;
    if (candidate3 != 0 && candidate3 != candidate2 && position + 1 - candidate3 <= m_largestOffset) {
        uint32_t offset = position + 1 - candidate3;
        uint32_t length = CommonLength(current, current - offset, 0, walkLimit);
        if (length >= 3 && length > best) {
            best = length;
            matches[count++] = Match{length, offset};
        }
    }
    count += Walk(current, walkLimit, m_depth, best, matches + count);

    // A match as long as the search goes is lengthened as far as it holds.
    const uint32_t longest = std::min(MaxMatch, available);
    if (count > 0 && matches[count - 1].length == walkLimit && walkLimit < longest) {
        Match& last = matches[count - 1];
        last.length = CommonLength(current, current - last.offset, last.length, longest);
    }
    for (uint32_t i = 0; i < count; ++i)
        if (matches[i].length >= limit) {
            matches[i].length = limit;
            return limit >= MinMatch ? i + 1 : 0;
        }
    return count;
}

void MatchFinder::Skip() {
    Match unused[MaxMatch + 2];
    const uint32_t position = m_position++;
    const uint32_t available = m_end - position;
    if (available < 4) return;
    const uint8_t* current = At(position);
    m_head2[current[0] | static_cast<uint32_t>(current[1]) << 8] = position + 1;
    m_head3[Hash3(current)] = position + 1;
    // A position inside a long match: its place in the tree matters less
    // than the time (highly repetitive data is mostly such positions).
    Walk(current, std::min(m_niceLength, available), std::max<uint32_t>(m_depth / 4, 4), MaxMatch, unused);
}

uint32_t MatchFinder::Key4(const uint8_t* data) const { return (Read32(data) * 2654435761u) >> (32 - m_hashBits); }

bool MatchFinder::Recurs(uint32_t end, uint32_t step, uint32_t minLength) const {
    for (uint32_t position = m_position; position < end && m_end - position >= minLength; position += step) {
        const uint8_t* current = At(position);
        uint32_t candidate = m_head4[Key4(current)];
        uint32_t offset = position + 1 - candidate;
        if (candidate != 0 && offset <= m_largestOffset &&
            CommonLength(current, current - offset, 0, minLength) == minLength)
            return true;
    }
    return false;
}

// Every fourth position is enough for a later repeat to be found.
void MatchFinder::SkipPlain(uint32_t end) {
    const uint32_t mask = m_windowSize - 1;
    for (; m_position < end; ++m_position) {
        if (m_end - m_position < 4 || (m_position & 3) != 0) continue;
        m_head4[Key4(At(m_position))] = m_position + 1;
        m_tree[2 * static_cast<size_t>(m_position & mask)] = 0;
        m_tree[2 * static_cast<size_t>(m_position & mask) + 1] = 0;
    }
}

// Inserts the position into its tree, recording each match longer than the
// best one so far on the way down.
uint32_t MatchFinder::Walk(const uint8_t* current, uint32_t lengthLimit, uint32_t depth, uint32_t best,
                           Match* matches) {
    const uint32_t position = m_position - 1;
    const uint32_t mask = m_windowSize - 1;
    const uint32_t key4 = Key4(current);
    uint32_t candidate = m_head4[key4];
    m_head4[key4] = position + 1;
    uint32_t* smaller = &m_tree[2 * static_cast<size_t>(position & mask)];
    uint32_t* larger = smaller + 1;
    uint32_t smallerLength = 0, largerLength = 0;
    uint32_t count = 0;
    for (; candidate != 0 && depth > 0; --depth) {
        const uint32_t offset = position + 1 - candidate;
        if (offset > m_largestOffset) break;
        uint32_t* pair = &m_tree[2 * static_cast<size_t>((candidate - 1) & mask)];
        const uint8_t* other = current - offset;
        uint32_t length = CommonLength(current, other, std::min(smallerLength, largerLength), lengthLimit);
        if (length > best) {
            best = length;
            matches[count++] = Match{length, offset};
        }
        if (length >= lengthLimit) {
            *smaller = pair[0];
            *larger = pair[1];
            return count;
        }
        if (other[length] < current[length]) {
            *smaller = candidate;
            smaller = pair + 1;
            candidate = *smaller;
            smallerLength = length;
        } else {
            *larger = candidate;
            larger = pair;
            candidate = *larger;
            largerLength = length;
        }
    }
    *smaller = 0;
    *larger = 0;
    return count;
}

}  // namespace Lzx
