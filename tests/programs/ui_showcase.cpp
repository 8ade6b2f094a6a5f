// Shows one window with the texts of a typical run, for screenshots:
//   ui_showcase extract|download|main [seconds [report]]
// The window closes itself when its job ends after the given time (default 8).
// With a report file, the window's sizes in pixels are written to it once it
// shows: "client W H", "font H", "control ID W H" for each control, and for
// the main window "itemheight H" and "banner W H".
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>

#include <tinyxml.h>

#include "config/InstallConfiguration.h"
#include "lib/FileOps.h"
#include "lib/TextConversion.h"
#include "payload/ExtractCabProcessor.h"
#include "ui/CBootwrightDlg.h"
#include "ui/CDownloadDialog.h"
#include "ui/ExtractCabDlg.h"
#include "ui/resource.h"

namespace {

DWORD g_seconds = 8;
std::string g_report;

BOOL CALLBACK ReportControl(HWND control, LPARAM stream) {
    RECT rect = {};
    ::GetWindowRect(control, &rect);
    *reinterpret_cast<std::ofstream*>(stream) << "control " << ::GetDlgCtrlID(control) << ' '
                                              << rect.right - rect.left << ' ' << rect.bottom - rect.top << '\n';
    return TRUE;
}

// Waits until the dialog shows, then writes its sizes to the report file.
void ReportWhenShown(const DialogBase& dialog) {
    if (g_report.empty()) return;
    HWND window = nullptr;
    for (int i = 0; i < 200 && !(window = dialog.GetHwnd()); ++i) ::Sleep(25);
    ::Sleep(300);
    if (!window) return;
    std::ofstream report(g_report + ".part");
    RECT client = {};
    ::GetClientRect(window, &client);
    report << "client " << client.right << ' ' << client.bottom << '\n';
    LOGFONTW font = {};
    ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(window, WM_GETFONT, 0, 0)), sizeof(font), &font);
    report << "font " << std::abs(font.lfHeight) << '\n';
    ::EnumChildWindows(window, &ReportControl, reinterpret_cast<LPARAM>(&report));
    if (HWND list = ::GetDlgItem(window, IDC_COMPONENTS_LIST))
        report << "itemheight " << ::SendMessageW(list, LB_GETITEMHEIGHT, 0, 0) << '\n';
    BITMAP banner = {};
    if (::GetObjectW(reinterpret_cast<HBITMAP>(::SendDlgItemMessageW(window, IDC_BANNER, STM_GETIMAGE, IMAGE_BITMAP, 0)),
                     sizeof(banner), &banner))
        report << "banner " << banner.bmWidth << ' ' << banner.bmHeight << '\n';
    report.close();
    ::MoveFileExA((g_report + ".part").c_str(), g_report.c_str(), MOVEFILE_REPLACE_EXISTING);
}

class ShowcaseExtraction : public ExtractCabProcessor {
public:
    ShowcaseExtraction() : ExtractCabProcessor(::GetModuleHandleW(nullptr)) {}

protected:
    ~ShowcaseExtraction() override = default;

    int ExecOnThread() override {
        ::Sleep(700);
        OnStatus(L"Setup.cab - 50%");
        ::Sleep(g_seconds * 1000);
        return 0;
    }
};

class ShowcaseDownload : public DownloadDialog {
protected:
    int ExecOnThread() override {
        ::Sleep(300);
        GetCallback()->Status(420, 1000, L"Downloading Quorvane Runtime (9.6MB of 22.9MB)");
        ::Sleep(g_seconds * 1000);
        GetCallback()->DownloadComplete();
        return 0;
    }
};

int ShowExtraction() {
    InstallConfiguration configuration;
    configuration.cab_dialog_caption = L"Quorvane Suite 12 Setup";
    configuration.cab_dialog_message = L"Extracting %s";
    configuration.installing_component_wait = L"Preparing %s. Please wait, this can take a few minutes...";
    JoinedJob<ShowcaseExtraction> job;
    ExtractCabDlg dialog(&configuration, &job);
    job.Start();
    std::thread reporter([&] { ReportWhenShown(dialog); });
    dialog.DoModal();
    reporter.join();
    job.WaitAndRethrow();
    return 0;
}

int ShowDownload() {
    ShowcaseDownload* list = new JoinedJob<ShowcaseDownload>;
    list->dialog_caption = L"Quorvane Suite 12 - Download components";
    list->dialog_message = L"Setup needs to download the Quorvane Runtime before it can continue.";
    list->dialog_message_downloading = L"Downloading the Quorvane Runtime. This may take a while.";
    list->dialog_message_connecting = L"Connecting...";
    list->dialog_message_sendingrequest = L"Sending request...";
    list->buttonstart_caption = L"Start";
    list->buttoncancel_caption = L"Cancel";
    list->autostartdownload = true;
    DownloadDialogPtr holder(list);
    CDownloadDialog dialog(holder);
    std::thread reporter([&] { ReportWhenShown(dialog); });
    dialog.DoModal();
    reporter.join();
    return 0;
}

// The main window with one installed, two optional and one required component.
int ShowMain() {
    const std::string installed = Kestlib::WideToAnsi(Kestlib::GetModuleFileName());
    const std::string xml =
        "<configuration type=\"install\" dialog_caption=\"Quorvane Suite 12 Setup\" "
        "dialog_message=\"Setup will install the following components of Quorvane Suite 12. Clear the ones you do "
        "not need, then press Install.\" install_caption=\"Install\" cancel_caption=\"Cancel\" "
        "skip_caption=\"Skip\" status_installed=\"(installed)\" status_notinstalled=\"\" "
        "dialog_otherinfo_caption=\"Release notes and system requirements\" "
        "dialog_otherinfo_link=\"http://127.0.0.1/notes\">"
        "<component type=\"cmd\" description=\"Quorvane Runtime 12\" command=\"x\">"
        "<installedcheck type=\"check_file\" filename=\"" + installed + "\"/></component>"
        "<component type=\"cmd\" description=\"Quorvane Suite 12 Core\" command=\"x\"/>"
        "<component type=\"cmd\" description=\"Quorvane Designer\" required=\"false\" command=\"x\"/>"
        "<component type=\"cmd\" description=\"Samples and templates\" required=\"false\" command=\"x\"/>"
        "</configuration>";
    TiXmlDocument document;
    document.Parse(xml.c_str());
    InstallConfiguration* configuration = new InstallConfiguration;
    ConfigurationPtr holder(configuration);
    configuration->Load(document.RootElement());
    CBootwrightDlg dialog;
    std::thread closer([&] {
        ReportWhenShown(dialog);
        ::Sleep(g_seconds * 1000);
        if (HWND window = dialog.GetHwnd()) ::PostMessageW(window, WM_CLOSE, 0, 0);
    });
    dialog.Run(holder, 1033, true);
    closer.join();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 2) g_seconds = static_cast<DWORD>(std::strtoul(argv[2], nullptr, 10));
    if (argc > 3) g_report = argv[3];
    try {
        if (argc > 1 && std::strcmp(argv[1], "download") == 0) return ShowDownload();
        if (argc > 1 && std::strcmp(argv[1], "main") == 0) return ShowMain();
        return ShowExtraction();
    } catch (const std::exception& error) {
        ::MessageBoxA(nullptr, error.what(), "ui_showcase", MB_OK | MB_ICONERROR);
        return 1;
    }
}
