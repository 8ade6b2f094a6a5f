#pragma once

#include <urlmon.h>

#include <exception>
#include <memory>
#include <vector>
#include <string>

#include "base/SharedAny.h"
#include "lib/Handles.h"
#include "lib/HeldFolder.h"
#include "payload/HttpTransfer.h"

class DownloadTarget;
class IDownloadCallback;

// The first pause before another attempt at a source, doubled after each.
const DWORD kDefaultRetryDelayMs = 2000;
class TiXmlElement;

// One file of a download list: copied from a path or downloaded from a URL
// unless it is already where it belongs. http and https go through the
// platform's HTTP client, whose every wait is bounded; other schemes (file:
// URLs among them) through the platform's URL download, for which this
// object is the bind-status callback and hears the HTTP status through
// IHttpNegotiate. Its lifetime belongs to the list.
class DownloadFile : public IBindStatusCallback, public IHttpNegotiate {
public:
    DownloadFile() = default;
    // Ends the holds of this file's checks.
    virtual ~DownloadFile();
    DownloadFile(const DownloadFile&) = delete;
    DownloadFile& operator=(const DownloadFile&) = delete;

    // A <download> element with its <mirror> children; fails without a
    // source url or path, with a sha256 that is not 64 hex digits, or with
    // attempts or a retry delay out of range.
    void Load(const TiXmlElement* element);

    std::wstring GetDestination() const;
    bool CopyRequired() const;
    bool DownloadRequired() const;
    // The destination exists, is a plain file with one name that no other
    // process writes, and, when a digest is given, holds those bytes.
    bool DestinationValid() const;
    // Copies, downloads or does nothing, reporting to the attached callback.
    void Exec();

    void SetCallback(IDownloadCallback* callback) { m_callback = callback; }
    // How long an http or https download waits for its next byte.
    void SetIdleTimeout(DWORD milliseconds) { m_idleTimeoutMs = milliseconds; }
    // The connection settings proxies are resolved from, instead of the user's.
    void SetProxySettings(const ProxySettings& settings) { m_proxySettings.reset(new ProxySettings(settings)); }

    // IUnknown
    STDMETHOD(QueryInterface)(REFIID riid, void** object) override;
    STDMETHOD_(ULONG, AddRef)() override;
    STDMETHOD_(ULONG, Release)() override;
    // IBindStatusCallback
    STDMETHOD(OnStartBinding)(DWORD reserved, IBinding* binding) override;
    STDMETHOD(GetPriority)(LONG* priority) override;
    STDMETHOD(OnLowResource)(DWORD reserved) override;
    STDMETHOD(OnProgress)(ULONG progress, ULONG maximum, ULONG statusCode, LPCWSTR statusText) override;
    STDMETHOD(OnStopBinding)(HRESULT result, LPCWSTR error) override;
    STDMETHOD(GetBindInfo)(DWORD* flags, BINDINFO* info) override;
    STDMETHOD(OnDataAvailable)(DWORD flags, DWORD size, FORMATETC* format, STGMEDIUM* medium) override;
    STDMETHOD(OnObjectAvailable)(REFIID riid, IUnknown* object) override;
    // IHttpNegotiate
    STDMETHOD(BeginningTransaction)(LPCWSTR url, LPCWSTR headers, DWORD reserved, LPWSTR* additionalHeaders) override;
    STDMETHOD(OnResponse)(DWORD status, LPCWSTR responseHeaders, LPCWSTR requestHeaders,
                          LPWSTR* additionalHeaders) override;

    std::wstring sourceurl;
    std::wstring sourcepath;
    std::wstring destinationpath;
    std::wstring destinationfilename;
    std::wstring componentname;
    bool alwaysdownload = true;
    // Expected SHA-256 in lower-case hex; empty: the bytes are not checked.
    std::wstring sha256;
    // More URLs of the same file, tried in order after sourceurl has failed.
    std::vector<std::wstring> mirrors;
    // Attempts per source; a failure the network may mend (a cut, reset,
    // refused or silent connection, a 5xx status) is tried again after a
    // pause of retrydelay milliseconds, doubled after each failed attempt.
    int attempts = 1;
    DWORD retrydelay = kDefaultRetryDelayMs;

private:
    // The given name, else the last part of the URL, else of the source path.
    std::wstring FileName() const;
    bool CopyRequired(bool destinationValid) const;
    bool DownloadRequired(bool destinationValid) const;
    void Copy();
    void Download();
    // One attempt at one source into target; a failure is thrown with what kind it was.
    void Attempt(const std::wstring& url, DownloadTarget& target, const std::wstring& context, const std::wstring& label,
                 HttpTransfer::Failure& failure);
    // Waits before the next attempt; false when the download was cancelled meanwhile.
    bool Pause(DWORD milliseconds) const;
    // The platform's URL download into target, for the schemes the HTTP client does not take.
    void DownloadOtherScheme(DownloadTarget& target, const std::wstring& context);
    // sourcepath's bytes into target.
    void CopyInto(DownloadTarget& target) const;
    // When a digest is given and the written file's differs: removes the file
    // and fails, naming the source, the destination and both digests. Else
    // moves it to the destination and keeps it held there with the folder,
    // which it takes over (HeldDownloads), until the run ends.
    void Finish(Kestlib::HeldFolder& folder, DownloadTarget& target, const std::wstring& source,
                const std::wstring& destination);
    // The destination, held, when it exists, is a plain file with one name
    // that can be held and, when a digest is given, holds those bytes; else
    // an invalid handle. folder receives its folder, held.
    Kestlib::FileHandle HoldValidDestination(Kestlib::HeldFolder& folder) const;
    // The destination's folder, created when missing (by an elevated run
    // with an access list of its own), and held.
    Kestlib::HeldFolder HoldFolder() const;

    IDownloadCallback* m_callback = nullptr;
    DWORD m_idleTimeoutMs = kDownloadIdleTimeoutMs;
    std::unique_ptr<ProxySettings> m_proxySettings;
    // Written by the platform's callbacks during one download, read after it.
    DWORD m_httpStatus = 0;
    std::exception_ptr m_callbackFailure;
};

using DownloadFilePtr = shared_any<DownloadFile*, close_delete, null_t>;
