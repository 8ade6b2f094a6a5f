#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

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
// transfer, redirects are counted, and a body that ends before the length
// its server announced is a failure, whether the connection was reset or
// closed. Failures are thrown as "<context>: <what happened>".
class HttpTransfer {
public:
    HttpTransfer(HttpTransferProgress& progress, DWORD idleTimeoutMs);

    // True for the schemes this class fetches (http, https, in any case).
    static bool Handles(const std::wstring& url);

    // Writes the body of a success answer into target, made anew. A failure
    // after the first byte leaves what arrived in target; an answer with an
    // error status leaves no target.
    void Fetch(const std::wstring& url, const std::wstring& target, const std::wstring& context);

private:
    HttpTransferProgress& m_progress;
    DWORD m_idleTimeoutMs;
};
