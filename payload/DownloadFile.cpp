#include "payload/DownloadFile.h"

#include <tinyxml.h>

#include "base/InstallerLog.h"
#include "base/XmlReading.h"
#include "lib/FileOps.h"
#include "lib/Formatting.h"
#include "lib/Sha256.h"
#include "lib/StringUtils.h"
#include "lib/SystemError.h"
#include "lib/SystemLibrary.h"
#include "payload/DownloadTarget.h"
#include "payload/HttpTransfer.h"
#include "payload/IDownloadCallback.h"

namespace {

const wchar_t* BoolText(bool value) { return value ? L"True" : L"False"; }

// A name that cannot reach outside the destination folder: no drive, no
// root, no parent step.
bool StaysInFolder(const std::wstring& name) {
    if (name.find(L':') != std::wstring::npos || Kestlib::StartsWith(name, L"\\") || Kestlib::StartsWith(name, L"/"))
        return false;
    for (const std::wstring& part : Kestlib::SplitString(Kestlib::ReplaceAll(name, L"/", L"\\"), L"\\"))
        if (part == L"..") return false;
    return true;
}

// Bytes that failed a check are of no use to anybody; the check's own error
// is what must reach the user, so a failed delete is not reported over it.
void Discard(const std::wstring& path) { ::DeleteFileW(path.c_str()); }

// The URL download library, loaded on first use and kept for the process.
struct UrlmonFunctions {
    Kestlib::SystemLibrary library{L"urlmon.dll"};
    decltype(&::URLDownloadToFileW) downloadToFile = library.Entry<decltype(downloadToFile)>("URLDownloadToFileW");
};

const UrlmonFunctions& Urlmon() {
    static const UrlmonFunctions functions;
    return functions;
}

// Hands an HTTP transfer's progress to the list's window, if one is attached.
class TransferReport : public HttpTransferProgress {
public:
    TransferReport(IDownloadCallback* callback, const std::wstring& name) : m_callback(callback), m_name(name) {}
    void Connecting() override {
        if (m_callback != nullptr) m_callback->Connecting();
    }
    void SendingRequest() override {
        if (m_callback != nullptr) m_callback->SendingRequest();
    }
    void Received(std::uint64_t received, std::uint64_t announced) override {
        if (m_callback == nullptr) return;
        m_callback->Status(received, announced,
                           Kestlib::FormatText(L"%s (%s of %s)", m_name.c_str(), Kestlib::SizeToString(received).c_str(),
                                               Kestlib::SizeToString(announced).c_str()));
    }
    bool IsCancelled() override { return m_callback != nullptr && m_callback->IsDownloadCancelled(); }

private:
    IDownloadCallback* m_callback;
    const std::wstring& m_name;
};

}  // namespace

void DownloadFile::Load(const TiXmlElement* element) {
    XmlReading::CheckElement(element, "download");
    componentname = XmlReading::ExpandedAttribute(element, "componentname");
    sourceurl = XmlReading::ExpandedAttribute(element, "sourceurl");
    sourcepath = XmlReading::ExpandedAttribute(element, "sourcepath");
    destinationpath = XmlReading::ExpandedAttribute(element, "destinationpath");
    destinationfilename = XmlReading::ExpandedAttribute(element, "destinationfilename");
    alwaysdownload = XmlReading::BoolAttribute(element, "alwaysdownload", true);
    const std::wstring digest = XmlReading::Attribute(element, "sha256");
    LOG(L"Loaded 'download' dialog component '" << componentname
                                                 << L"', source=" << (sourceurl.empty() ? sourcepath : sourceurl));
    const std::wstring context = L"Error in 'download' dialog component '" + componentname + L"'";
    if (sourceurl.empty() && sourcepath.empty()) Kestlib::ThrowError(context + L", missing source url or path");
    if (!Kestlib::NormalizeSha256(digest, sha256))
        Kestlib::ThrowError(context + L", invalid sha256 '" + digest + L"': expected 64 hexadecimal digits");
    if (!StaysInFolder(FileName()))
        Kestlib::ThrowError(context + L", destination file name '" + FileName() + L"' leaves the folder '" +
                            destinationpath + L"'");
}

std::wstring DownloadFile::FileName() const {
    if (!destinationfilename.empty()) return destinationfilename;
    // Without a URL the copied file keeps its own name: the folder itself is
    // no place to copy a file to.
    return Kestlib::GetFileName(sourceurl.empty() ? sourcepath : sourceurl);
}

