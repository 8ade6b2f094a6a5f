#include "payload/HttpTransfer.h"

#include <shlwapi.h>
#include <winhttp.h>

#include <cwchar>
#include <cwctype>
#include <vector>

#include "lib/Handles.h"
#include "lib/SystemError.h"
#include "lib/SystemLibrary.h"

namespace {

const wchar_t kUserAgent[] = L"Bootwright";
const DWORD kReadSize = 65536;
// Progress is reported at most this often; the end is always reported.
const ULONGLONG kReportIntervalMs = 100;

// The platform's HTTP client, loaded on first use and kept for the process.
struct WinHttpFunctions {
    Kestlib::SystemLibrary library{L"winhttp.dll"};
    decltype(&::WinHttpOpen) open = library.Entry<decltype(open)>("WinHttpOpen");
    decltype(&::WinHttpConnect) connect = library.Entry<decltype(connect)>("WinHttpConnect");
    decltype(&::WinHttpOpenRequest) openRequest = library.Entry<decltype(openRequest)>("WinHttpOpenRequest");
    decltype(&::WinHttpSetTimeouts) setTimeouts = library.Entry<decltype(setTimeouts)>("WinHttpSetTimeouts");
    decltype(&::WinHttpSetOption) setOption = library.Entry<decltype(setOption)>("WinHttpSetOption");
    decltype(&::WinHttpSendRequest) sendRequest = library.Entry<decltype(sendRequest)>("WinHttpSendRequest");
    decltype(&::WinHttpReceiveResponse) receiveResponse =
        library.Entry<decltype(receiveResponse)>("WinHttpReceiveResponse");
    decltype(&::WinHttpQueryHeaders) queryHeaders = library.Entry<decltype(queryHeaders)>("WinHttpQueryHeaders");
    decltype(&::WinHttpReadData) readData = library.Entry<decltype(readData)>("WinHttpReadData");
    decltype(&::WinHttpCloseHandle) closeHandle = library.Entry<decltype(closeHandle)>("WinHttpCloseHandle");
    decltype(&::WinHttpCrackUrl) crackUrl = library.Entry<decltype(crackUrl)>("WinHttpCrackUrl");
    decltype(&::WinHttpGetIEProxyConfigForCurrentUser) userProxy =
        library.Entry<decltype(userProxy)>("WinHttpGetIEProxyConfigForCurrentUser");
};

const WinHttpFunctions& Api() {
    static const WinHttpFunctions functions;
    return functions;
}

struct InternetHandleTraits {
    using Type = HINTERNET;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { Api().closeHandle(h); }
};
using InternetHandle = Kestlib::UniqueHandle<InternetHandleTraits>;

// The strings of the user's proxy setting, freed as the platform asks.
struct UserProxy {
    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG config = {};
    UserProxy() {
        if (!Api().userProxy(&config)) config = WINHTTP_CURRENT_USER_IE_PROXY_CONFIG();
    }
    ~UserProxy() {
        for (LPWSTR text : {config.lpszAutoConfigUrl, config.lpszProxy, config.lpszProxyBypass})
            if (text != nullptr) ::GlobalFree(text);
    }
    UserProxy(const UserProxy&) = delete;
    UserProxy& operator=(const UserProxy&) = delete;
};

// The socket layer's codes, which some clients pass on as they are.
const DWORD kSocketTimedOut = 10060;
const DWORD kSocketReset = 10054;

// Texts for the codes a cut or silent connection gives, where the system has none.
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

[[noreturn]] void Fail(const std::wstring& context, DWORD error) {
    std::wstring text = Kestlib::SystemErrorText(static_cast<long>(error), context, L"winhttp.dll");
    // A code the system cannot describe comes out as the code once more.
    const std::wstring bare = L": " + text.substr(0, text.find(L" - "));
    const wchar_t* description = Describe(error);
    if (description != nullptr && text.size() > bare.size() && text.compare(text.size() - bare.size(), bare.size(), bare) == 0)
        text.replace(text.size() - bare.size() + 2, std::wstring::npos, description);
    Kestlib::ThrowError(text);
}

bool IsRedirect(DWORD status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

bool StartsWithNoCase(const std::wstring& text, const wchar_t* prefix) {
    const size_t length = std::wcslen(prefix);
    return text.size() >= length && ::_wcsnicmp(text.c_str(), prefix, length) == 0;
}

// A header's value; empty when the answer has none.
std::wstring Header(HINTERNET request, DWORD query, const std::wstring& context) {
    DWORD size = 0;
    if (Api().queryHeaders(request, query, WINHTTP_HEADER_NAME_BY_INDEX, WINHTTP_NO_OUTPUT_BUFFER, &size,
                           WINHTTP_NO_HEADER_INDEX))
        return std::wstring();
    DWORD error = ::GetLastError();
    if (error == ERROR_WINHTTP_HEADER_NOT_FOUND) return std::wstring();
    if (error != ERROR_INSUFFICIENT_BUFFER) Fail(context, error);
    std::vector<wchar_t> value(size / sizeof(wchar_t) + 1, L'\0');
    if (!Api().queryHeaders(request, query, WINHTTP_HEADER_NAME_BY_INDEX, value.data(), &size,
                            WINHTTP_NO_HEADER_INDEX))
        Fail(context, ::GetLastError());
    return std::wstring(value.data());
}

// The announced body size; false when there is none or it is not a number.
bool AnnouncedLength(HINTERNET request, const std::wstring& context, std::uint64_t& length) {
    const std::wstring text = Header(request, WINHTTP_QUERY_CONTENT_LENGTH, context);
    if (text.empty()) return false;
    for (wchar_t c : text)
        if (!std::iswdigit(c)) return false;
    length = std::wcstoull(text.c_str(), nullptr, 10);
    return true;
}

// A Location header resolved against the address that sent it.
std::wstring Resolve(const std::wstring& base, const std::wstring& location, const std::wstring& context) {
    std::vector<wchar_t> combined(base.size() + location.size() + 64);
    DWORD length = static_cast<DWORD>(combined.size());
    HRESULT result = ::UrlCombineW(base.c_str(), location.c_str(), combined.data(), &length, 0);
    if (result == E_POINTER) {
        combined.resize(length + 1);
        length = static_cast<DWORD>(combined.size());
        result = ::UrlCombineW(base.c_str(), location.c_str(), combined.data(), &length, 0);
    }
    if (FAILED(result)) Kestlib::ThrowError(Kestlib::SystemErrorText(result, context));
    return std::wstring(combined.data(), length);
}

// One request and its answer; the request goes before its connection.
struct Exchange {
    InternetHandle connection;
    InternetHandle request;
    DWORD status = 0;
};

}  // namespace

HttpTransfer::HttpTransfer(HttpTransferProgress& progress, DWORD idleTimeoutMs)
    : m_progress(progress), m_idleTimeoutMs(idleTimeoutMs) {}

bool HttpTransfer::Handles(const std::wstring& url) {
    return StartsWithNoCase(url, L"http://") || StartsWithNoCase(url, L"https://");
}

namespace {

InternetHandle OpenSession(DWORD idleTimeoutMs, const std::wstring& context) {
    UserProxy proxy;
    const bool named = proxy.config.lpszProxy != nullptr && *proxy.config.lpszProxy != L'\0';
    InternetHandle session(Api().open(kUserAgent, named ? WINHTTP_ACCESS_TYPE_NAMED_PROXY : WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                                      named ? proxy.config.lpszProxy : WINHTTP_NO_PROXY_NAME,
                                      named && proxy.config.lpszProxyBypass != nullptr ? proxy.config.lpszProxyBypass
                                                                                        : WINHTTP_NO_PROXY_BYPASS,
                                      0));
    if (!session) Fail(context, ::GetLastError());
    const int timeout = static_cast<int>(idleTimeoutMs);
    if (!Api().setTimeouts(session.Get(), timeout, timeout, timeout, timeout)) Fail(context, ::GetLastError());
    return session;
}

// Sends a GET for url and waits for the answer's headers. Redirects are
// not followed here: the caller counts them.
Exchange Send(HINTERNET session, const std::wstring& url, DWORD idleTimeoutMs, HttpTransferProgress& progress,
              const std::wstring& context) {
    URL_COMPONENTS parts = {};
    parts.dwStructSize = sizeof(parts);
    parts.dwHostNameLength = static_cast<DWORD>(-1);
    parts.dwUrlPathLength = static_cast<DWORD>(-1);
    parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (!Api().crackUrl(url.c_str(), 0, 0, &parts)) Fail(context, ::GetLastError());
    const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    std::wstring path(parts.lpszUrlPath, parts.dwUrlPathLength);
    path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    Exchange exchange;
    exchange.connection.Reset(Api().connect(session, host.c_str(), parts.nPort, 0));
    if (!exchange.connection) Fail(context, ::GetLastError());
    exchange.request.Reset(Api().openRequest(exchange.connection.Get(), L"GET", path.c_str(), nullptr,
                                             WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                             parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0));
    if (!exchange.request) Fail(context, ::GetLastError());
    HINTERNET request = exchange.request.Get();
    DWORD disable = WINHTTP_DISABLE_REDIRECTS;
    if (!Api().setOption(request, WINHTTP_OPTION_DISABLE_FEATURE, &disable, sizeof(disable)))
        Fail(context, ::GetLastError());
    // The wait for the answer's headers has a setting of its own.
    DWORD responseTimeout = idleTimeoutMs;
    Api().setOption(request, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &responseTimeout, sizeof(responseTimeout));
    progress.Connecting();
    progress.SendingRequest();
    if (!Api().sendRequest(request, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
        !Api().receiveResponse(request, nullptr))
        Fail(context, ::GetLastError());
    DWORD size = sizeof(exchange.status);
    if (!Api().queryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                            WINHTTP_HEADER_NAME_BY_INDEX, &exchange.status, &size, WINHTTP_NO_HEADER_INDEX))
        Fail(context, ::GetLastError());
    return exchange;
}

}  // namespace

void HttpTransfer::Fetch(const std::wstring& url, const std::wstring& target, const std::wstring& context) {
    InternetHandle session = OpenSession(m_idleTimeoutMs, context);
    std::wstring address = url;
    Exchange exchange = Send(session.Get(), address, m_idleTimeoutMs, m_progress, context);
    for (int redirects = 0; IsRedirect(exchange.status); ++redirects) {
        const std::wstring location = Header(exchange.request.Get(), WINHTTP_QUERY_LOCATION, context);
        if (location.empty()) break;
        if (redirects == kDownloadMaxRedirects)
            Kestlib::ThrowError(context + L": more than " + std::to_wstring(kDownloadMaxRedirects) + L" redirects");
        address = Resolve(address, location, context);
        if (!Handles(address)) Kestlib::ThrowError(context + L": redirected to an unsupported address '" + address + L"'");
        exchange = Send(session.Get(), address, m_idleTimeoutMs, m_progress, context);
    }
    if (exchange.status < 200 || exchange.status > 299) {
        // No error page may pass for the file, not even one left by an earlier attempt.
        ::DeleteFileW(target.c_str());
        Kestlib::ThrowError(context + L": HTTP status " + std::to_wstring(exchange.status));
    }

    std::uint64_t announced = 0;
    const bool known = AnnouncedLength(exchange.request.Get(), context, announced);
    Kestlib::FileHandle file(
        ::CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) Kestlib::ThrowError(Kestlib::SystemErrorText(static_cast<long>(::GetLastError()), context));
    std::vector<char> buffer(kReadSize);
    std::uint64_t received = 0;
    ULONGLONG reported = ::GetTickCount64();
    for (;;) {
        if (m_progress.IsCancelled()) Kestlib::ThrowError(Kestlib::SystemErrorText(E_ABORT, context));
        DWORD read = 0;
        if (!Api().readData(exchange.request.Get(), buffer.data(), kReadSize, &read)) Fail(context, ::GetLastError());
        if (read == 0) break;
        DWORD written = 0;
        if (!::WriteFile(file.Get(), buffer.data(), read, &written, nullptr) || written != read)
            Kestlib::ThrowError(Kestlib::SystemErrorText(static_cast<long>(::GetLastError()), context));
        received += read;
        if (::GetTickCount64() - reported >= kReportIntervalMs) {
            reported = ::GetTickCount64();
            m_progress.Received(received, known ? announced : 0);
        }
    }
    m_progress.Received(received, known ? announced : 0);
    // The platform's client reports the end of a cut connection as the end of the body.
    if (known && received != announced)
        Kestlib::ThrowError(context + L": the connection ended after " + std::to_wstring(received) + L" of " +
                            std::to_wstring(announced) + L" bytes");
}
