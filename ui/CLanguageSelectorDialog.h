#pragma once

#include <optional>
#include <string>

#include "config/Configurations.h"
#include "ui/DialogBase.h"

// Lets the user pick the installation language from the primary document's
// configurations before anything else happens, speaking the user's Windows
// language. It also refuses to run while one of the suite's applications is
// open: it names the application and ends the process.
class CLanguageSelectorDialog : public DialogBase {
public:
    // Copies the document's configurations (all of them) and selector texts.
    explicit CLanguageSelectorDialog(const Configurations& primary);

    // The row of the language table the dialog speaks in and preselects;
    // without it the user's LCID chooses.
    void SetLanguageRow(int row) { m_row = row; }
    // Looks for a running suite application; FindRunningSiblingApplication
    // unless replaced.
    void SetSiblingFinder(std::wstring (*finder)()) { m_findSibling = finder; }

protected:
    bool OnInitDialog() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    void OnOK() override;

private:
    void FillList();
    void ShowTexts(int row) const;
    int SelectedLine() const;

    ConfigurationList m_configurations;
    std::wstring m_title;
    std::wstring m_ok;
    std::wstring m_cancel;
    std::optional<int> m_row;
    std::wstring (*m_findSibling)();
};
