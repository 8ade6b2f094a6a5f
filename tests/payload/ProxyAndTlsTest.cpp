// How downloads reach their servers: the proxy each URL resolves to, and the
// TLS versions the client offers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lib/TextConversion.h"
#include "payload/DownloadDialog.h"
#include "payload/ProxyResolution.h"
#include "tests/payload/DownloadXml.h"
#include "tests/support/Expect.h"
#include "tests/support/LocalHttpServer.h"
#include "tests/support/LocalTlsServer.h"
#include "tests/support/TestEnvironment.h"

using TestSupport::HttpRoute;

namespace {

TEST(ProxyResolution, AutomaticFirstThenManualThenDirect) {
    // What the platform's automatic resolution answers: by auto-detection
    // (empty script), by the script, or nothing.
    struct Answers {
        bool detected;
        bool scripted;
    };
    const struct {
        const char* name;
        ProxySettings settings;
        Answers answers;
        std::wstring proxy;
        std::wstring origin;
        std::vector<std::wstring> asked;  // "" for auto-detection, else the script
    } cases[] = {
        {"auto-detection answers", {true, L"http://wpad/x.pac", L"manual:80", L""}, {true, true}, L"detected:80",
         L"auto-detected", {L""}},
        {"then the script", {true, L"http://wpad/x.pac", L"manual:80", L""}, {false, true}, L"scripted:80",
         L"script 'http://wpad/x.pac'", {L"", L"http://wpad/x.pac"}},
        {"then the manual proxy", {true, L"http://wpad/x.pac", L"manual:80", L"<local>"}, {false, false}, L"manual:80",
         L"manual", {L"", L"http://wpad/x.pac"}},
        {"then directly", {true, L"", L"", L""}, {false, false}, L"", L"direct", {L""}},
        {"nothing automatic configured", {false, L"", L"manual:80", L""}, {true, true}, L"manual:80", L"manual", {}},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        std::vector<std::wstring> asked;
        const ProxyRoute route = ResolveProxy(row.settings, L"https://example.invalid/a.msi",
                                              [&](const std::wstring& url, const std::wstring& script, ProxyRoute& found) {
                                                  EXPECT_EQ(url, L"https://example.invalid/a.msi");
                                                  asked.push_back(script);
                                                  const bool answer = script.empty() ? row.answers.detected : row.answers.scripted;
                                                  if (answer) found.proxy = script.empty() ? L"detected:80" : L"scripted:80";
                                                  return answer;
                                              });
        EXPECT_EQ(route.proxy, row.proxy);
        EXPECT_EQ(route.origin, row.origin);
        EXPECT_EQ(asked, row.asked);
        EXPECT_EQ(route.bypass, route.origin == L"manual" ? row.settings.bypass : L"");
    }
    // An automatic answer of "directly" is final: the manual proxy is not used.
    const ProxyRoute direct = ResolveProxy({true, L"", L"manual:80", L""}, L"http://a/b",
                                           [](const std::wstring&, const std::wstring&, ProxyRoute&) { return true; });
    EXPECT_EQ(direct.proxy, L"");
    EXPECT_EQ(direct.origin, L"auto-detected");
}

class ProxyAndTlsTest : public ::testing::Test {
protected:
    // One download into the folder, with these connection settings.
    void Download(const std::wstring& url, const ProxySettings* settings) {
        dialog.reset(new JoinedJob<DownloadDialog>());
        LoadDialog(*dialog, DialogXml("", DownloadXml(Attr(L"sourceurl", url) + Attr(L"destinationpath", folder.Path()) +
                                                      Attr(L"destinationfilename", L"file.bin"))));
        if (settings != nullptr) dialog->downloadfiles[0]->SetProxySettings(*settings);
        dialog->Start();
        dialog->WaitAndRethrow();
    }
    TestSupport::TempFolder folder;
    std::unique_ptr<DownloadDialog> dialog;
};

// The proxy, entered by hand or named by a script, gets the whole URL of a
// host that does not even exist.
TEST_F(ProxyAndTlsTest, ManualProxyAndScriptReachTheProxy) {
    TestSupport::LocalHttpServer proxy;
    proxy.Add("/file.bin", HttpRoute{200, "through the proxy", 1, 0});
    proxy.Add("/proxy.pac", HttpRoute{200, "function FindProxyForURL(url, host) { return \"PROXY " + proxy.Authority() +
                                               "\"; }", 1, 0});
    const std::wstring url = proxy.UrlVia("http://download.example.invalid", "/file.bin");
    ProxySettings manual;
    manual.proxy = Kestlib::Utf8ToWide(proxy.Authority());
    Download(url, &manual);
    EXPECT_EQ(TestSupport::ReadTextFile(folder / L"file.bin"), "through the proxy");
    EXPECT_EQ(proxy.ProxiedCount("/file.bin"), 1);

    ProxySettings scripted;
    scripted.scriptUrl = proxy.Url("/proxy.pac");
    scripted.proxy = L"127.0.0.1:9";
    Download(url, &scripted);
    EXPECT_EQ(proxy.ProxiedCount("/file.bin"), 2);
}

// TLS 1.2 is offered explicitly (Windows 7 and 8 offer 1.0 only unless
// asked) and the versions before it are not: a server that speaks only
// TLS 1.0, which the platform's client would otherwise accept, is refused.
TEST_F(ProxyAndTlsTest, OnlyTls12AndLaterAreOffered) {
    const std::string ok = "HTTP/1.0 200 OK\r\nContent-Length: 6\r\n\r\nsecure";
    TestSupport::LocalTlsServer current(1);
    current.Add("file.bin", ok);
    Download(current.Url("file.bin"), nullptr);
    EXPECT_EQ(TestSupport::ReadTextFile(folder / L"file.bin"), "secure");

    TestSupport::LocalTlsServer old(1, TestSupport::LocalTlsServer::Protocols::Tls10Only);
    old.Add("file.bin", ok);
    EXPECT_THROW_PREFIX(Download(old.Url("file.bin"), nullptr), "0x80072f7d - Error downloading");
}

}  // namespace
