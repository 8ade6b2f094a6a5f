#include "payload/HttpTransfer.h"

#include <shlwapi.h>

#include <cwchar>
#include <cwctype>
#include <vector>

#include "base/InstallerLog.h"
#include "lib/SystemError.h"
#include "payload/DownloadTarget.h"
#include "payload/WinHttpApi.h"

namespace {

const wchar_t kUserAgent[] = L"Bootwright";
const DWORD kReadSize = 65536;
// Progress is reported at most this often; the end is always reported.
const ULONGLONG kReportIntervalMs = 100;

// The socket layer's codes for a connection that broke, was refused or went silent.
bool IsSocketError(DWORD error) { return error >= 10050 && error <= 10065; }

// Failures of the network, which may pass; the rest (certificates, names
// the client refuses, bad addresses) will not change by asking again.
bool IsNetworkError(DWORD error) {
    switch (error) {
        case ERROR_WINHTTP_TIMEOUT:
        case ERROR_WINHTTP_NAME_NOT_RESOLVED:
        case ERROR_WINHTTP_CANNOT_CONNECT:
        case ERROR_WINHTTP_CONNECTION_ERROR:
        case ERROR_WINHTTP_INVALID_SERVER_RESPONSE:
            return true;
        default:
            return IsSocketError(error);
    }
}

bool IsRedirect(DWORD status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// Statuses a server gives while it cannot serve for now.
bool IsTemporaryStatus(DWORD status) { return status >= 500 || status == 408 || status == 429; }

bool StartsWithNoCase(const std::wstring& text, const wchar_t* prefix) {
    const size_t length = std::wcslen(prefix);
    return text.size() >= length && ::_wcsnicmp(text.c_str(), prefix, length) == 0;
}

// A header's value; empty when the answer has none.
std::wstring Header(HINTERNET request, DWORD query) {
    DWORD size = 0;
    if (WinHttp().queryHeaders(request, query, WINHTTP_HEADER_NAME_BY_INDEX, WINHTTP_NO_OUTPUT_BUFFER, &size,
                               WINHTTP_NO_HEADER_INDEX) ||
        ::GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        return std::wstring();
    std::vector<wchar_t> value(size / sizeof(wchar_t) + 1, L'\0');
    if (!WinHttp().queryHeaders(request, query, WINHTTP_HEADER_NAME_BY_INDEX, value.data(), &size,
                                WINHTTP_NO_HEADER_INDEX))
        return std::wstring();
    return std::wstring(value.data());
}

// A whole decimal number; false for anything else.
bool ParseSize(const std::wstring& text, std::uint64_t& size) {
    if (text.empty() || text.size() > 19) return false;
    for (wchar_t c : text)
        if (!std::iswdigit(c)) return false;
    size = std::wcstoull(text.c_str(), nullptr, 10);
    return true;
}

bool IsChunked(HINTERNET request) {
    std::wstring coding = Header(request, WINHTTP_QUERY_TRANSFER_ENCODING);
    for (wchar_t& c : coding) c = static_cast<wchar_t>(std::towlower(c));
    return coding.find(L"chunked") != std::wstring::npos;
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

}  // namespace

// One request and its answer; the request goes before its connection, the
// connection before its session.
struct HttpTransfer::Exchange {
    InternetHandle session;
    InternetHandle connection;
    InternetHandle request;
    DWORD status = 0;
};

HttpTransfer::HttpTransfer(HttpTransferProgress& progress, DWORD idleTimeoutMs)
    : m_progress(progress), m_idleTimeoutMs(idleTimeoutMs) {}

bool HttpTransfer::Handles(const std::wstring& url) {
    return StartsWithNoCase(url, L"http://") || StartsWithNoCase(url, L"https://");
}

void HttpTransfer::SetProxySettings(const ProxySettings& settings) {
    m_proxySettings = settings;
    m_userSettings = false;
}

void HttpTransfer::Fail(Failure kind, const std::wstring& text) {
    m_failure = kind;
    Kestlib::ThrowError(text);
}

void HttpTransfer::FailWith(const std::wstring& context, DWORD error) {
    m_failure = IsNetworkError(error) ? Failure::Network : Failure::Answer;
    ThrowWinHttpError(context, error);
}

namespace {

// A session of the platform's client for one route, with every wait bounded
// and the TLS versions enabled explicitly: Windows 7 and 8 offer only TLS 1.0
// unless asked. Older protocols stay off. tls12 tells whether the client took
// it. The proxy is given here, since some clients take it from nowhere else.
InternetHandle OpenSession(const ProxyRoute& route, DWORD idleTimeoutMs, bool& tls12) {
    const bool named = !route.proxy.empty();
    // Without a proxy of the user's, the machine's own setting for the HTTP
    // client (set with netsh, as on servers) still applies; unset, it is direct.
    const DWORD access = named ? WINHTTP_ACCESS_TYPE_NAMED_PROXY : WINHTTP_ACCESS_TYPE_DEFAULT_PROXY;
    InternetHandle session(WinHttp().open(kUserAgent, access, named ? route.proxy.c_str() : WINHTTP_NO_PROXY_NAME,
                                          named && !route.bypass.empty() ? route.bypass.c_str() : WINHTTP_NO_PROXY_BYPASS,
                                          0));
    if (!session) return session;
    const int timeout = static_cast<int>(idleTimeoutMs);
    if (!WinHttp().setTimeouts(session.Get(), timeout, timeout, timeout, timeout)) return InternetHandle();
    // A client that does not know TLS 1.3 refuses the whole set.
    DWORD protocols = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2 | WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3;
    tls12 = WinHttp().setOption(session.Get(), WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols, sizeof(protocols));
    if (!tls12) {
        protocols = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2;
        tls12 = WinHttp().setOption(session.Get(), WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols, sizeof(protocols));
    }
    return session;
}

bool IsSecure(const std::wstring& url) { return StartsWithNoCase(url, L"https://"); }

}  // namespace

HttpTransfer::Exchange HttpTransfer::Send(void* resolver, const std::wstring& url, const std::wstring& headers,
                                          const std::wstring& context) {
    URL_COMPONENTS parts = {};
    parts.dwStructSize = sizeof(parts);
    parts.dwHostNameLength = static_cast<DWORD>(-1);
    parts.dwUrlPathLength = static_cast<DWORD>(-1);
    parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (!WinHttp().crackUrl(url.c_str(), 0, 0, &parts)) FailWith(context, ::GetLastError());
    const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    std::wstring path(parts.lpszUrlPath, parts.dwUrlPathLength);
    path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    const ProxyRoute route = ResolveProxy(m_userSettings ? ProxySettings::OfCurrentUser() : m_proxySettings, url,
                                          PlatformProxyLookup(resolver));
    if (!route.proxy.empty()) LOG(L"Proxy for '" << url << L"': " << route.proxy << L" (" << route.origin << L")");

    Exchange exchange;
    bool tls12 = false;
    exchange.session = OpenSession(route, m_idleTimeoutMs, tls12);
    if (!exchange.session) FailWith(context, ::GetLastError());
    if (IsSecure(url) && !tls12)
        Fail(Failure::Answer, context + L": this system's HTTP client cannot use TLS 1.2 (Windows 7 and 8 need "
                                        L"the update that adds it)");
    exchange.connection.Reset(WinHttp().connect(exchange.session.Get(), host.c_str(), parts.nPort, 0));
    if (!exchange.connection) FailWith(context, ::GetLastError());
    exchange.request.Reset(WinHttp().openRequest(exchange.connection.Get(), L"GET", path.c_str(), nullptr,
                                                 WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                                 parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0));
    if (!exchange.request) FailWith(context, ::GetLastError());
    HINTERNET request = exchange.request.Get();
    DWORD disable = WINHTTP_DISABLE_REDIRECTS;
    if (!WinHttp().setOption(request, WINHTTP_OPTION_DISABLE_FEATURE, &disable, sizeof(disable)))
        FailWith(context, ::GetLastError());
    // The wait for the answer's headers has a setting of its own.
    DWORD responseTimeout = m_idleTimeoutMs;
    WinHttp().setOption(request, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &responseTimeout, sizeof(responseTimeout));
    m_progress.Connecting();
    m_progress.SendingRequest();
    if (!WinHttp().sendRequest(request, headers.empty() ? WINHTTP_NO_ADDITIONAL_HEADERS : headers.c_str(),
                               headers.empty() ? 0 : static_cast<DWORD>(-1L), WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
        !WinHttp().receiveResponse(request, nullptr))
        FailWith(context, ::GetLastError());
    DWORD size = sizeof(exchange.status);
    if (!WinHttp().queryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                                WINHTTP_HEADER_NAME_BY_INDEX, &exchange.status, &size, WINHTTP_NO_HEADER_INDEX))
        FailWith(context, ::GetLastError());
    return exchange;
}

HttpTransfer::End HttpTransfer::ConfirmEnd(void* resolver, const std::wstring& url, std::uint64_t received,
                                           const std::wstring& context) {
    const Exchange probe = Send(resolver, url, L"Range: bytes=" + std::to_wstring(received) + L"-", context);
    // Nothing follows: the range starts at the end, and the total, when given, is what arrived.
    if (probe.status == 416) {
        const std::wstring range = Header(probe.request.Get(), WINHTTP_QUERY_CONTENT_RANGE);
        const size_t slash = range.rfind(L'/');
        std::uint64_t total = 0;
        if (slash == std::wstring::npos || !ParseSize(range.substr(slash + 1), total) || total == received)
            return End::Confirmed;
        return End::Cut;
    }
    return probe.status == 206 ? End::Cut : End::Unknown;
}

HttpTransfer::Exchange HttpTransfer::Follow(void* resolver, const std::wstring& url, const std::wstring& headers,
                                            std::wstring& address, const std::wstring& context) {
    address = url;
    Exchange exchange = Send(resolver, address, headers, context);
    for (int redirects = 0; IsRedirect(exchange.status); ++redirects) {
        const std::wstring location = Header(exchange.request.Get(), WINHTTP_QUERY_LOCATION);
        if (location.empty()) break;
        if (redirects == kDownloadMaxRedirects)
            Fail(Failure::Answer, context + L": more than " + std::to_wstring(kDownloadMaxRedirects) + L" redirects");
        const std::wstring next = Resolve(address, location, context);
        if (!Handles(next)) Fail(Failure::Answer, context + L": redirected to an unsupported address '" + next + L"'");
        // The platform's client refuses this itself when it follows redirects; here they are followed by hand.
        if (IsSecure(address) && !IsSecure(next))
            Fail(Failure::Answer, context + L": refused the redirect from https to the unencrypted address '" + next + L"'");
        address = next;
        exchange = Send(resolver, address, headers, context);
    }
    return exchange;
}

namespace {

// What identifies one version of a file: a strong ETag, else its date; a
// weak ETag may not be used to continue a file.
std::wstring Validator(HINTERNET request) {
    const std::wstring etag = Header(request, WINHTTP_QUERY_ETAG);
    if (!etag.empty() && !StartsWithNoCase(etag, L"W/")) return etag;
    return Header(request, WINHTTP_QUERY_LAST_MODIFIED);
}

// A 206 answer that continues these bytes: it starts where they end, names
// the same version and the same whole size.
bool Continues(HINTERNET request, const DownloadTarget& target) {
    const std::wstring range = Header(request, WINHTTP_QUERY_CONTENT_RANGE);
    const size_t dash = range.find(L'-');
    const size_t slash = range.rfind(L'/');
    std::uint64_t first = 0, total = 0;
    if (!StartsWithNoCase(range, L"bytes ") || dash == std::wstring::npos || slash == std::wstring::npos ||
        !ParseSize(range.substr(6, dash - 6), first) || !ParseSize(range.substr(slash + 1), total))
        return false;
    return first == target.Size() && (target.total == 0 || total == target.total) &&
           Validator(request) == target.validator;
}

}  // namespace

void HttpTransfer::Fetch(const std::wstring& url, DownloadTarget& target, const std::wstring& context) {
    m_failure = Failure::None;
    // Only asks the platform where a URL's proxy is; every request has a session of its own route.
    InternetHandle resolver(
        WinHttp().open(kUserAgent, WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
    if (!resolver) FailWith(context, ::GetLastError());
    // Bytes an earlier attempt wrote are continued only when the server
    // agrees that they are of the same file; any other answer starts over.
    bool ranged = target.IsOpen() && target.Size() > 0 && !target.validator.empty();
    std::wstring address;
    Exchange exchange;
    for (;;) {
        const std::wstring headers =
            ranged ? L"Range: bytes=" + std::to_wstring(target.Size()) + L"-\r\nIf-Range: " + target.validator
                   : std::wstring();
        exchange = Follow(resolver.Get(), url, headers, address, context);
        if (!ranged || IsTemporaryStatus(exchange.status)) break;
        if (exchange.status == 206 && Continues(exchange.request.Get(), target)) break;
        LOG(L"The server of '" << address << L"' does not continue the file at byte " << target.Size()
                                << L"; the download starts over");
        ranged = false;
        // A whole file in answer is as good as a new request.
        if (exchange.status == 200) break;
    }
    if (exchange.status < 200 || exchange.status > 299) {
        // Bytes a later attempt may continue are kept through a passing failure.
        if (!IsTemporaryStatus(exchange.status) || target.validator.empty()) target.Discard();
        Fail(IsTemporaryStatus(exchange.status) ? Failure::Network : Failure::Answer,
             context + L": HTTP status " + std::to_wstring(exchange.status));
    }

    HINTERNET request = exchange.request.Get();
    std::uint64_t announced = 0;
    const bool known = ParseSize(Header(request, WINHTTP_QUERY_CONTENT_LENGTH), announced);
    const bool resumed = exchange.status == 206;
    if (resumed) {
        LOG(L"The download of '" << address << L"' continues at byte " << target.Size());
        target.Begin(false);
    } else {
        target.Begin(true);
        target.validator = Validator(request);
        target.total = known ? announced : 0;
    }
    std::vector<char> buffer(kReadSize);
    std::uint64_t received = 0;
    ULONGLONG reported = ::GetTickCount64();
    for (;;) {
        if (m_progress.IsCancelled()) Fail(Failure::Cancelled, Kestlib::SystemErrorText(E_ABORT, context));
        DWORD read = 0;
        if (!WinHttp().readData(request, buffer.data(), kReadSize, &read)) FailWith(context, ::GetLastError());
        if (read == 0) break;
        target.Append(buffer.data(), read);
        received += read;
        if (::GetTickCount64() - reported >= kReportIntervalMs) {
            reported = ::GetTickCount64();
            m_progress.Received(target.Size(), target.total);
        }
    }
    m_progress.Received(target.Size(), target.total);
    // The platform's client reports the end of a cut connection as the end of the body.
    if ((known && received != announced) || (target.total != 0 && target.Size() != target.total))
        Fail(Failure::Network, context + L": the connection ended after " + std::to_wstring(target.Size()) + L" of " +
                                   std::to_wstring(target.total != 0 ? target.total : announced) + L" bytes");
    if (known || resumed || !IsChunked(request)) return;
    exchange = Exchange();
    switch (ConfirmEnd(resolver.Get(), address, received, context)) {
        case End::Confirmed:
            return;
        case End::Cut:
            Fail(Failure::Network, context + L": the connection ended after " + std::to_wstring(received) +
                                       L" bytes, before the last chunk of the body");
        case End::Unknown:
            LOG(L"The server cannot say whether the chunked body of '" << address << L"' ended after " << received
                                                                         << L" bytes; only a checksum can tell");
            return;
    }
}
