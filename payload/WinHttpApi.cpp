#include "payload/WinHttpApi.h"

#include "lib/SystemError.h"

namespace {

// The socket layer's codes, which some clients pass on as they are.
const DWORD kSocketTimedOut = 10060;
const DWORD kSocketReset = 10054;

const wchar_t* Describe(DWORD error) {
    switch (error) {
        case ERROR_WINHTTP_TIMEOUT:
        case kSocketTimedOut:
            return L"The operation timed out";
        case ERROR_WINHTTP_INVALID_SERVER_RESPONSE:
            return L"The server response could not be parsed";
        case ERROR_WINHTTP_CONNECTION_ERROR:
        case kSocketReset:
            return L"The connection with the server was reset";
        default:
            return nullptr;
    }
}

}  // namespace

const WinHttpApi& WinHttp() {
    static const WinHttpApi functions;
    return functions;
}

void ThrowWinHttpError(const std::wstring& context, DWORD error) {
    std::wstring text = Kestlib::SystemErrorText(static_cast<long>(error), context, L"winhttp.dll");
    // A code the system cannot describe comes out as the code once more.
    const std::wstring bare = L": " + text.substr(0, text.find(L" - "));
    const wchar_t* description = Describe(error);
    if (description != nullptr && text.size() > bare.size() &&
        text.compare(text.size() - bare.size(), bare.size(), bare) == 0)
        text.replace(text.size() - bare.size() + 2, std::wstring::npos, description);
    Kestlib::ThrowError(text);
}
