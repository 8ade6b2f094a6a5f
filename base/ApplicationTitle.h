#pragma once

#include <windows.h>

#include <string>

#include "lib/ProcessObject.h"

// What the application's message boxes carry: its title as caption (the
// program file's base name until the main dialog names the run) and its main
// window as owner (none until there is one).
class ApplicationTitle : public Kestlib::ProcessObject<ApplicationTitle> {
public:
    const std::wstring& GetTitle();
    void SetTitle(const std::wstring& title) { m_title = title; }
    HWND GetMainWindow() const { return m_mainWindow; }
    void SetMainWindow(HWND window) { m_mainWindow = window; }

private:
    std::wstring m_title;
    HWND m_mainWindow = nullptr;
};
