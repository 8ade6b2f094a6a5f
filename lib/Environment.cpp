#include "lib/Process.h"

#include <vector>

#include "lib/SystemError.h"

namespace Kestlib {

std::wstring ExpandEnvironmentReferences(const std::wstring& text) {
    std::wstring result = text;
    std::wstring::size_type search = 0;
    for (;;) {
        std::wstring::size_type open = result.find(L'%', search);
        if (open == std::wstring::npos) break;
        std::wstring::size_type close = result.find(L'%', open + 1);
        if (close == std::wstring::npos) break;
        if (close == open + 1) {
            search = close + 1;
            continue;
        }
        std::wstring value = EnvironmentVariableValue(result.substr(open + 1, close - open - 1));
        result.replace(open, close - open + 1, value);
        // An inserted value is never expanded again.
        search = open + value.size();
    }
    return result;
}

std::wstring EnvironmentVariableValue(const std::wstring& name) {
    std::vector<wchar_t> buffer;
    for (;;) {
        ::SetLastError(ERROR_SUCCESS);
        DWORD result = ::GetEnvironmentVariableW(name.c_str(), buffer.empty() ? nullptr : buffer.data(),
                                                 static_cast<DWORD>(buffer.size()));
        if (result == 0) {
            DWORD error = ::GetLastError();
            // An absent variable and a variable set to an empty text read alike.
            if (error == ERROR_ENVVAR_NOT_FOUND || error == ERROR_SUCCESS) return std::wstring();
            ThrowSystemError(static_cast<long>(error), L"GetEnvironmentVariableW");
        }
        // Fits: the result is the length without the terminator. Otherwise it is
        // the size needed, also when the value grew since the last call.
        if (result < buffer.size()) return std::wstring(buffer.data(), result);
        buffer.assign(result, L'\0');
    }
}

}  // namespace Kestlib
