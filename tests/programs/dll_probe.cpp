// Loads the platform libraries the program loads at run time, for the
// planted-library test. First argument: "restricted" restricts the DLL search
// as start-up does, "unrestricted" leaves it as the loader has it. Second:
// "product" goes through the program's own code (an installed-product
// enumeration, a file version, a download of the URL given third into
// downloaded.txt beside the probe and a download of that file's file: URL
// into copied.txt, the cabinet decompressor); "bare" loads each
// library by its bare name, the way the platform's own libraries load theirs.
// The version library is probed by version_probe: see there why.
// Exit 0 when every call worked; a failure's text goes to probe-error.txt.
#include <windows.h>
#include <shellapi.h>

#include <exception>
#include <string>
#include <vector>

#include "base/InstallerLog.h"
#include "lib/DllSearch.h"
#include "lib/FileOps.h"
#include "lib/Msi.h"
#include "lib/Version.h"
#include "payload/DownloadFile.h"
#include "payload/Extract.h"

namespace {

const wchar_t* const kLibraries[] = {L"msi.dll", L"urlmon.dll", L"winhttp.dll", L"cabinet.dll"};

std::vector<std::wstring> Arguments() {
    int count = 0;
    wchar_t** list = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    std::vector<std::wstring> arguments;
    for (int i = 1; list != nullptr && i < count; ++i) arguments.push_back(list[i]);
    ::LocalFree(list);
    return arguments;
}

int UseThroughProduct(const std::wstring& folder, const std::wstring& url) {
    Kestlib::EnumAllProducts();
    if (Kestlib::GetFileVersionString(Kestlib::PathCombine(Kestlib::GetSystemDirectory(), L"kernel32.dll")).empty())
        return 4;
    DownloadFile download;
    download.componentname = L"probe";
    download.sourceurl = url;
    download.destinationpath = folder;
    download.destinationfilename = L"downloaded.txt";
    download.Exec();
    DownloadFile copy;
    copy.componentname = L"probe copy";
    copy.sourceurl = L"file:///" + Kestlib::PathCombine(folder, L"downloaded.txt");
    copy.destinationpath = folder;
    copy.destinationfilename = L"copied.txt";
    copy.Exec();
    Cabinet::CExtract extract;
    return extract.Initialise() ? 0 : 5;
}

int LoadByBareName() {
    for (const wchar_t* name : kLibraries)
        if (::LoadLibraryW(name) == nullptr) return 6;
    return 0;
}

}  // namespace

int main() {
    const std::vector<std::wstring> arguments = Arguments();
    if (arguments.size() < 2) return 1;
    if (arguments[0] == L"restricted") Kestlib::RestrictDllSearchToSystemFolder();
    const std::wstring folder = Kestlib::GetModuleDirectory();
    InstallerLog::Instance().SetPath(Kestlib::PathCombine(folder, L"probe.log"));
    try {
        if (arguments[1] == L"bare") return LoadByBareName();
        if (arguments[1] == L"product" && arguments.size() == 3) return UseThroughProduct(folder, arguments[2]);
        return 1;
    } catch (const std::exception& error) {
        const std::string text = error.what();
        Kestlib::FileHandle file(::CreateFileW(Kestlib::PathCombine(folder, L"probe-error.txt").c_str(), GENERIC_WRITE,
                                               0, nullptr, CREATE_ALWAYS, 0, nullptr));
        DWORD written = 0;
        if (file) ::WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        return 2;
    }
}
