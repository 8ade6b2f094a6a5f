// Downloads over a flaky network, through the real program: a file whose
// connections drop is continued where it stopped, a source that keeps failing
// gives way to the next, a server that ignores ranges restarts cleanly, and a
// file that changed between attempts is fetched anew, never spliced.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lib/Sha256.h"
#include "lib/TextConversion.h"
#include "tests/e2e/SetupDocuments.h"
#include "tests/support/LocalHttpServer.h"
#include "tests/support/SetupRun.h"

using namespace E2e;
using TestSupport::HttpFault;
using TestSupport::HttpRoute;

namespace {

// Bytes that differ everywhere, so that a splice in the wrong place shows.
std::string Bytes(size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) {
        seed = seed * 1103515245u + 12345u;
        bytes[i] = static_cast<char>(seed >> 16);
    }
    return bytes;
}

HttpRoute Route(const std::string& body, HttpFault fault, bool ranges, const std::string& etag) {
    HttpRoute route{200, body, 1, 0, fault};
    route.ranges = ranges;
    route.etag = etag;
    return route;
}

}  // namespace

TEST(DownloadRetry, FlakySourcesStillGiveTheWholeFile) {
    const std::string big = Bytes(50u << 20, 1);
    const std::string small = Bytes(1u << 20, 2);
    const std::string changed = Bytes(1u << 20, 3);
    HttpRoute unavailable{503, "", 1, 0};
    const struct {
        const char* name;
        std::vector<std::vector<HttpRoute>> sources;  // the answers of each source in turn
        std::string expected;
        bool sha256;
        std::vector<int> requests;  // per source
        long long maxBytes;         // body bytes all sources sent
        std::string logged;         // a line the log must hold
    } cases[] = {
        {"two connections dropped at half",
         {{Route(big, HttpFault::ResetMidBody, true, "\"v1\""), Route(big, HttpFault::CloseMidBody, true, "\"v1\""),
           Route(big, HttpFault::None, true, "\"v1\"")}},
         big, true, {3}, static_cast<long long>(big.size()) * 16 / 10, "continues at byte "},
        {"first source unavailable", {{unavailable}, {Route(small, HttpFault::None, false, "")}}, small, true, {3, 1},
         static_cast<long long>(small.size()), "attempt 1 of 3 from"},
        {"server ignoring ranges",
         {{Route(small, HttpFault::CloseMidBody, false, "\"v1\""), Route(small, HttpFault::None, false, "\"v1\"")}},
         small, true, {2}, static_cast<long long>(small.size()) * 3 / 2, "does not continue the file at byte 524288"},
        {"file changed between attempts",
         {{Route(small, HttpFault::CloseMidBody, true, "\"old\""), Route(changed, HttpFault::None, true, "\"new\"")}},
         changed, false, {2}, static_cast<long long>(small.size()) * 3 / 2, "does not continue the file at byte 524288"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        Scenario run;
        TestSupport::LocalHttpServer server;
        std::string mirrors;
        for (size_t source = 0; source < row.sources.size(); ++source) {
            const std::string path = "/source" + std::to_string(source) + "/tool.bin";
            server.AddSequence(path, row.sources[source]);
            if (source > 0) mirrors += "<mirror sourceurl=\"" + Xml(server.Url(path)) + "\"/>";
        }
        const std::wstring downloads = run.folder / L"downloads";
        const std::wstring digest = Kestlib::Sha256OfBytes(row.expected.data(), row.expected.size());
        const std::string list =
            "      <downloaddialog dialog_caption=\"Tools\" autostartdownload=\"true\"><download componentname=\"tool\" "
            "attempts=\"3\" retrydelay=\"50\" sourceurl=\"" + Xml(server.Url("/source0/tool.bin")) +
            "\" destinationpath=\"" + Xml(downloads) + "\"" + (row.sha256 ? " sha256=\"" + Xml(digest) + "\"" : "") +
            ">" + mirrors + "</download></downloaddialog>\n";
        const std::wstring marker = run.folder / L"ran.txt";
        const std::wstring setup =
            TestSupport::PackageSetup(run.folder.Path(), Document(Install("", MarkerComponent("Tool", marker, "", list))));

        const ULONGLONG start = ::GetTickCount64();
        EXPECT_EQ(TestSupport::RunSetup(setup, run.Options(L"/q"), 180000), 0u) << run.Dump();
        const ULONGLONG elapsed = ::GetTickCount64() - start;
        const std::string file = TestSupport::ReadTextFile(downloads + L"\\tool.bin");
        EXPECT_TRUE(file == row.expected) << "size " << file.size();
        EXPECT_TRUE(FileExists(marker));
        long long sent = 0;
        for (size_t source = 0; source < row.sources.size(); ++source) {
            const std::string path = "/source" + std::to_string(source) + "/tool.bin";
            EXPECT_EQ(server.RequestCount(path), row.requests[source]);
            sent += server.BytesSent(path);
        }
        EXPECT_LE(sent, row.maxBytes);
        const std::string log = TestSupport::JoinMessages(run.Log());
        EXPECT_NE(log.find(row.logged), std::string::npos) << run.Dump();
        std::printf("[ FIGURES  ] %s: %lld body bytes sent for a file of %zu bytes (%.2fx), run took %llu ms\n",
                    row.name, sent, row.expected.size(), static_cast<double>(sent) / row.expected.size(), elapsed);
    }
}
