#include "packager/Huffman.h"

#include <algorithm>
#include <vector>

namespace Huffman {

namespace {

// Minimum-redundancy code lengths in place (Moffat and Katajainen): the
// weights come in ascending order and leave as lengths, longest first.
void InPlaceLengths(std::vector<uint32_t>& a) {
    const int n = static_cast<int>(a.size());
    a[0] += a[1];
    int root = 0, leaf = 2;
    for (int next = 1; next < n - 1; ++next) {
        if (leaf >= n || a[root] < a[leaf]) {
            a[next] = a[root];
            a[root++] = static_cast<uint32_t>(next);
        } else {
            a[next] = a[leaf++];
        }
        if (leaf >= n || (root < next && a[root] < a[leaf])) {
            a[next] += a[root];
            a[root++] = static_cast<uint32_t>(next);
        } else {
            a[next] += a[leaf++];
        }
    }
    a[n - 2] = 0;
    for (int next = n - 3; next >= 0; --next) a[next] = a[a[next]] + 1;
    int available = 1, used = 0, depth = 0;
    root = n - 2;
    int next = n - 1;
    while (available > 0) {
        while (root >= 0 && static_cast<int>(a[root]) == depth) {
            ++used;
            --root;
        }
        while (available > used) {
            a[next--] = static_cast<uint32_t>(depth);
            --available;
        }
        available = 2 * used;
        ++depth;
        used = 0;
    }
}

// Brings every length within the limit and the code back to complete: the
// rarest symbols give way first.
void Limit(std::vector<uint32_t>& lengths, int limit) {
    if (static_cast<int>(lengths[0]) <= limit) return;
    const uint64_t whole = 1ULL << limit;
    uint64_t sum = 0;
    for (uint32_t& length : lengths) {
        if (static_cast<int>(length) > limit) length = static_cast<uint32_t>(limit);
        sum += 1ULL << (limit - static_cast<int>(length));
    }
    while (sum > whole) {
        size_t i = 0;
        while (static_cast<int>(lengths[i]) == limit) ++i;
        ++lengths[i];
        sum -= 1ULL << (limit - static_cast<int>(lengths[i]));
    }
    for (size_t i = 0; sum < whole && i < lengths.size();) {
        uint64_t gain = 1ULL << (limit - static_cast<int>(lengths[i]));
        if (sum + gain <= whole) {
            sum += gain;
            --lengths[i];
        } else {
            ++i;
        }
    }
}

}  // namespace

void BuildLengths(const uint32_t* counts, int symbols, int limit, uint8_t* lengths) {
    std::vector<std::pair<uint32_t, int>> used;
    for (int s = 0; s < symbols; ++s) {
        lengths[s] = 0;
        if (counts[s] > 0) used.emplace_back(counts[s], s);
    }
    if (used.size() < 2) {
        // One symbol, or none: the decoders still need a complete code.
        int first = used.empty() ? 0 : used[0].second;
        lengths[first] = 1;
        lengths[first == 0 ? 1 : 0] = 1;
        return;
    }
    std::sort(used.begin(), used.end());
    std::vector<uint32_t> work(used.size());
    for (size_t i = 0; i < used.size(); ++i) work[i] = used[i].first;
    InPlaceLengths(work);
    Limit(work, limit);
    for (size_t i = 0; i < used.size(); ++i) lengths[used[i].second] = static_cast<uint8_t>(work[i]);
}

void BuildCodes(const uint8_t* lengths, int symbols, uint16_t* codes) {
    uint32_t count[33] = {};
    for (int s = 0; s < symbols; ++s) ++count[lengths[s]];
    count[0] = 0;
    uint32_t next[33] = {};
    uint32_t code = 0;
    for (int length = 1; length <= 32; ++length) {
        code = (code + count[length - 1]) << 1;
        next[length] = code;
    }
    for (int s = 0; s < symbols; ++s)
        if (lengths[s] != 0) codes[s] = static_cast<uint16_t>(next[lengths[s]]++);
}

}  // namespace Huffman