std::wstring DownloadFile::GetDestination() const { return Kestlib::PathCombine(destinationpath, FileName()); }

bool DownloadFile::DestinationValid() const {
    const std::wstring destination = GetDestination();
    if (!Kestlib::FileExists(destination)) return false;
    return sha256.empty() || Kestlib::Sha256OfFile(destination) == sha256;
}

bool DownloadFile::CopyRequired() const { return CopyRequired(DestinationValid()); }

bool DownloadFile::DownloadRequired() const { return DownloadRequired(DestinationValid()); }

bool DownloadFile::CopyRequired(bool destinationValid) const {
    if (sourcepath.empty() || alwaysdownload) return false;
    if (destinationValid) return false;
    return Kestlib::FileExists(sourcepath);
}

bool DownloadFile::DownloadRequired(bool destinationValid) const {
    if (sourceurl.empty()) return false;
    if (alwaysdownload) return true;
    return !destinationValid && !CopyRequired(destinationValid);
}

void DownloadFile::Exec() {
    const bool destinationValid = DestinationValid();
    if (CopyRequired(destinationValid))
        Copy();
    else if (DownloadRequired(destinationValid))
        Download();
}

void DownloadFile::Copy() {
    const std::wstring destination = GetDestination();
    LOG(L"Copying '" << componentname << L"', source='" << sourcepath << L"', destination='" << destinationpath
                     << L"', full='" << destination << L"', always download=" << BoolText(alwaysdownload)
                     << L", destination exists=" << BoolText(Kestlib::FileExists(destination)));
    Kestlib::CreateDirectories(destinationpath);
    if (!CopyRequired()) {
        LOG(L"Copy '" << componentname << L"': SKIPPED");
        return;
    }
    const std::uint64_t size = Kestlib::FileSize(sourcepath);
    const std::wstring text =
        Kestlib::FormatText(L"%s (%s)", componentname.c_str(), Kestlib::SizeToString(size).c_str());
    if (m_callback != nullptr) m_callback->Status(0, size, text);
    if (sha256.empty()) {
        Kestlib::FileCopy(sourcepath, destination);
    } else {
        // Checked beside the destination, so the destination only ever
        // receives the expected bytes.
        const std::wstring temporary = destination + L".tmp";
        if (Kestlib::FileExists(temporary)) Kestlib::FileDelete(temporary);
        Kestlib::FileCopy(sourcepath, temporary);
        Verify(temporary, sourcepath, destination);
        Kestlib::FileMove(temporary, destination);
    }
    if (m_callback != nullptr) {
        const std::uint64_t copied = Kestlib::FileSize(destination);
        LOG(L"Copy '" << componentname << L"', size=" << Kestlib::SizeToString(copied) << L": OK");
        m_callback->Status(copied, size, text);
    }
}

void DownloadFile::Download() {
    const std::wstring destination = GetDestination();
    LOG(L"Downloading '" << componentname << L"', source='" << sourceurl << L"', destination='" << destinationpath
                         << L"', full='" << destination << L"', always download=" << BoolText(alwaysdownload));
    if (!Kestlib::DirectoryExists(destinationpath)) {
        LOG(L"Creating directory '" << destinationpath << L"'");
        Kestlib::CreateDirectories(destinationpath);
    }
    if (!DownloadRequired()) {
        LOG(L"Download '" << componentname << L"': SKIPPED");
        return;
    }
    const std::wstring temporary = destination + L".tmp";
    const std::wstring context = L"Error downloading \"" + sourceurl + L"\" to \"" + temporary + L"\"";
    if (HttpTransfer::Handles(sourceurl)) {
        TransferReport report(m_callback, componentname);
        HttpTransfer transfer(report, m_idleTimeoutMs);
        if (m_proxySettings) transfer.SetProxySettings(*m_proxySettings);
        DownloadTarget target(temporary, context);
        transfer.Fetch(sourceurl, target, context);
        target.Close();
    } else {
        DownloadOtherScheme(temporary, context);
    }
    Verify(temporary, sourceurl, destination);
    Kestlib::FileMove(temporary, destination);
    LOG(L"Download '" << componentname << L"', size=" << Kestlib::SizeToString(Kestlib::FileSize(destination))
                      << L": OK");
}

