#include "lib/Process.h"

#include <shellapi.h>

#include "lib/StringUtils.h"
#include "lib/SystemError.h"

namespace Kestlib {

namespace {

// ShellExecuteW reports failures as small numbers; some are platform error
// codes (file or path not found, access denied), the others have their own
// meaning and would otherwise be shown with an unrelated message.
long ShellErrorCode(int result) {
    switch (result) {
    case SE_ERR_OOM:
        return ERROR_NOT_ENOUGH_MEMORY;
    case SE_ERR_SHARE:
        return ERROR_SHARING_VIOLATION;
    case SE_ERR_ASSOCINCOMPLETE:
    case SE_ERR_NOASSOC:
        return ERROR_NO_ASSOCIATION;
    case SE_ERR_DDETIMEOUT:
    case SE_ERR_DDEFAIL:
    case SE_ERR_DDEBUSY:
        return ERROR_DDE_FAIL;
    case SE_ERR_DLLNOTFOUND:
        return ERROR_DLL_NOT_FOUND;
    default:
        return result;
    }
}

}  // namespace

void ShellOpen(const std::wstring& command, int* place) {
    const std::wstring expanded = ExpandEnvironmentReferences(command);
    if (expanded.empty()) ThrowError(L"Missing command");
    // A quoted program ends at the closing quote; an unquoted one at the first blank.
    const std::wstring separator = expanded[0] == L'"' ? L"\" " : L" ";
    StringList parts = SplitString(expanded, separator, 2);
    const std::wstring file = Trim(parts[0], L"\"");
    const wchar_t* parameters = parts.size() > 1 ? parts[1].c_str() : nullptr;
    int result = static_cast<int>(reinterpret_cast<INT_PTR>(
        ::ShellExecuteW(nullptr, nullptr, file.c_str(), parameters, nullptr, SW_SHOWNORMAL)));
    if (result > 32) result = 0;
    else if (result == 0) result = SE_ERR_OOM;
    if (place != nullptr) *place = result;
    if (result != 0) ThrowSystemError(ShellErrorCode(result), L"Error running " + expanded);
}

}  // namespace Kestlib
