// Starts a setup program and reports its whole 32-bit exit code, which the
// Linux exit status of a Wine process cuts to 8 bits.
//   run-setup [--window CAPTION --ready FILE] PROGRAM [ARGUMENTS...]
// With --window it waits for the program's dialog titled CAPTION, prints
// "Window shown at X Y WIDTH HEIGHT" (its frame on the screen), waits until FILE exists (someone has looked at the window),
// presses Install and then answers every message box of the run with OK or
// Yes until the program ends.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>

namespace {

const int kInstallButton = 1000;
const DWORD kWindowTimeout = 120000;
const DWORD kRunTimeout = 600000;

std::wstring Quote(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) return argument;
    return L"\"" + argument + L"\"";
}

struct Search {
    DWORD process;
    const std::wstring* caption;
    HWND skip;
    HWND found;
};

bool HasButton(HWND window, int id) {
    HWND button = ::GetDlgItem(window, id);
    return button != nullptr && ::IsWindowVisible(button);
}

// A visible dialog of the process: with a caption, the one titled so; without
// one, any other than skip that can be answered with OK or Yes.
BOOL CALLBACK FindDialog(HWND window, LPARAM parameter) {
    Search& search = *reinterpret_cast<Search*>(parameter);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner != search.process || window == search.skip || !::IsWindowVisible(window)) return TRUE;
    wchar_t className[64] = {};
    ::GetClassNameW(window, className, 64);
    if (std::wstring(className) != L"#32770") return TRUE;
    if (search.caption != nullptr) {
        wchar_t title[512] = {};
        ::GetWindowTextW(window, title, 512);
        if (*search.caption != title) return TRUE;
    } else if (!HasButton(window, IDOK) && !HasButton(window, IDYES)) {
        return TRUE;
    }
    search.found = window;
    return FALSE;
}

HWND FindProcessDialog(DWORD process, const std::wstring* caption, HWND skip) {
    Search search = {process, caption, skip, nullptr};
    ::EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void Press(HWND dialog, int id) {
    ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

bool FileExists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Returns false when the window never showed or nobody signalled in time.
bool DriveWindow(const PROCESS_INFORMATION& process, const std::wstring& caption, const std::wstring& ready) {
    HWND dialog = nullptr;
    for (DWORD waited = 0; dialog == nullptr; waited += 100) {
        if (waited > kWindowTimeout || ::WaitForSingleObject(process.hProcess, 100) == WAIT_OBJECT_0) return false;
        dialog = FindProcessDialog(process.dwProcessId, &caption, nullptr);
    }
    RECT frame = {};
    ::GetWindowRect(dialog, &frame);
    std::printf("Window shown at %ld %ld %ld %ld\n", frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top);
    std::fflush(stdout);
    for (DWORD waited = 0; !FileExists(ready); waited += 100) {
        if (waited > kWindowTimeout) return false;
        ::Sleep(100);
    }
    Press(dialog, kInstallButton);
    std::printf("Pressed Install\n");
    std::fflush(stdout);
    for (DWORD waited = 0; ::WaitForSingleObject(process.hProcess, 250) == WAIT_TIMEOUT; waited += 250) {
        if (waited > kRunTimeout) return false;
        HWND box = FindProcessDialog(process.dwProcessId, nullptr, dialog);
        if (box == nullptr) continue;
        wchar_t title[512] = {};
        ::GetWindowTextW(box, title, 512);
        std::printf("Answered a message of \"%ls\"\n", title);
        std::fflush(stdout);
        Press(box, HasButton(box, IDOK) ? IDOK : IDYES);
        ::Sleep(500);
    }
    return true;
}

}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    int first = 1;
    std::wstring caption, ready;
    if (argc > 5 && std::wstring(argv[1]) == L"--window" && std::wstring(argv[3]) == L"--ready") {
        caption = argv[2];
        ready = argv[4];
        first = 5;
    }
    if (first >= argc) {
        std::fprintf(stderr, "usage: run-setup [--window CAPTION --ready FILE] PROGRAM [ARGUMENTS...]\n");
        return 1;
    }
    std::wstring command = Quote(argv[first]);
    for (int i = first + 1; i < argc; ++i) command += L" " + Quote(argv[i]);

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!::CreateProcessW(argv[first], &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        std::fprintf(stderr, "run-setup: cannot start %ls: error %lu\n", argv[first], ::GetLastError());
        return 1;
    }
    bool driven = caption.empty() || DriveWindow(process, caption, ready);
    if (!driven) {
        std::fprintf(stderr, "run-setup: the window \"%ls\" did not come or was not released in time\n", caption.c_str());
        ::TerminateProcess(process.hProcess, 1);
    }
    ::WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    ::GetExitCodeProcess(process.hProcess, &code);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    std::printf("Exit code: %ld\n", static_cast<long>(static_cast<LONG>(code)));
    return driven ? static_cast<int>(code) : 1;
}
