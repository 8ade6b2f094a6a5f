#include "payload/DownloadFile.h"

#include <tinyxml.h>

#include "base/InstallerLog.h"
#include "base/XmlReading.h"
#include "lib/FileOps.h"
#include "lib/FolderSecurity.h"
#include "lib/Formatting.h"
#include "lib/Sha256.h"
#include "lib/StringUtils.h"
#include "lib/SystemError.h"
#include "lib/SystemLibrary.h"
#include "lib/TextConversion.h"
#include "payload/DownloadTarget.h"
#include "payload/HeldDownloads.h"
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

const DWORD kCopySize = 65536;

// The URL download library, loaded on first use and kept for the process.
// Its stream is read into this program's own file: the library never names
// or writes a file itself.
struct UrlmonFunctions {
    Kestlib::SystemLibrary library{L"urlmon.dll"};
    decltype(&::URLOpenBlockingStreamW) openStream = library.Entry<decltype(openStream)>("URLOpenBlockingStreamW");
};

const UrlmonFunctions& Urlmon() {
    static const UrlmonFunctions functions;
    return functions;
}

// Hands an HTTP transfer's progress to the list's window, if one is attached.
class TransferReport : public HttpTransferProgress {
public:
    // label follows the sizes in the status text: the source and attempt, when there are several.
    TransferReport(IDownloadCallback* callback, const std::wstring& name, const std::wstring& label)
        : m_callback(callback), m_name(name), m_label(label) {}
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
                                               Kestlib::SizeToString(announced).c_str()) +
                               m_label);
    }
    bool IsCancelled() override { return m_callback != nullptr && m_callback->IsDownloadCancelled(); }

private:
    IDownloadCallback* m_callback;
    const std::wstring& m_name;
    const std::wstring& m_label;
};

// The folder a destination lies in; the current one for a bare name.
std::wstring FolderOf(const std::wstring& path) {
    const std::wstring folder = Kestlib::TrimRight(Kestlib::GetFileDirectory(path), L"\\");
    return folder.empty() ? L"." : folder;
}

// A whole number from low to high, else false.
bool ParseCount(const std::wstring& text, unsigned long low, unsigned long high, unsigned long& value) {
    if (text.empty() || text.size() > 9 || text.find_first_not_of(L"0123456789") != std::wstring::npos) return false;
    value = std::wcstoul(text.c_str(), nullptr, 10);
    return value >= low && value <= high;
}

// The host of a URL, for the window's status line.
std::wstring Host(const std::wstring& url) {
    const size_t start = url.find(L"://");
    if (start == std::wstring::npos) return url;
    const size_t end = url.find_first_of(L"/?#", start + 3);
    return url.substr(start + 3, end == std::wstring::npos ? std::wstring::npos : end - start - 3);
}

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
    const std::wstring attemptsText = XmlReading::Attribute(element, "attempts");
    const std::wstring delayText = XmlReading::Attribute(element, "retrydelay");
    mirrors.clear();
    XmlReading::ForEachChildElement(element, [this](const TiXmlElement* child) {
        XmlReading::CheckElement(child, "mirror");
        mirrors.push_back(XmlReading::ExpandedAttribute(child, "sourceurl"));
    });
    LOG(L"Loaded 'download' dialog component '" << componentname
                                                 << L"', source=" << (sourceurl.empty() ? sourcepath : sourceurl));
    const std::wstring context = L"Error in 'download' dialog component '" + componentname + L"'";
    if (sourceurl.empty() && sourcepath.empty()) Kestlib::ThrowError(context + L", missing source url or path");
    if (!Kestlib::NormalizeSha256(digest, sha256))
        Kestlib::ThrowError(context + L", invalid sha256 '" + digest + L"': expected 64 hexadecimal digits");
    unsigned long number = 0;
    if (!attemptsText.empty() && !ParseCount(attemptsText, 1, 100, number))
        Kestlib::ThrowError(context + L", invalid attempts '" + attemptsText + L"': expected a whole number from 1 to 100");
    attempts = attemptsText.empty() ? 1 : static_cast<int>(number);
    if (!delayText.empty() && !ParseCount(delayText, 0, 600000, number))
        Kestlib::ThrowError(context + L", invalid retrydelay '" + delayText +
                            L"': expected milliseconds from 0 to 600000");
    retrydelay = delayText.empty() ? kDefaultRetryDelayMs : number;
    for (const std::wstring& mirror : mirrors)
        if (!HttpTransfer::Handles(mirror))
            Kestlib::ThrowError(context + L", invalid mirror '" + mirror + L"': expected an http or https URL");
    if (!mirrors.empty() && !HttpTransfer::Handles(sourceurl))
        Kestlib::ThrowError(context + L", mirrors need an http or https sourceurl");
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
    Kestlib::HeldFolder folder;
    return HoldValidDestination(folder).IsValid();
}

