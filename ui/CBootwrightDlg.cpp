#include "ui/CBootwrightDlg.h"

#include <exception>

#include "base/ApplicationTitle.h"
#include "base/InstallerLog.h"
#include "base/OperatingSystem.h"
#include "base/ProcessorArchitecture.h"
#include "base/TimedMessageBox.h"
#include "config/InstallConfiguration.h"
#include "lib/SystemError.h"
#include "lib/TextConversion.h"
#include "sequence/ExtractionFolderCleanup.h"
#include "ui/BannerBitmap.h"
#include "ui/DisplayScale.h"
#include "ui/InstallComponentDlg.h"
#include "ui/WindowPosition.h"
#include "ui/resource.h"

CBootwrightDlg::CBootwrightDlg() : DialogBase(IDD_BOOTWRIGHT_DIALOG) {}

CBootwrightDlg::~CBootwrightDlg() = default;

INT_PTR CBootwrightDlg::Run(const ConfigurationPtr& configuration, unsigned long lcid, bool moreConfigurations) {
    m_holder = configuration;
    m_configuration = dynamic_cast<InstallConfiguration*>(configuration.get());
    m_lcid = lcid;
    m_moreConfigurations = moreConfigurations;
    // A restart asked for by the previous configuration, even one that failed, is not this one's.
    m_restarts = RestartPolicy(m_configurationNumber);
    m_installing = false;
    m_ended = false;
    m_progressDialog.reset();
    return DoModal();
}

const InstallConfiguration& CBootwrightDlg::Current() const {
    if (!m_configuration) Kestlib::ThrowError(L"Invalid configuration");
    return *m_configuration;
}

bool CBootwrightDlg::OnInitDialog() {
    Initialise();
    FocusDefault();
    return false;
}

void CBootwrightDlg::SetUpWindow() {
    SetItemText(IDC_OPERATING_SYSTEM, OperatingSystemName(GetOperatingSystem()) + L" (" +
                                          ProcessorArchitectureName(GetProcessorArchitecture()) + L")");
    if (!m_moreConfigurations) ShowItem(IDC_SKIP, false);
    const InstallConfiguration& configuration = Current();
    SetTitle(configuration.dialog_caption);
    ApplicationTitle& application = ApplicationTitle::Instance();
    application.SetTitle(configuration.dialog_caption);
    application.SetMainWindow(GetHwnd());
    SetItemText(IDCANCEL, configuration.cancel_caption);
    SetItemText(IDC_SKIP, configuration.skip_caption);
    SetItemText(IDC_INSTALL, configuration.install_caption);
    SetItemText(IDC_MESSAGE, configuration.dialog_message);
    PositionControls();
    SetUpLink();
    SetUpBanner();
    MeasureList();
    m_list.Attach(Item(IDC_COMPONENTS_LIST));
}

void CBootwrightDlg::PositionControls() {
    const InstallConfiguration& configuration = Current();
    PositionWindow(GetHwnd(), ScalePosition(configuration.dialog_position, GetDpi()));
    PositionChildren();
}

// The platform scales the controls with the window as it moves to a monitor of
// another scale; placing them again keeps the document's positions exact.
void CBootwrightDlg::PositionChildren() {
    const InstallConfiguration& configuration = Current();
    const struct {
        int id;
        const Position& position;
    } controls[] = {
        {IDC_COMPONENTS_LIST, configuration.dialog_components_list_position},
        {IDC_MESSAGE, configuration.dialog_message_position},
        {IDC_BANNER, configuration.dialog_bitmap_position},
        {IDC_OTHERINFO_LINK, configuration.dialog_otherinfo_link_position},
        {IDC_OPERATING_SYSTEM, configuration.dialog_osinfo_position},
        {IDC_INSTALL, configuration.dialog_install_button_position},
        {IDCANCEL, configuration.dialog_cancel_button_position},
        {IDC_SKIP, configuration.dialog_skip_button_position},
    };
    for (const auto& control : controls) PositionWindow(Item(control.id), ScalePosition(control.position, GetDpi()));
}

void CBootwrightDlg::SetUpLink() {
    const InstallConfiguration& configuration = Current();
    m_link.Attach(Item(IDC_OTHERINFO_LINK));
    m_link.SetCaption(configuration.dialog_otherinfo_caption);
    m_link.SetLink(configuration.dialog_otherinfo_link);
    if (configuration.dialog_otherinfo_caption.empty()) ShowItem(IDC_OTHERINFO_LINK, false);
}

void CBootwrightDlg::SetUpBanner() {
    Kestlib::BitmapHandle banner = LoadBanner(Current().dialog_bitmap);
    m_scaledBanner.Reset();
    m_banner = std::move(banner);
    ShowBanner();
}

void CBootwrightDlg::ShowBanner() {
    RECT place = {};
    ::GetClientRect(Item(IDC_BANNER), &place);
    Kestlib::BitmapHandle scaled = ScaleBanner(m_banner.Get(), GetDpi(), SIZE{place.right, place.bottom});
    // The control does not own its image: the holders keep it until the next
    // image replaces it or this object goes.
    HBITMAP shown = scaled.Get() ? scaled.Get() : m_banner.Get();
    ::SendDlgItemMessageW(GetHwnd(), IDC_BANNER, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(shown));
    m_scaledBanner = std::move(scaled);
}

