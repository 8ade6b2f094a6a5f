#include "payload/ProxyResolution.h"

#include "payload/WinHttpApi.h"

namespace {

// Frees a string the platform allocated for its caller.
std::wstring TakeGlobal(LPWSTR text) {
    if (text == nullptr) return std::wstring();
    std::wstring copy(text);
    ::GlobalFree(text);
    return copy;
}

}  // namespace

ProxySettings ProxySettings::OfCurrentUser() {
    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG config = {};
    ProxySettings settings;
    if (!WinHttp().userProxy(&config)) return settings;
    settings.autoDetect = config.fAutoDetect != FALSE;
    settings.scriptUrl = TakeGlobal(config.lpszAutoConfigUrl);
    settings.proxy = TakeGlobal(config.lpszProxy);
    settings.bypass = TakeGlobal(config.lpszProxyBypass);
    return settings;
}

ProxyRoute ResolveProxy(const ProxySettings& settings, const std::wstring& url, const AutoProxyLookup& lookup) {
    ProxyRoute route;
    if (settings.autoDetect && lookup(url, std::wstring(), route)) {
        route.origin = L"auto-detected";
        return route;
    }
    route = ProxyRoute();
    if (!settings.scriptUrl.empty() && lookup(url, settings.scriptUrl, route)) {
        route.origin = L"script '" + settings.scriptUrl + L"'";
        return route;
    }
    route = ProxyRoute();
    if (!settings.proxy.empty()) {
        route.proxy = settings.proxy;
        route.bypass = settings.bypass;
        route.origin = L"manual";
        return route;
    }
    route.origin = L"direct";
    return route;
}

AutoProxyLookup PlatformProxyLookup(void* session) {
    return [session](const std::wstring& url, const std::wstring& scriptUrl, ProxyRoute& route) {
        WINHTTP_AUTOPROXY_OPTIONS options = {};
        if (scriptUrl.empty()) {
            options.dwFlags = WINHTTP_AUTOPROXY_AUTO_DETECT;
            options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
        } else {
            options.dwFlags = WINHTTP_AUTOPROXY_CONFIG_URL;
            options.lpszAutoConfigUrl = scriptUrl.c_str();
        }
        WINHTTP_PROXY_INFO info = {};
        BOOL found = WinHttp().proxyForUrl(session, url.c_str(), &options, &info);
        // A script server that asks who is calling gets the user's logon, as a browser's would.
        if (!found && ::GetLastError() == ERROR_WINHTTP_LOGIN_FAILURE) {
            options.fAutoLogonIfChallenged = TRUE;
            found = WinHttp().proxyForUrl(session, url.c_str(), &options, &info);
        }
        if (!found) return false;
        route.proxy = TakeGlobal(info.lpszProxy);
        route.bypass = TakeGlobal(info.lpszProxyBypass);
        if (info.dwAccessType != WINHTTP_ACCESS_TYPE_NAMED_PROXY) route.proxy.clear();
        return true;
    };
}
