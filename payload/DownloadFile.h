#pragma once

#include <urlmon.h>

#include <string>

#include "config/SharedAny.h"

class IDownloadCallback;
class TiXmlElement;

// One file of a download list: copied from a path or downloaded from a URL
// unless it is already where it belongs. It is its own bind-status callback
// for the platform's URL download; its lifetime belongs to the list.
class DownloadFile : public IBindStatusCallback {
public:
    // A <download> element; fails without a source url or path.
    void Load(const TiXmlElement* element);

    std::wstring GetDestination() const;
    bool CopyRequired() const;
    bool DownloadRequired() const;
    // Copies, downloads or does nothing, reporting to the attached callback.
    void Exec();

    void SetCallback(IDownloadCallback* callback) { m_callback = callback; }

    // IBindStatusCallback
    STDMETHOD(QueryInterface)(REFIID riid, void** object) override;
    STDMETHOD_(ULONG, AddRef)() override;
    STDMETHOD_(ULONG, Release)() override;
    STDMETHOD(OnStartBinding)(DWORD reserved, IBinding* binding) override;
    STDMETHOD(GetPriority)(LONG* priority) override;
    STDMETHOD(OnLowResource)(DWORD reserved) override;
    STDMETHOD(OnProgress)(ULONG progress, ULONG maximum, ULONG statusCode, LPCWSTR statusText) override;
    STDMETHOD(OnStopBinding)(HRESULT result, LPCWSTR error) override;
    STDMETHOD(GetBindInfo)(DWORD* flags, BINDINFO* info) override;
    STDMETHOD(OnDataAvailable)(DWORD flags, DWORD size, FORMATETC* format, STGMEDIUM* medium) override;
    STDMETHOD(OnObjectAvailable)(REFIID riid, IUnknown* object) override;

    std::wstring sourceurl;
    std::wstring sourcepath;
    std::wstring destinationpath;
    std::wstring destinationfilename;
    std::wstring componentname;
    bool alwaysdownload = true;

private:
    IDownloadCallback* m_callback = nullptr;
};

using DownloadFilePtr = shared_any<DownloadFile*, close_delete, null_t>;
