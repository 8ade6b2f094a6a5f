#pragma once

#include <string>
#include <vector>

#include "base/SharedAny.h"
#include "base/ThreadComponent.h"
#include "payload/DownloadFile.h"

class IDownloadCallback;
class TiXmlElement;

// The files a component or a reference configuration needs before it runs,
// loaded from a <downloaddialog> element; runs as a worker job while its
// window shows the progress. Made as JoinedJob<DownloadDialog>: the job reads
// the files and the callback, so it must end before they go.
class DownloadDialog : public ThreadComponent {
public:
    DownloadDialog() = default;

    // Absent or misnamed element, a child that is not a <download>, or no
    // file at all: the specified loading errors.
    void Load(const TiXmlElement* element);

    // Logs each file's destination state; true at the first file that must be downloaded.
    bool AnyDownloadRequired() const;
    // One line per file: its component name, indented one more than the list.
    std::wstring ToString(int indent) const;

    // The window attaches itself before it starts the job (not owned).
    void SetCallback(IDownloadCallback* callback);
    IDownloadCallback* GetCallback() const { return m_callback; }

    std::wstring dialog_caption;
    std::wstring dialog_message;
    std::wstring dialog_message_downloading;
    std::wstring dialog_message_connecting;
    std::wstring dialog_message_sendingrequest;
    std::wstring buttonstart_caption;
    std::wstring buttoncancel_caption;
    std::vector<DownloadFilePtr> downloadfiles;
    bool autostartdownload = false;

protected:
    int ExecOnThread() override;

private:
    IDownloadCallback* m_callback = nullptr;
};

using DownloadDialogPtr = shared_any<DownloadDialog*, close_delete, null_t>;
