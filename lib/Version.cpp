#include "lib/Version.h"

#include "lib/StringUtils.h"
#include "lib/SystemError.h"
#include "lib/ValueParsing.h"

namespace Kestlib {

Version ParseVersion(const std::wstring& text) {
    if (text.find_first_not_of(L"0123456789.") != std::wstring::npos)
        ThrowError(L"Invalid version format: " + text);
    Version version;
    if (text.empty()) return version;
    // At most four pieces: a fifth part stays in the fourth piece and makes it invalid.
    StringList parts = SplitString(text, L".", 4);
    int* fields[] = {&version.major, &version.minor, &version.build, &version.revision};
    for (size_t i = 0; i < parts.size(); ++i) *fields[i] = ParseInt(parts[i]);
    return version;
}

int CompareVersion(const std::wstring& left, const std::wstring& right) {
    Version a = ParseVersion(left);
    Version b = ParseVersion(right);
    const int lhs[] = {a.major, a.minor, a.build, a.revision};
    const int rhs[] = {b.major, b.minor, b.build, b.revision};
    for (int i = 0; i < 4; ++i) {
        if (lhs[i] < rhs[i]) return -1;
        if (lhs[i] > rhs[i]) return 1;
    }
    return 0;
}

}  // namespace Kestlib
