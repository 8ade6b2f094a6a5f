#pragma once

#include <string>
#include <vector>

namespace Kestlib {

using StringList = std::vector<std::wstring>;
using StringListA = std::vector<std::string>;

// max_pieces of -1 or 0 means no limit; 1, or an empty delimiter, is an error.
StringList SplitString(const std::wstring& text, const std::wstring& delimiter, int maxPieces = -1);
StringListA SplitString(const std::string& text, const std::string& delimiter, int maxPieces = -1);

std::wstring JoinStrings(const StringList& items, const std::wstring& separator);
std::string JoinStrings(const StringListA& items, const std::string& separator);

std::wstring TrimLeft(const std::wstring& text, const std::wstring& set);
std::wstring TrimRight(const std::wstring& text, const std::wstring& set);
std::wstring Trim(const std::wstring& text, const std::wstring& set);
std::string TrimLeft(const std::string& text, const std::string& set);
std::string TrimRight(const std::string& text, const std::string& set);
std::string Trim(const std::string& text, const std::string& set);

bool StartsWith(const std::wstring& text, const std::wstring& part);
bool EndsWith(const std::wstring& text, const std::wstring& part);
bool StartsWith(const std::string& text, const std::string& part);
bool EndsWith(const std::string& text, const std::string& part);

std::wstring ReplaceAll(const std::wstring& text, const std::wstring& what, const std::wstring& with);
std::string ReplaceAll(const std::string& text, const std::string& what, const std::string& with);

}  // namespace Kestlib