void DownloadFile::DownloadOtherScheme(const std::wstring& temporary, const std::wstring& context) {
    m_httpStatus = 0;
    m_callbackFailure = nullptr;
    HRESULT result = Urlmon().downloadToFile(nullptr, sourceurl.c_str(), temporary.c_str(), 0,
                                             static_cast<IBindStatusCallback*>(this));
    if (m_callbackFailure) std::rethrow_exception(m_callbackFailure);
    if (m_httpStatus >= 400) {
        Discard(temporary);
        Kestlib::ThrowError(context + L": HTTP status " + std::to_wstring(m_httpStatus));
    }
    if (FAILED(result)) Kestlib::ThrowError(Kestlib::SystemErrorText(result, context, L"urlmon.dll"));
}

void DownloadFile::Verify(const std::wstring& path, const std::wstring& source, const std::wstring& destination) const {
    if (sha256.empty()) return;
    const std::wstring actual = Kestlib::Sha256OfFile(path);
    if (actual == sha256) return;
    Discard(path);
    Kestlib::ThrowError(L"Error verifying \"" + source + L"\" for \"" + destination + L"\" of '" + componentname +
                        L"': expected SHA-256 " + sha256 + L", got " + actual);
}

STDMETHODIMP DownloadFile::QueryInterface(REFIID riid, void** object) {
    if (object == nullptr) return E_POINTER;
    if (IsEqualIID(riid, __uuidof(IUnknown)) || IsEqualIID(riid, __uuidof(IBindStatusCallback))) {
        *object = static_cast<IBindStatusCallback*>(this);
    } else if (IsEqualIID(riid, __uuidof(IHttpNegotiate))) {
        *object = static_cast<IHttpNegotiate*>(this);
    } else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    return S_OK;
}

// The list owns the object: the platform's references do not count.
STDMETHODIMP_(ULONG) DownloadFile::AddRef() { return 0; }

STDMETHODIMP_(ULONG) DownloadFile::Release() { return 0; }

STDMETHODIMP DownloadFile::OnStartBinding(DWORD, IBinding*) { return E_NOTIMPL; }

STDMETHODIMP DownloadFile::GetPriority(LONG*) { return E_NOTIMPL; }

STDMETHODIMP DownloadFile::OnLowResource(DWORD) { return E_NOTIMPL; }

STDMETHODIMP DownloadFile::OnProgress(ULONG progress, ULONG maximum, ULONG statusCode, LPCWSTR) {
    if (m_callback == nullptr) return S_OK;
    // Nothing may unwind through the platform's frames: a failing callback
    // ends the transfer and its error is raised once the platform returns.
    try {
        if (m_callback->IsDownloadCancelled()) return E_ABORT;
        switch (statusCode) {
            case BINDSTATUS_CONNECTING:
                m_callback->Connecting();
                break;
            case BINDSTATUS_DOWNLOADINGDATA:
                m_callback->Status(progress, maximum,
                                   Kestlib::FormatText(L"%s (%s of %s)", componentname.c_str(),
                                                       Kestlib::SizeToString(progress).c_str(),
                                                       Kestlib::SizeToString(maximum).c_str()));
                break;
            case BINDSTATUS_SENDINGREQUEST:
                m_callback->SendingRequest();
                break;
            default:
                break;
        }
    } catch (...) {
        m_callbackFailure = std::current_exception();
        return E_ABORT;
    }
    return S_OK;
}

STDMETHODIMP DownloadFile::OnStopBinding(HRESULT, LPCWSTR) { return E_NOTIMPL; }

STDMETHODIMP DownloadFile::GetBindInfo(DWORD*, BINDINFO*) { return E_NOTIMPL; }

STDMETHODIMP DownloadFile::OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*) { return E_NOTIMPL; }

STDMETHODIMP DownloadFile::OnObjectAvailable(REFIID, IUnknown*) { return E_NOTIMPL; }

STDMETHODIMP DownloadFile::BeginningTransaction(LPCWSTR, LPCWSTR, DWORD, LPWSTR* additionalHeaders) {
    if (additionalHeaders != nullptr) *additionalHeaders = nullptr;
    return S_OK;
}

STDMETHODIMP DownloadFile::OnResponse(DWORD status, LPCWSTR, LPCWSTR, LPWSTR* additionalHeaders) {
    if (additionalHeaders != nullptr) *additionalHeaders = nullptr;
    m_httpStatus = status;
    return S_OK;
}
