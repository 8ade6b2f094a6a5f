#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "ui/SubclassedControl.h"

class Component;
class InstallConfiguration;

// The main window's check list of components: an owner-drawn list box with a
// check box left of each entry. Installed and required entries cannot be
// changed by the user. The parent window forwards WM_MEASUREITEM and
// WM_DRAWITEM for the list to MeasureItem and DrawItem.
class CComponentsList : public SubclassedControl {
public:
    // Sent to the parent as the notification code of WM_COMMAND when the user toggles a box.
    static const WORD CheckChanged = 40;

    // Fills the list from the configuration's components supported for lcid;
    // true when every one of them is installed (shown or not).
    bool Load(const InstallConfiguration* configuration, unsigned long lcid);
    // Each entry's check mark becomes its component's selected value.
    void Save() const;

    int GetCount() const { return static_cast<int>(m_entries.size()); }
    Component* GetComponent(int index) const { return m_entries.at(static_cast<size_t>(index)).component; }
    bool GetCheck(int index) const { return m_entries.at(static_cast<size_t>(index)).checked; }
    bool IsEntryEnabled(int index) const { return m_entries.at(static_cast<size_t>(index)).enabled; }
    std::wstring GetText(int index) const;

    // Entries as high as the parent's font, or the check box at the scale dpi.
    static void MeasureItem(MEASUREITEMSTRUCT& measure, HWND list, UINT dpi);
    void DrawItem(const DRAWITEMSTRUCT& draw) const;
    // The scale the box and the indent are drawn at (96 dpi is 100 %).
    void SetDpi(UINT dpi) { m_dpi = dpi; }
    // The horizontal extent, for scrolling: the widest entry in the list's font.
    void MeasureWidth();

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    struct Entry {
        Component* component;
        bool checked;
        bool enabled;
    };
    int CheckBoxWidth() const;
    void Toggle(int index);

    std::vector<Entry> m_entries;
    UINT m_dpi = 96;
};
