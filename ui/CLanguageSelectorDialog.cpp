#include "ui/CLanguageSelectorDialog.h"

#include "base/ApplicationTitle.h"
#include "base/InstallerLog.h"
#include "base/InstallerSession.h"
#include "base/Lcid.h"
#include "lib/Formatting.h"
#include "lib/SystemError.h"
#include "lib/ValueParsing.h"
#include "ui/LanguageTable.h"
#include "ui/SiblingApplications.h"
#include "ui/resource.h"

CLanguageSelectorDialog::CLanguageSelectorDialog(const Configurations& primary)
    : DialogBase(IDD_LANGUAGE_SELECTOR),
      m_configurations(primary.configurations),
      m_title(primary.language_selector_title),
      m_ok(primary.language_selector_ok),
      m_cancel(primary.language_selector_cancel),
      m_findSibling(&FindRunningSiblingApplication) {}

bool CLanguageSelectorDialog::OnInitDialog() {
    const int row = m_row ? *m_row : LanguageIndexForLcid(GetLcid(LcidTypeUser));
    const std::wstring running = m_findSibling();
    if (!running.empty()) {
        // The suite holds files this setup replaces; nothing may run after the box.
        const std::wstring text = Kestlib::FormatText(LanguageTextsForRow(row).pleaseQuit, running.c_str());
        ::MessageBoxW(nullptr, text.c_str(), ApplicationTitle::Instance().GetTitle().c_str(),
                      MB_OK | MB_ICONINFORMATION);
        ::ExitProcess(0);
    }
    LOG(L"Opening language selector dialog '" << m_title << L"'");
    SetTitle(m_title);
    FillList();
    ::SendMessageW(Item(IDC_LANGUAGE_LIST), LB_SETCURSEL, static_cast<WPARAM>(row), 0);
    ShowTexts(row);
    CenterWindow();
    return true;
}

void CLanguageSelectorDialog::FillList() {
    HWND list = Item(IDC_LANGUAGE_LIST);
    for (size_t index = 0; index < m_configurations.size(); ++index) {
        if (!m_configurations[index]) continue;
        const std::wstring text = m_configurations[index]->GetLanguageText();
        // Language "0" marks a configuration that is not offered for selection.
        if (!text.empty() && text[0] == L'0') continue;
        const LRESULT line = ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        if (line == LB_ERR || line == LB_ERRSPACE) Kestlib::ThrowError(L"Failed to add a language to the list");
        ::SendMessageW(list, LB_SETITEMDATA, static_cast<WPARAM>(line), static_cast<LPARAM>(index));
    }
    if (::SendMessageW(list, LB_GETCOUNT, 0, 0) <= 0)
        Kestlib::ThrowError(L"No languages are available for language selection");
}

void CLanguageSelectorDialog::ShowTexts(int row) const {
    const LanguageTexts& texts = LanguageTextsForRow(row);
    SetItemText(IDC_LANGUAGE_PROMPT, texts.prompt);
    SetItemText(IDOK, texts.ok);
    SetItemText(IDCANCEL, texts.cancel);
}

int CLanguageSelectorDialog::SelectedLine() const {
    return static_cast<int>(::SendMessageW(Item(IDC_LANGUAGE_LIST), LB_GETCURSEL, 0, 0));
}

bool CLanguageSelectorDialog::OnCommand(WORD id, WORD code, HWND control) {
    if (id == IDC_LANGUAGE_LIST) {
        // No selection reads as LB_ERR, a row outside the table: English.
        if (code == LBN_SELCHANGE) ShowTexts(SelectedLine());
        if (code == LBN_DBLCLK) OnOK();
        return code == LBN_SELCHANGE || code == LBN_DBLCLK;
    }
    return DialogBase::OnCommand(id, code, control);
}

void CLanguageSelectorDialog::OnOK() {
    const int line = SelectedLine();
    if (line == LB_ERR) Kestlib::ThrowError(L"Missing configuration");
    const size_t index = static_cast<size_t>(
        ::SendMessageW(Item(IDC_LANGUAGE_LIST), LB_GETITEMDATA, static_cast<WPARAM>(line), 0));
    if (index >= m_configurations.size()) Kestlib::ThrowError(L"Missing configuration");
    const Configuration& chosen = *m_configurations[index];
    if (chosen.language_id.empty()) {
        Kestlib::ThrowError(L"Chosen configuration of type '" + std::to_wstring(static_cast<int>(chosen.type)) +
                            L"' is missing a language_id");
    }
    LOG(L"User-chosen language id: " << chosen.language_id);
    InstallerSession::Instance().languageId = static_cast<unsigned long>(Kestlib::ParseInt(chosen.language_id));
    EndDialog(IDOK);
}
