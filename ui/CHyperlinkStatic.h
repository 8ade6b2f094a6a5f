#pragma once

#include <windows.h>

#include <string>

#include "ui/SubclassedControl.h"

// A static text drawn and used as a link: blue, underlined, the hand cursor
// over its text; a click opens the target with its default program.
class CHyperlinkStatic : public SubclassedControl {
public:
    CHyperlinkStatic() = default;
    ~CHyperlinkStatic() override;

    void SetCaption(const std::wstring& caption);
    const std::wstring& GetCaption() const { return m_caption; }
    void SetLink(const std::wstring& link) { m_link = link; }
    const std::wstring& GetLink() const { return m_link; }
    // Opens the target; a failure shows "Failed to execute link".
    void Open() const;
    // The text's extent in the underlined font (measured on first use).
    SIZE GetTextExtent();
    // The parent's font changed (a new scale): the underlined copy follows it.
    void ResetFont();

protected:
    void OnAttached() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void Paint();
    HFONT Font();
    bool OverText(LPARAM point);

    std::wstring m_caption;
    std::wstring m_link;
    HFONT m_font = nullptr;
    SIZE m_extent = {0, 0};
    bool m_measured = false;
    bool m_tracking = false;
    HCURSOR m_hand = nullptr;
    HCURSOR m_arrow = nullptr;
};
