#include "payload/DownloadDialog.h"

#include <objbase.h>
#include <tinyxml.h>

#include <exception>

#include "base/InstallerLog.h"
#include "base/XmlReading.h"
#include "lib/FileOps.h"
#include "lib/SystemError.h"
#include "lib/TextConversion.h"
#include "payload/IDownloadCallback.h"

namespace {

const wchar_t kUnknownError[] = L"An unknown error was caught in DownloadDialog::ExecOnThread()";

// The URL download runs on the job's own thread, which needs COM of its own.
class ComApartment {
public:
    ComApartment() : m_result(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComApartment() {
        if (SUCCEEDED(m_result)) ::CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    HRESULT m_result;
};

}  // namespace

void DownloadDialog::Load(const TiXmlElement* element) {
    XmlReading::CheckElement(element, "downloaddialog");
    dialog_caption = XmlReading::ExpandedAttribute(element, "dialog_caption");
    dialog_message = XmlReading::ExpandedAttribute(element, "dialog_message");
    dialog_message_downloading = XmlReading::ExpandedAttribute(element, "dialog_message_downloading");
    dialog_message_connecting = XmlReading::ExpandedAttribute(element, "dialog_message_connecting");
    dialog_message_sendingrequest = XmlReading::ExpandedAttribute(element, "dialog_message_sendingrequest");
    buttonstart_caption = XmlReading::ExpandedAttribute(element, "buttonstart_caption");
    buttoncancel_caption = XmlReading::ExpandedAttribute(element, "buttoncancel_caption");
    autostartdownload = XmlReading::BoolAttribute(element, "autostartdownload", false);
    downloadfiles.clear();
    XmlReading::ForEachChildElement(element, [this](const TiXmlElement* child) {
        DownloadFilePtr file(new DownloadFile());
        file->Load(child);
        downloadfiles.push_back(file);
    });
    if (downloadfiles.empty())
        Kestlib::ThrowError(L"Invalid  Download dialog '" + dialog_caption +
                            L"', requires at least one download file.");
    LOG(L"Loaded 'download' configuration '" << dialog_caption << L"' with " << downloadfiles.size()
                                              << L" file(s)");
}

bool DownloadDialog::AnyDownloadRequired() const {
    for (const DownloadFilePtr& file : downloadfiles) {
        const std::wstring destination = file->GetDestination();
        const bool exists = Kestlib::FileExists(destination);
        const bool download = file->DownloadRequired();
        LOG(L"Destination '" << destination << L"', exists=" << (exists ? L"True" : L"False")
                             << L", download=" << (download ? L"True" : L"False"));
        if (download) return true;
    }
    return false;
}

std::wstring DownloadDialog::ToString(int indent) const {
    std::wstring text;
    for (const DownloadFilePtr& file : downloadfiles)
        text += std::wstring(static_cast<size_t>(indent + 1), L' ') + file->componentname + L"\r\n";
    return text;
}

void DownloadDialog::SetCallback(IDownloadCallback* callback) { m_callback = callback; }

int DownloadDialog::ExecOnThread() {
    ComApartment com;
    try {
        for (const DownloadFilePtr& file : downloadfiles) {
            if (m_callback != nullptr && m_callback->IsDownloadCancelled()) return -2;
            file->SetCallback(m_callback);
            file->Exec();
        }
        if (m_callback != nullptr) m_callback->DownloadComplete();
        return 0;
    } catch (const std::exception& error) {
        const std::wstring text = Kestlib::AnsiToWide(error.what());
        LOG(L"The following error was caught in DownloadDialog::ExecOnThread(): " << text);
        if (m_callback != nullptr) m_callback->DownloadError(text);
        throw;
    } catch (...) {
        // Not the library's error, but a failure all the same: the job must
        // not read as completed.
        LOG(kUnknownError);
        if (m_callback != nullptr) m_callback->DownloadError(kUnknownError);
        return -1;
    }
}
