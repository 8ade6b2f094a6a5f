#include "base/FilterMatching.h"

#include "base/ProcessorArchitecture.h"
#include "lib/StringUtils.h"
#include "lib/ValueParsing.h"

using namespace Kestlib;

bool MatchLcidFilter(const std::wstring& filter, unsigned long lcid) {
    if (filter.empty()) return true;
    for (const std::wstring& piece : SplitString(filter, L",")) {
        if (piece.empty()) continue;
        if (piece[0] == L'!') {
            if (lcid != static_cast<unsigned long>(ParseInt(piece.substr(1)))) return true;
        } else if (lcid == static_cast<unsigned long>(ParseInt(piece))) {
            return true;
        }
    }
    return false;
}

bool MatchProcessorFilter(const std::wstring& filter, int architecture) {
    if (filter.empty()) return true;
    for (const std::wstring& piece : SplitString(filter, L",")) {
        if (piece.empty()) continue;
        bool negated = piece[0] == L'!';
        int id = ParseProcessorArchitecture(negated ? piece.substr(1) : piece);
        if (id == architecture) return !negated;
    }
    return false;
}

bool MatchOsRange(const std::wstring& greater, const std::wstring& smaller, int os) {
    int lower = greater.empty() ? -1 : ParseInt(greater);
    int upper = smaller.empty() ? 121 : ParseInt(smaller);
    return lower < os && os < upper;
}
