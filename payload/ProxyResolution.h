#pragma once

#include <windows.h>

#include <functional>
#include <string>

// How a machine reaches the web, as the user's connection settings say.
struct ProxySettings {
    // Find a script by the network's own means (DHCP, then DNS).
    bool autoDetect = false;
    // The script's address, as configured.
    std::wstring scriptUrl;
    // The proxy entered by hand ("host:port", or a list per scheme) and the
    // addresses that bypass it.
    std::wstring proxy;
    std::wstring bypass;

    // The current user's settings; direct when they cannot be read.
    static ProxySettings OfCurrentUser();
};

// Where one request goes: through a proxy (with its bypass list) or directly.
struct ProxyRoute {
    std::wstring proxy;  // empty: directly
    std::wstring bypass;
    // How the route was found, for the log.
    std::wstring origin;
};

// The platform's automatic resolution for url: by auto-detection when
// scriptUrl is empty, else by that script. False when it found no answer.
using AutoProxyLookup =
    std::function<bool(const std::wstring& url, const std::wstring& scriptUrl, ProxyRoute& route)>;

// The route for url: auto-detection, then the configured script, then the
// manual proxy, then directly. An automatic answer of "directly" is final.
ProxyRoute ResolveProxy(const ProxySettings& settings, const std::wstring& url, const AutoProxyLookup& lookup);

// The platform's automatic resolution, on a session (HINTERNET) of its HTTP client.
AutoProxyLookup PlatformProxyLookup(void* session);
