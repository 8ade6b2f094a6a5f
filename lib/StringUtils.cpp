#include "lib/StringUtils.h"

#include "lib/SystemError.h"

namespace Kestlib {

namespace {

template <class S>
std::vector<S> Split(const S& text, const S& delimiter, int maxPieces) {
    if (maxPieces == 1 || delimiter.empty()) ThrowError(L"Invalid parameter");
    std::vector<S> pieces;
    S rest = text;
    for (;;) {
        if (maxPieces > 1 && static_cast<int>(pieces.size()) >= maxPieces - 1) break;
        typename S::size_type pos = rest.find(delimiter);
        if (pos == S::npos) break;
        pieces.push_back(rest.substr(0, pos));
        rest = rest.substr(pos + delimiter.size());
    }
    pieces.push_back(rest);
    return pieces;
}

template <class S>
S Join(const std::vector<S>& items, const S& separator) {
    S text;
    for (size_t i = 0; i < items.size(); ++i) {
        if (i > 0) text += separator;
        text += items[i];
    }
    return text;
}

template <class S>
S DoTrimLeft(const S& text, const S& set) {
    typename S::size_type pos = text.find_first_not_of(set);
    return pos == S::npos ? S() : text.substr(pos);
}

template <class S>
S DoTrimRight(const S& text, const S& set) {
    typename S::size_type pos = text.find_last_not_of(set);
    return pos == S::npos ? S() : text.substr(0, pos + 1);
}

template <class S>
bool DoStartsWith(const S& text, const S& part) {
    return text.size() >= part.size() && text.compare(0, part.size(), part) == 0;
}

template <class S>
bool DoEndsWith(const S& text, const S& part) {
    return text.size() >= part.size() &&
           text.compare(text.size() - part.size(), part.size(), part) == 0;
}

template <class S>
S DoReplaceAll(const S& text, const S& what, const S& with) {
    if (text.empty() || what.empty()) return text;
    S result = text;
    typename S::size_type pos = 0;
    while ((pos = result.find(what, pos)) != S::npos) {
        result.replace(pos, what.size(), with);
        pos += with.size();
    }
    return result;
}

}  // namespace

StringList SplitString(const std::wstring& text, const std::wstring& delimiter, int maxPieces) {
    return Split(text, delimiter, maxPieces);
}
StringListA SplitString(const std::string& text, const std::string& delimiter, int maxPieces) {
    return Split(text, delimiter, maxPieces);
}
std::wstring JoinStrings(const StringList& items, const std::wstring& separator) {
    return Join(items, separator);
}
std::string JoinStrings(const StringListA& items, const std::string& separator) {
    return Join(items, separator);
}
std::wstring TrimLeft(const std::wstring& text, const std::wstring& set) { return DoTrimLeft(text, set); }
std::wstring TrimRight(const std::wstring& text, const std::wstring& set) { return DoTrimRight(text, set); }
std::wstring Trim(const std::wstring& text, const std::wstring& set) {
    return DoTrimLeft(DoTrimRight(text, set), set);
}
std::string TrimLeft(const std::string& text, const std::string& set) { return DoTrimLeft(text, set); }
std::string TrimRight(const std::string& text, const std::string& set) { return DoTrimRight(text, set); }
std::string Trim(const std::string& text, const std::string& set) {
    return DoTrimLeft(DoTrimRight(text, set), set);
}
bool StartsWith(const std::wstring& text, const std::wstring& part) { return DoStartsWith(text, part); }
bool EndsWith(const std::wstring& text, const std::wstring& part) { return DoEndsWith(text, part); }
bool StartsWith(const std::string& text, const std::string& part) { return DoStartsWith(text, part); }
bool EndsWith(const std::string& text, const std::string& part) { return DoEndsWith(text, part); }
std::wstring ReplaceAll(const std::wstring& text, const std::wstring& what, const std::wstring& with) {
    return DoReplaceAll(text, what, with);
}
std::string ReplaceAll(const std::string& text, const std::string& what, const std::string& with) {
    return DoReplaceAll(text, what, with);
}

}  // namespace Kestlib
