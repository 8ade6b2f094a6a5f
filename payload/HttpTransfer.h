#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "payload/ProxyResolution.h"

class DownloadTarget;

// How long a download waits for its next byte (or for the server's answer)
// before it fails.
const DWORD kDownloadIdleTimeoutMs = 60000;
// Redirects one download follows before it fails.
const int kDownloadMaxRedirects = 10;

// What a transfer reports while it runs, on the transfer's own thread.
class HttpTransferProgress {
public:
    virtual ~HttpTransferProgress() = default;
    virtual void Connecting() = 0;
    virtual void SendingRequest() = 0;
    // Bytes received so far, and the size the server announced (0: none).
    virtual void Received(std::uint64_t received, std::uint64_t announced) = 0;
    // Asked before every wait for data: true ends the transfer with E_ABORT.
    virtual bool IsCancelled() = 0;
};

// Fetches an http or https URL into a file with the platform's HTTP client,
// so that every wait is bounded: no byte for the idle time ends the
// transfer, redirects are counted and never lead from https to http, TLS 1.2
// (and 1.3 where the platform has it) is enabled, proxies are found per URL,
// and a body is complete only when its end was seen: the announced length
// reached, or a chunked body's end confirmed. Failures are thrown as
// "<context>: <what happened>".
class HttpTransfer {
public:
    // Why the last Fetch failed.
    enum class Failure {
        None,
        // The network or the server may answer otherwise next time: a cut,
        // reset, refused or silent connection, a 5xx status.
        Network,
        // The answer will not change: a 4xx status, a refused redirect, a
        // certificate the platform does not trust.
        Answer,
        Cancelled,
    };

    HttpTransfer(HttpTransferProgress& progress, DWORD idleTimeoutMs);

    // True for the schemes this class fetches (http, https, in any case).
    static bool Handles(const std::wstring& url);

    // The connection settings to resolve proxies from; by default the user's.
    void SetProxySettings(const ProxySettings& settings);

    // Writes the body of a success answer into target: after the bytes an
    // earlier Fetch left there when the server continues the same file
    // (Range and If-Range answered by a matching 206), else from its start.
    // A failure after the first byte leaves what arrived in target; an answer
    // with an error status discards target, unless the status is a passing
    // one (5xx) and the bytes can be continued.
    void Fetch(const std::wstring& url, DownloadTarget& target, const std::wstring& context);
    Failure LastFailure() const { return m_failure; }

private:
    struct Exchange;
    enum class End { Confirmed, Cut, Unknown };

    // Sends a GET (with extra header lines, if any) through the proxy the
    // resolver session finds for url, and waits for the answer's headers.
    // Redirects are not followed here: Fetch counts them.
    Exchange Send(void* resolver, const std::wstring& url, const std::wstring& headers, const std::wstring& context);
    // Send, following redirects; address becomes the URL that answered.
    Exchange Follow(void* resolver, const std::wstring& url, const std::wstring& headers, std::wstring& address,
                    const std::wstring& context);
    // Asks for what follows the received bytes of a chunked body, since the
    // platform's client may read a cut one as complete.
    End ConfirmEnd(void* resolver, const std::wstring& url, std::uint64_t received, const std::wstring& context);
    [[noreturn]] void Fail(Failure kind, const std::wstring& text);
    [[noreturn]] void FailWith(const std::wstring& context, DWORD error);

    HttpTransferProgress& m_progress;
    DWORD m_idleTimeoutMs;
    bool m_userSettings = true;
    ProxySettings m_proxySettings;
    Failure m_failure = Failure::None;
};