Kestlib::FileHandle DownloadFile::HoldValidDestination(Kestlib::HeldFolder& folder) const {
    const std::wstring destination = GetDestination();
    if (!Kestlib::FileExists(destination)) return Kestlib::FileHandle();
    // A file that cannot be held, is a link or lies in a folder that is one,
    // is not one this run can vouch for.
    const DWORD attributes = ::GetFileAttributesW(FolderOf(destination).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return Kestlib::FileHandle();
    folder = Kestlib::HeldFolder::Open(FolderOf(destination));
    Kestlib::FileHandle held = HoldExistingFile(folder, Kestlib::GetFileName(destination));
    if (held && !sha256.empty() && Kestlib::Sha256OfHandle(held.Get(), destination) != sha256) held.Reset();
    return held;
}

Kestlib::HeldFolder DownloadFile::HoldFolder() const {
    const std::wstring folder = FolderOf(GetDestination());
    if (!Kestlib::IsProcessElevated()) return Kestlib::HeldFolder::Create(folder, nullptr);
    // Made by an elevated run: its own, not one that ordinary processes may
    // change. One that exists keeps its access list: it may be anybody's.
    const Kestlib::SecurityDescriptor security = Kestlib::ProtectedFolderSecurity();
    Kestlib::HeldFolder held = Kestlib::HeldFolder::Create(folder, &security);
    if (held.WasCreated()) LOG(L"Protected folder: " << held.Path() << L" (" << security.Sddl() << L")");
    return held;
}

DownloadFile::~DownloadFile() {
    if (HeldDownloads::Exists()) HeldDownloads::Instance().EndHolds(this);
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
    HeldDownloads::Instance().EndHolds(this);
    Kestlib::HeldFolder folder;
    Kestlib::FileHandle valid = HoldValidDestination(folder);
    const bool destinationValid = valid.IsValid();
    if (CopyRequired(destinationValid)) {
        valid.Reset();
        Copy();
    } else if (DownloadRequired(destinationValid)) {
        valid.Reset();
        Download();
    } else {
        // Checked as it stands, and held so from now on.
        if (valid) HeldDownloads::Instance().Keep(this, std::move(folder), std::move(valid));
    }
}

void DownloadFile::Copy() {
    const std::wstring destination = GetDestination();
    LOG(L"Copying '" << componentname << L"', source='" << sourcepath << L"', destination='" << destinationpath
                     << L"', full='" << destination << L"', always download=" << BoolText(alwaysdownload)
                     << L", destination exists=" << BoolText(Kestlib::FileExists(destination)));
    Kestlib::HeldFolder folder = HoldFolder();
    if (!CopyRequired()) {
        LOG(L"Copy '" << componentname << L"': SKIPPED");
        return;
    }
    const std::uint64_t size = Kestlib::FileSize(sourcepath);
    const std::wstring text =
        Kestlib::FormatText(L"%s (%s)", componentname.c_str(), Kestlib::SizeToString(size).c_str());
    if (m_callback != nullptr) m_callback->Status(0, size, text);
    // Written beside the destination and checked there, so the destination
    // only ever receives the expected bytes, and is held from then on.
    DownloadTarget target(folder, Kestlib::GetFileName(destination) + L".tmp",
                          L"Error copying \"" + sourcepath + L"\" to \"" + destination + L"\"");
    CopyInto(target);
    Finish(folder, target, sourcepath, destination);
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
    if (!Kestlib::DirectoryExists(destinationpath)) LOG(L"Creating directory '" << destinationpath << L"'");
    Kestlib::HeldFolder folder = HoldFolder();
    if (!DownloadRequired()) {
        LOG(L"Download '" << componentname << L"': SKIPPED");
        return;
    }
    const std::wstring temporary = destination + L".tmp";
    std::vector<std::wstring> sources{sourceurl};
    sources.insert(sources.end(), mirrors.begin(), mirrors.end());
    // One source and one attempt: the download as it always was, with no word of attempts.
    const bool several = sources.size() > 1 || attempts > 1;
    DownloadTarget target(folder, Kestlib::GetFileName(temporary), std::wstring());
    std::exception_ptr last;
    for (size_t source = 0; source < sources.size(); ++source) {
        const std::wstring& url = sources[source];
        const std::wstring context = L"Error downloading \"" + url + L"\" to \"" + temporary + L"\"";
        // Another server's bytes are never continued: each source starts from zero.
        if (source > 0) target.Discard();
        for (int attempt = 1; attempt <= attempts; ++attempt) {
            std::wstring label;
            const std::wstring which = L"attempt " + std::to_wstring(attempt) + L" of " + std::to_wstring(attempts) +
                                       L" from '" + url + L"'";
            if (several) {
                label = L" - attempt " + std::to_wstring(attempt) + L" of " + std::to_wstring(attempts) + L", source " +
                        std::to_wstring(source + 1) + L" of " + std::to_wstring(sources.size()) + L" (" + Host(url) + L")";
                LOG(L"Download '" << componentname << L"': " << which);
                if (m_callback != nullptr) m_callback->Status(target.Size(), target.total, componentname + label);
            }
            HttpTransfer::Failure failure = HttpTransfer::Failure::None;
            try {
                Attempt(url, target, context, label, failure);
                Finish(folder, target, url, destination);
                LOG(L"Download '" << componentname << L"', size=" << Kestlib::SizeToString(Kestlib::FileSize(destination))
                                  << L": OK");
                return;
            } catch (const std::exception& error) {
                if (!several || failure == HttpTransfer::Failure::Cancelled) throw;
                last = std::current_exception();
                LOG(L"Download '" << componentname << L"': " << which << L" failed: " << Kestlib::AnsiToWide(error.what()));
            }
            // An answer that will not change is not asked again; the next source may differ.
            if (failure != HttpTransfer::Failure::Network) break;
            // Doubled after each failure, up to ten minutes.
            const std::uint64_t pause = static_cast<std::uint64_t>(retrydelay) << (attempt - 1 < 20 ? attempt - 1 : 20);
            if (attempt < attempts && !Pause(static_cast<DWORD>(pause < 600000 ? pause : 600000)))
                Kestlib::ThrowError(Kestlib::SystemErrorText(E_ABORT, context));
        }
    }
    std::rethrow_exception(last);
}

void DownloadFile::Attempt(const std::wstring& url, DownloadTarget& target, const std::wstring& context,
                           const std::wstring& label, HttpTransfer::Failure& failure) {
    if (!HttpTransfer::Handles(url)) {
        DownloadOtherScheme(target, context);
        return;
    }
    TransferReport report(m_callback, componentname, label);
    HttpTransfer transfer(report, m_idleTimeoutMs);
    if (m_proxySettings) transfer.SetProxySettings(*m_proxySettings);
    target.SetContext(context);
    try {
        transfer.Fetch(url, target, context);
    } catch (...) {
        failure = transfer.LastFailure();
        throw;
    }
}

bool DownloadFile::Pause(DWORD milliseconds) const {
    const ULONGLONG end = ::GetTickCount64() + milliseconds;
    for (;;) {
        if (m_callback != nullptr && m_callback->IsDownloadCancelled()) return false;
        const ULONGLONG now = ::GetTickCount64();
        if (now >= end) return true;
        ::Sleep(static_cast<DWORD>(end - now < 50 ? end - now : 50));
    }
}

void DownloadFile::DownloadOtherScheme(DownloadTarget& target, const std::wstring& context) {
    m_httpStatus = 0;
    m_callbackFailure = nullptr;
    IStream* opened = nullptr;
    HRESULT result = Urlmon().openStream(nullptr, sourceurl.c_str(), &opened, 0, static_cast<IBindStatusCallback*>(this));
    std::unique_ptr<IStream, void (*)(IStream*)> stream(opened, [](IStream* s) {
        if (s != nullptr) s->Release();
    });
    if (m_callbackFailure) std::rethrow_exception(m_callbackFailure);
    if (m_httpStatus >= 400) {
        target.Discard();
        Kestlib::ThrowError(context + L": HTTP status " + std::to_wstring(m_httpStatus));
    }
    if (FAILED(result)) Kestlib::ThrowError(Kestlib::SystemErrorText(result, context, L"urlmon.dll"));
    target.SetContext(context);
    target.Begin(true);
    std::vector<char> buffer(kCopySize);
    for (;;) {
        ULONG read = 0;
        result = stream->Read(buffer.data(), kCopySize, &read);
        if (m_callbackFailure) std::rethrow_exception(m_callbackFailure);
        if (FAILED(result)) Kestlib::ThrowError(Kestlib::SystemErrorText(result, context, L"urlmon.dll"));
        if (read == 0) break;
        target.Append(buffer.data(), read);
    }
}

void DownloadFile::CopyInto(DownloadTarget& target) const {
    Kestlib::FileHandle source(::CreateFileW(sourcepath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                             FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!source) Kestlib::ThrowLastError(target.Context());
    target.Begin(true);
    std::vector<char> buffer(kCopySize);
    for (;;) {
        DWORD read = 0;
        if (!::ReadFile(source.Get(), buffer.data(), kCopySize, &read, nullptr))
            Kestlib::ThrowLastError(target.Context());
        if (read == 0) break;
        target.Append(buffer.data(), read);
    }
}

void DownloadFile::Finish(Kestlib::HeldFolder& folder, DownloadTarget& target, const std::wstring& source,
                          const std::wstring& destination) {
    const std::wstring actual = target.Digest();
    if (!sha256.empty() && actual != sha256) {
        target.Discard();
        Kestlib::ThrowError(L"Error verifying \"" + source + L"\" for \"" + destination + L"\" of '" + componentname +
                            L"': expected SHA-256 " + sha256 + L", got " + actual);
    }
    Kestlib::FileHandle held = target.MoveAndHold(Kestlib::GetFileName(destination), actual);
    // The folder stays held as well, so that the file keeps its place; the
    // target, done with, no longer reaches it.
    HeldDownloads::Instance().Keep(this, std::move(folder), std::move(held));
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

// The platform's stream download goes on only when the binding may start and
// its options were given; none are added.
STDMETHODIMP DownloadFile::OnStartBinding(DWORD, IBinding*) { return S_OK; }

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

STDMETHODIMP DownloadFile::GetBindInfo(DWORD*, BINDINFO*) { return S_OK; }

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
