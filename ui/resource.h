#pragma once

// Resource identifiers of the program's windows, shared by Bootwright.rc and the code.

#define IDR_MAINFRAME 128
#define IDC_HYPERLINK_HAND 147

#define IDD_BOOTWRIGHT_DIALOG 102
#define IDD_LANGUAGE_SELECTOR 129
#define IDD_PROGRESS_DIALOG 131
#define IDD_DOWNLOAD_DIALOG 132

// Main dialog.
#define IDC_INSTALL 1000
#define IDC_COMPONENTS_LIST 1001
#define IDC_MESSAGE 1003
#define IDC_BANNER 1004
#define IDC_OPERATING_SYSTEM 1005
#define IDC_SKIP 1007
#define IDC_OTHERINFO_LINK 1019

// Extraction and component progress.
#define IDC_PROGRESS_STATUS 1008
#define IDC_PROGRESS_BUSY 1018
#define IDC_PROGRESS_HEADLINE 1022

// Download window.
#define IDC_DOWNLOAD_CANCEL 1010
#define IDC_DOWNLOAD_PROGRESS 1011
#define IDC_DOWNLOAD_START 1012
#define IDC_DOWNLOAD_MESSAGE 1013
#define IDC_DOWNLOAD_STATUS 1014

// Language selector.
#define IDC_LANGUAGE_LIST 1020
#define IDC_LANGUAGE_PROMPT 1023