// The list measured its entries when it was created, before this window could
// answer for it and before the dialog font was set.
void CBootwrightDlg::MeasureList() {
    HWND list = Item(IDC_COMPONENTS_LIST);
    MEASUREITEMSTRUCT measure = {};
    measure.CtlType = ODT_LISTBOX;
    measure.CtlID = IDC_COMPONENTS_LIST;
    CComponentsList::MeasureItem(measure, list, GetDpi());
    ::SendMessageW(list, LB_SETITEMHEIGHT, 0, static_cast<LPARAM>(measure.itemHeight));
    m_list.SetDpi(GetDpi());
}

// Enter means Install (the template marks Skip as a default button too, and
// Skip may be hidden); the focus starts there, or on the list.
void CBootwrightDlg::FocusDefault() {
    if (m_ended) return;
    HWND window = GetHwnd();
    ::SendDlgItemMessageW(window, IDC_SKIP, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    ::SendMessageW(window, DM_SETDEFID, IDC_INSTALL, 0);
    HWND install = Item(IDC_INSTALL);
    ::SetFocus(::IsWindowEnabled(install) ? install : Item(IDC_COMPONENTS_LIST));
}

bool CBootwrightDlg::OnCommand(WORD id, WORD code, HWND control) {
    // A disabled button stays without effect, also for a click sent to it.
    if (control && (id == IDC_INSTALL || id == IDC_SKIP || id == IDCANCEL) && !::IsWindowEnabled(control))
        return true;
    switch (id) {
        case IDC_INSTALL:
            if (code == BN_CLICKED) Install();
            return true;
        case IDC_SKIP:
            if (code == BN_CLICKED) Skip();
            return true;
        case IDC_COMPONENTS_LIST:
            return code == CComponentsList::CheckChanged;
        default:
            return DialogBase::OnCommand(id, code, control);
    }
}

void CBootwrightDlg::PaintMinimised() {
    PAINTSTRUCT paint = {};
    HWND window = GetHwnd();
    HDC dc = ::BeginPaint(window, &paint);
    ::SendMessageW(window, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    HICON icon = reinterpret_cast<HICON>(::SendMessageW(window, WM_GETICON, ICON_BIG, 0));
    RECT client = {};
    ::GetClientRect(window, &client);
    const int x = (client.right - client.left - DisplayScale::SystemMetric(SM_CXICON, GetDpi()) + 1) / 2;
    const int y = (client.bottom - client.top - DisplayScale::SystemMetric(SM_CYICON, GetDpi()) + 1) / 2;
    if (icon) ::DrawIcon(dc, x, y, icon);
    ::EndPaint(window, &paint);
}

void CBootwrightDlg::OnScaleChanged() {
    DialogBase::OnScaleChanged();
    if (!m_configuration) return;
    PositionChildren();
    MeasureList();
    m_list.MeasureWidth();
    m_link.ResetFont();
    ShowBanner();
    ::InvalidateRect(Item(IDC_COMPONENTS_LIST), nullptr, TRUE);
}

void CBootwrightDlg::OnDestroy() {
    ApplicationTitle::Instance().SetMainWindow(nullptr);
    try {
        CleanupExtractionFolder(m_configuration);
    } catch (const std::exception& error) {
        const std::wstring text = Kestlib::AnsiToWide(error.what());
        LOG(L"Error terminating Bootwright: " << text);
        ShowTimedMessageBox(text, MB_OK | MB_ICONERROR, IDOK);
        // The modal result was taken before the window went; it stands.
    }
}

INT_PTR CBootwrightDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    switch (message) {
        case WM_MEASUREITEM:
            if (wParam != IDC_COMPONENTS_LIST) return 0;
            handled = true;
            CComponentsList::MeasureItem(*reinterpret_cast<MEASUREITEMSTRUCT*>(lParam), Item(IDC_COMPONENTS_LIST),
                                         GetDpi());
            return TRUE;
        case WM_DRAWITEM:
            if (wParam != IDC_COMPONENTS_LIST) return 0;
            handled = true;
            m_list.DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        case WM_PAINT:
            if (!::IsIconic(GetHwnd())) return 0;
            handled = true;
            PaintMinimised();
            return 0;
        case WM_QUERYDRAGICON:
            handled = true;
            return static_cast<INT_PTR>(::SendMessageW(GetHwnd(), WM_GETICON, ICON_BIG, 0));
        case AutoStartMessage:
            handled = true;
            AutoStart();
            return 0;
        case WM_CLOSE:
            // The system menu and Alt+F4 cancel even where the Cancel button is disabled.
            handled = true;
            OnCancel();
            return 0;
        case WM_DESTROY:
            OnDestroy();
            return 0;
        default:
            return 0;
    }
}
