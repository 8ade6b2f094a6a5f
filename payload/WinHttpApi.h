#pragma once

#include <windows.h>
#include <winhttp.h>

#include <string>

#include "lib/Handles.h"
#include "lib/SystemLibrary.h"

// The platform's HTTP client, loaded from the system folder on first use and
// kept for the process.
struct WinHttpApi {
    Kestlib::SystemLibrary library{L"winhttp.dll"};
    decltype(&::WinHttpOpen) open = library.Entry<decltype(open)>("WinHttpOpen");
    decltype(&::WinHttpConnect) connect = library.Entry<decltype(connect)>("WinHttpConnect");
    decltype(&::WinHttpOpenRequest) openRequest = library.Entry<decltype(openRequest)>("WinHttpOpenRequest");
    decltype(&::WinHttpSetTimeouts) setTimeouts = library.Entry<decltype(setTimeouts)>("WinHttpSetTimeouts");
    decltype(&::WinHttpSetOption) setOption = library.Entry<decltype(setOption)>("WinHttpSetOption");
    decltype(&::WinHttpAddRequestHeaders) addHeaders = library.Entry<decltype(addHeaders)>("WinHttpAddRequestHeaders");
    decltype(&::WinHttpSendRequest) sendRequest = library.Entry<decltype(sendRequest)>("WinHttpSendRequest");
    decltype(&::WinHttpReceiveResponse) receiveResponse =
        library.Entry<decltype(receiveResponse)>("WinHttpReceiveResponse");
    decltype(&::WinHttpQueryHeaders) queryHeaders = library.Entry<decltype(queryHeaders)>("WinHttpQueryHeaders");
    decltype(&::WinHttpReadData) readData = library.Entry<decltype(readData)>("WinHttpReadData");
    decltype(&::WinHttpCloseHandle) closeHandle = library.Entry<decltype(closeHandle)>("WinHttpCloseHandle");
    decltype(&::WinHttpCrackUrl) crackUrl = library.Entry<decltype(crackUrl)>("WinHttpCrackUrl");
    decltype(&::WinHttpGetIEProxyConfigForCurrentUser) userProxy =
        library.Entry<decltype(userProxy)>("WinHttpGetIEProxyConfigForCurrentUser");
    decltype(&::WinHttpGetProxyForUrl) proxyForUrl = library.Entry<decltype(proxyForUrl)>("WinHttpGetProxyForUrl");
};

const WinHttpApi& WinHttp();

struct InternetHandleTraits {
    using Type = HINTERNET;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { WinHttp().closeHandle(h); }
};
using InternetHandle = Kestlib::UniqueHandle<InternetHandleTraits>;

// "0x<code> - <context>: <message>", with a text of its own for the codes a
// cut or silent connection gives where the system has none.
[[noreturn]] void ThrowWinHttpError(const std::wstring& context, DWORD error);
