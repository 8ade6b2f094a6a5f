#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "lib/FileOps.h"
#include "lib/Formatting.h"
#include "lib/Sha256.h"
#include "lib/TextConversion.h"
#include "payload/DownloadDialog.h"
#include "payload/IDownloadCallback.h"
#include "tests/base/LogCapture.h"
#include "tests/payload/DownloadXml.h"
#include "tests/support/Expect.h"
#include "tests/support/LocalHttpServer.h"
#include "tests/support/TestEnvironment.h"

using Kestlib::WideToAnsi;
using TestSupport::HttpFault;
using TestSupport::HttpRoute;
using TestSupport::ReadTextFile;
using TestSupport::WriteTextFile;

namespace {

// What a window would have been told. Written on the worker thread, read
// after the job is joined.
class RecordingCallback : public IDownloadCallback {
public:
    void Connecting() override { ++connecting; }
    void SendingRequest() override { ++sendingRequest; }
    void Status(std::uint64_t progress, std::uint64_t maximum, const std::wstring& text) override {
        statuses.push_back({progress, maximum, text});
        if (cancelOnStatus) cancelled = true;
        if (onStatus) onStatus();
    }
    void DownloadComplete() override { ++complete; }
    void DownloadError(const std::wstring& text) override { errors.push_back(text); }
    bool IsDownloadCancelled() const override { return cancelled; }
    void DownloadCancel() override { cancelled = true; }

    struct StatusCall {
        std::uint64_t progress;
        std::uint64_t maximum;
        std::wstring text;
    };
    int connecting = 0;
    int sendingRequest = 0;
    int complete = 0;
    std::vector<StatusCall> statuses;
    std::vector<std::wstring> errors;
    bool cancelled = false;
    bool cancelOnStatus = false;
    std::function<void()> onStatus;
};

std::string Body(size_t size) {
    std::string body(size, '\0');
    for (size_t i = 0; i < size; ++i) body[i] = static_cast<char>('a' + i % 26);
    return body;
}

std::wstring Sha(const std::string& bytes) { return Kestlib::Sha256OfBytes(bytes.data(), bytes.size()); }

class DownloadTest : public ::testing::Test {
protected:
    // The list of one <download> with these attributes, run as a job with the recording callback.
    void Run(const std::wstring& attributes) {
        dialog.reset(new JoinedJob<DownloadDialog>());
        LoadDialog(*dialog, DialogXml("dialog_caption=\"Test\"", DownloadXml(attributes)));
        dialog->SetCallback(&callback);
        dialog->Start();
        dialog->WaitAndRethrow();
    }
    std::wstring Into(const std::wstring& name) const {
        return Attr(L"destinationpath", folder.Path()) + Attr(L"destinationfilename", name);
    }
    std::wstring From(const std::string& path) const { return Attr(L"sourceurl", server.Url(path)); }
    bool Exists(const std::wstring& name) const { return Kestlib::FileExists(folder / name); }

    TestSupport::LocalHttpServer server;
    TestSupport::TempFolder folder;
    RecordingCallback callback;
    std::unique_ptr<DownloadDialog> dialog;
};

TEST_F(DownloadTest, DownloadsIntoANewFolderUnderTheUrlsName) {
    server.Add("/files/setup.msi", HttpRoute{200, "package bytes", 1, 0});
    const std::wstring into = folder / L"new\\sub";
    LogCapture log;
    Run(L"componentname=\"Runtime\"" + From("/files/setup.msi") + Attr(L"destinationpath", into));
    const std::wstring destination = into + L"\\setup.msi";
    EXPECT_EQ(ReadTextFile(destination), "package bytes");
    EXPECT_FALSE(Kestlib::FileExists(destination + L".tmp"));
    EXPECT_EQ(callback.complete, 1);
    EXPECT_TRUE(callback.errors.empty());
    EXPECT_GE(callback.connecting, 1);
    EXPECT_GE(callback.sendingRequest, 1);
    const std::string url = WideToAnsi(server.Url("/files/setup.msi"));
    EXPECT_TRUE(log.HasLine("Downloading 'Runtime', source='" + url + "', destination='" + WideToAnsi(into) +
                            "', full='" + WideToAnsi(destination) + "', always download=True"))
        << log.Text();
    EXPECT_TRUE(log.HasLine("Creating directory '" + WideToAnsi(into) + "'"));
    EXPECT_TRUE(log.HasLine("Download 'Runtime', size=13 bytes: OK"));
}

TEST_F(DownloadTest, ASlowFileReportsItsProgress) {
    server.Add("/slow.bin", HttpRoute{200, Body(65536), 8, 100});
    Run(L"componentname=\"Slow\"" + From("/slow.bin") + Into(L"slow.bin"));
    EXPECT_EQ(ReadTextFile(folder / L"slow.bin"), Body(65536));
    ASSERT_FALSE(callback.statuses.empty());
    for (const RecordingCallback::StatusCall& status : callback.statuses) {
        EXPECT_EQ(status.maximum, 65536);
        EXPECT_EQ(status.text, L"Slow (" + Kestlib::SizeToString(status.progress) +
                                   L" of 64KB)");
    }
}

TEST_F(DownloadTest, CancelFromTheCallbackAbortsTheTransfer) {
    server.Add("/cancel.bin", HttpRoute{200, Body(65536), 8, 100});
    WriteTextFile(folder / L"cancel.bin", "old");
    callback.cancelOnStatus = true;
    LogCapture log;
    const std::wstring temporary = folder / L"cancel.bin.tmp";
    const std::string context = "0x80004004 - Error downloading \"" + WideToAnsi(server.Url("/cancel.bin")) +
                                "\" to \"" + WideToAnsi(temporary) + "\": ";
    EXPECT_THROW_PREFIX(Run(From("/cancel.bin") + Into(L"cancel.bin")), context);
    ASSERT_EQ(callback.errors.size(), 1u);
    EXPECT_EQ(WideToAnsi(callback.errors[0]).substr(0, context.size()), context);
    EXPECT_TRUE(log.HasLine("The following error was caught in DownloadDialog::ExecOnThread(): " +
                            WideToAnsi(callback.errors[0])));
    EXPECT_EQ(callback.complete, 0);
    // The partial transfer stays beside the untouched destination.
    EXPECT_TRUE(Kestlib::FileExists(temporary));
    EXPECT_EQ(ReadTextFile(folder / L"cancel.bin"), "old");
}

TEST_F(DownloadTest, ACancelBeforeAFileEndsTheJobWithoutNotice) {
    server.Add("/never.bin", HttpRoute{200, "x", 1, 0});
    callback.cancelled = true;
    EXPECT_THROW_MESSAGE(Run(From("/never.bin") + Into(L"never.bin")), "Component failed with error code: -2");
    EXPECT_EQ(dialog->GetExitCode(), -2);
    EXPECT_EQ(server.RequestCount("/never.bin"), 0);
    EXPECT_EQ(callback.complete + callback.errors.size(), 0u);
}

// One file against an existing destination: what the server answers, the
// file's settings, and what the destination holds afterwards.
TEST_F(DownloadTest, OutcomesAgainstAnExistingDestination) {
    const struct {
        const char* name;
        int status;
        const char* always;
        std::wstring sha256;
        std::string error;  // empty: success; else the message after the context
        std::string after;
        int requests;
    } cases[] = {
        {"always downloads again", 200, "true", L"", "", "new", 1},
        {"present is kept", 200, "false", L"", "", "old", 0},
        {"HTTP 404 fails", 404, "true", L"", ": HTTP status 404", "old", 1},
        {"HTTP 500 fails", 500, "true", L"", ": HTTP status 500", "old", 1},
        {"matching digest", 200, "true", Sha("new"), "", "new", 1},
        {"wrong digest", 200, "true", Sha("other"), "verify", "old", 1},
        {"present but wrong is fetched again", 200, "false", Sha("new"), "", "new", 1},
        {"present and right is kept", 200, "false", Sha("old"), "", "old", 0},
    };
    int number = 0;
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        const std::string path = "/outcome" + std::to_string(++number) + ".bin";
        server.Add(path, HttpRoute{row.status, "new", 1, 0});
        const std::wstring name = L"file" + std::to_wstring(number) + L".bin";
        WriteTextFile(folder / name, "old");
        const std::wstring attributes = From(path) + Into(name) + Attr(L"alwaysdownload", Kestlib::Utf8ToWide(row.always)) +
                                        Attr(L"sha256", row.sha256);
        const std::string url = WideToAnsi(server.Url(path));
        const std::string destination = WideToAnsi(folder / name);
        if (row.error.empty()) {
            EXPECT_NO_THROW(Run(attributes));
        } else if (row.error == "verify") {
            EXPECT_THROW_MESSAGE(Run(attributes), "Error verifying \"" + url + "\" for \"" + destination +
                                                      "\" of '': expected SHA-256 " + WideToAnsi(row.sha256) +
                                                      ", got " + WideToAnsi(Sha("new")));
        } else {
            EXPECT_THROW_MESSAGE(Run(attributes),
                                 "Error downloading \"" + url + "\" to \"" + destination + ".tmp\"" + row.error);
        }
        EXPECT_EQ(ReadTextFile(folder / name), row.after);
        EXPECT_FALSE(Exists(name + L".tmp"));
        EXPECT_EQ(server.RequestCount(path), row.requests);
    }
}

// Servers that misbehave, each against an existing destination and against
// none: the download fails with its own text within the idle time, the
// window hears one error and no completion, and the destination is exactly
// as it was.
TEST_F(DownloadTest, MisbehavingServersFailAndLeaveTheDestinationAlone) {
    const std::string body = Body(200000);
    const DWORD idle = 1500;
    // Under Wine the platform's client passes the socket layer's codes on.
    const std::string timedOut = "0x8007274c|: The operation timed out";
    const struct {
        const char* name;
        HttpRoute route;
        std::string error;  // "code|" (when there is one), then the text after the context
        int requests;
    } cases[] = {
        {"reset mid-body", {200, body, 4, 100, HttpFault::ResetMidBody}, "0x80072746|: Connection reset by peer.", 1},
        {"clean close mid-body", {200, body, 4, 100, HttpFault::CloseMidBody},
         ": the connection ended after 100000 of 200000 bytes", 1},
        {"short body", {200, body, 1, 0, HttpFault::None, 250000}, ": the connection ended after 200000 of 250000 bytes", 1},
        {"stall mid-body", {200, body, 4, 100, HttpFault::StallMidBody}, timedOut, 1},
        {"stall before headers", {200, body, 1, 0, HttpFault::StallBeforeHeaders}, timedOut, 1},
        {"no answer", {200, body, 1, 0, HttpFault::NoAnswer}, "0x80072f78|: The server response could not be parsed", 1},
        {"redirect loop", {302, "", 1, 0, HttpFault::None, -1, "/loop"}, ": more than 10 redirects", 11},
        // The platform's client reads this end as a complete body; the server's
        // answer to a request for what follows tells (a second request).
        {"chunked body cut before its last chunk", {200, body, 4, 100, HttpFault::CloseMidBody, -1, "", true, false, true},
         ": the connection ended after 100000 bytes, before the last chunk of the body", 2},
        {"chunked body reset", {200, body, 4, 100, HttpFault::ResetMidBody, -1, "", true},
         "0x80072746|: Connection reset by peer.", 1},
        {"server unavailable", {503, "", 1, 0}, ": HTTP status 503", 1},
    };
    for (const bool existing : {true, false}) {
        for (const auto& row : cases) {
            SCOPED_TRACE(std::string(row.name) + (existing ? ", existing destination" : ", no destination"));
            TestSupport::LocalHttpServer faulty;
            const std::string path = row.route.location.empty() ? "/file.bin" : row.route.location;
            faulty.Add(path, row.route);
            const std::wstring name = L"fault.bin";
            if (existing) WriteTextFile(folder / name, "old");
            callback = RecordingCallback();
            dialog.reset(new JoinedJob<DownloadDialog>());
            LoadDialog(*dialog, DialogXml("", DownloadXml(Attr(L"sourceurl", faulty.Url(path)) + Into(name))));
            dialog->downloadfiles[0]->SetIdleTimeout(idle);
            dialog->SetCallback(&callback);
            dialog->Start();
            const std::string context = "Error downloading \"" + WideToAnsi(faulty.Url(path)) + "\" to \"" +
                                        WideToAnsi(folder / name) + ".tmp\"";
            const size_t bar = row.error.find('|');
            const std::string expected = bar == std::string::npos
                                             ? context + row.error
                                             : row.error.substr(0, bar) + " - " + context + row.error.substr(bar + 1);
            EXPECT_THROW_MESSAGE(dialog->WaitAndRethrow(), expected);
            EXPECT_EQ(callback.complete, 0);
            EXPECT_EQ(callback.errors.size(), 1u);
            if (existing)
                EXPECT_EQ(ReadTextFile(folder / name), "old");
            else
                EXPECT_FALSE(Exists(name));
            EXPECT_EQ(faulty.RequestCount(path), row.requests);
            ::DeleteFileW((folder / name).c_str());
            ::DeleteFileW((folder / (name + L".tmp")).c_str());
        }
    }
}

// A body is complete when its announced length arrived, or when a chunked
// body's end is confirmed by the server; one whose length nobody announced
// ends with the connection and is taken as it is (only a checksum can tell).
TEST_F(DownloadTest, BodiesWithoutAnAnnouncedLengthAreAccepted) {
    const std::string body = Body(150000);
    const struct {
        const char* name;
        HttpRoute route;
        std::vector<std::string> ranges;  // the Range header of each request
        bool unconfirmed;
    } cases[] = {
        {"chunked, end confirmed", {200, body, 3, 0, HttpFault::None, -1, "", true, false, true}, {"", "bytes=150000-"}, false},
        {"chunked, server without ranges", {200, body, 3, 0, HttpFault::None, -1, "", true}, {"", "bytes=150000-"}, true},
        {"no length, closed", {200, body, 3, 0, HttpFault::None, -1, "", false, true}, {""}, false},
    };
    int number = 0;
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        for (const bool existing : {true, false}) {
            const std::string path = "/whole" + std::to_string(++number) + ".bin";
            server.Add(path, row.route);
            // The last run's list lets its file go.
            dialog.reset();
            if (existing) WriteTextFile(folder / L"whole.bin", "old");
            LogCapture log;
            Run(From(path) + Into(L"whole.bin"));
            EXPECT_EQ(ReadTextFile(folder / L"whole.bin"), body);
            EXPECT_EQ(server.Ranges(path), row.ranges);
            EXPECT_EQ(log.Text().find("only a checksum can tell") != std::string::npos, row.unconfirmed);
        }
    }
}

// With attempts and mirrors: what is tried again, what moves on to the next
// source, what the window is told, and that bytes of another version of the
// file are never continued, even by a server that ignores If-Range.
TEST_F(DownloadTest, RetriesAndMirrors) {
    const std::string body = Body(100000);
    HttpRoute cut{200, body, 2, 0, HttpFault::CloseMidBody};
    cut.ranges = true;
    cut.etag = "\"v1\"";
    HttpRoute whole = cut;
    whole.fault = HttpFault::None;
    HttpRoute other = whole;
    other.body = Body(99000);
    other.etag = "\"v2\"";
    other.ignoreIfRange = true;
    const struct {
        const char* name;
        std::vector<HttpRoute> first, mirror;
        std::wstring sha256;
        std::vector<int> requests;  // first source, mirror
        std::string result;         // empty: the download fails
        std::vector<std::string> ranges;
    } cases[] = {
        {"continued after a cut", {cut, whole}, {}, L"", {2, 0}, body, {"", "bytes=50000-"}},
        {"404 is not asked again", {{404, "", 1, 0}}, {whole}, L"", {1, 1}, body, {""}},
        {"a wrong checksum is not asked again", {whole}, {whole}, Sha("else"), {1, 1}, "", {""}},
        {"another version ignoring If-Range", {cut, other}, {}, L"", {3, 0}, other.body, {"", "bytes=50000-", ""}},
        {"every attempt fails", {cut}, {cut}, L"", {3, 3}, "", {"", "bytes=50000-", "bytes=75000-"}},
    };
    int number = 0;
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        const std::string first = "/retry" + std::to_string(++number) + ".bin";
        const std::string mirror = "/mirror" + std::to_string(number) + ".bin";
        server.AddSequence(first, row.first);
        if (!row.mirror.empty()) server.AddSequence(mirror, row.mirror);
        callback = RecordingCallback();
        const std::wstring mirrors = row.mirror.empty() ? L"" : L"<mirror" + Attr(L"sourceurl", server.Url(mirror)) + L"/>";
        dialog.reset(new JoinedJob<DownloadDialog>());
        LoadDialog(*dialog, DialogXml("", "<download componentname=\"Tool\" attempts=\"3\" retrydelay=\"10\"" +
                                              Kestlib::WideToUtf8(From(first) + Into(L"retry.bin") + Attr(L"sha256", row.sha256)) +
                                              ">" + Kestlib::WideToUtf8(mirrors) + "</download>"));
        dialog->SetCallback(&callback);
        dialog->Start();
        if (row.result.empty()) {
            EXPECT_THROW(dialog->WaitAndRethrow(), std::exception);
            EXPECT_FALSE(Exists(L"retry.bin"));
        } else {
            EXPECT_NO_THROW(dialog->WaitAndRethrow());
            EXPECT_TRUE(ReadTextFile(folder / L"retry.bin") == row.result);
        }
        EXPECT_EQ(server.RequestCount(first), row.requests[0]);
        EXPECT_EQ(server.RequestCount(mirror), row.requests[1]);
        EXPECT_EQ(server.Ranges(first), row.ranges);
        // The window hears which source and attempt runs.
        const std::wstring source = L"Tool - attempt 1 of 3, source 1 of " + std::to_wstring(row.mirror.empty() ? 1 : 2) +
                                    L" (" + Kestlib::Utf8ToWide(server.Authority()) + L")";
        ASSERT_FALSE(callback.statuses.empty());
        EXPECT_EQ(callback.statuses[0].text, source);
        // Held while its list lives: nobody, this process included, replaces or removes it.
        if (!row.result.empty()) {
            EXPECT_FALSE(::DeleteFileW((folder / L"retry.bin").c_str()));
            EXPECT_FALSE(::MoveFileExW((folder / L"retry.bin").c_str(), (folder / L"moved.bin").c_str(), 0));
            EXPECT_THROW(WriteTextFile(folder / L"retry.bin", "changed"), std::exception);
            EXPECT_TRUE(ReadTextFile(folder / L"retry.bin") == row.result);
        }
        dialog.reset();
        ::DeleteFileW((folder / L"retry.bin").c_str());
        ::DeleteFileW((folder / L"retry.bin.tmp").c_str());
    }
}

// Redirects up to the limit are followed; a file: URL still goes through the
// platform's URL download.
TEST_F(DownloadTest, RedirectsWithinTheLimitAndFileUrlsArrive) {
    for (int hop = 1; hop <= 10; ++hop)
        server.Add("/hop" + std::to_string(hop) + ".bin",
                   HttpRoute{302, "", 1, 0, HttpFault::None, -1, hop == 10 ? "/final.bin" : "/hop" + std::to_string(hop + 1) + ".bin"});
    server.Add("/final.bin", HttpRoute{200, "arrived", 1, 0});
    Run(From("/hop1.bin") + Into(L"hopped.bin"));
    EXPECT_EQ(ReadTextFile(folder / L"hopped.bin"), "arrived");
    Run(Attr(L"sourceurl", L"file:///" + (folder / L"hopped.bin")) + Into(L"local.bin"));
    EXPECT_EQ(ReadTextFile(folder / L"local.bin"), "arrived");
}

TEST_F(DownloadTest, CopiesFromALocalPath) {
    TestSupport::TempFolder media;
    WriteTextFile(media / L"tool.exe", "tool");
    LogCapture log;
    // No URL and no name: the copy keeps the source's own name.
    Run(L"componentname=\"Tool\" alwaysdownload=\"false\"" + Attr(L"sourcepath", media / L"tool.exe") +
        Attr(L"destinationpath", folder.Path()));
    EXPECT_EQ(ReadTextFile(folder / L"tool.exe"), "tool");
    ASSERT_EQ(callback.statuses.size(), 2u);
    EXPECT_EQ(callback.statuses[0].progress, 0);
    EXPECT_EQ(callback.statuses[1].progress, 4);
    EXPECT_EQ(callback.statuses[1].maximum, 4);
    EXPECT_EQ(callback.statuses[1].text, L"Tool (4 bytes)");
    EXPECT_EQ(callback.complete, 1);
    EXPECT_TRUE(log.HasLine("Copying 'Tool', source='" + WideToAnsi(media / L"tool.exe") + "', destination='" +
                            WideToAnsi(folder.Path()) + "', full='" + WideToAnsi(folder / L"tool.exe") +
                            "', always download=False, destination exists=False"))
        << log.Text();
    EXPECT_TRUE(log.HasLine("Copy 'Tool', size=4 bytes: OK"));
}

TEST_F(DownloadTest, CopiesAreVerifiedToo) {
    TestSupport::TempFolder media;
    WriteTextFile(media / L"tool.exe", "tool");
    WriteTextFile(folder / L"stale.exe", "stale");
    const std::wstring source = Attr(L"sourcepath", media / L"tool.exe") + L" alwaysdownload=\"false\"";
    // A stale destination is replaced by a copy that matches.
    Run(source + Into(L"stale.exe") + Attr(L"sha256", Sha("tool")));
    EXPECT_EQ(ReadTextFile(folder / L"stale.exe"), "tool");
    // A source that does not match never becomes the destination.
    EXPECT_THROW_PREFIX(Run(source + Into(L"wrong.exe") + Attr(L"sha256", Sha("else"))),
                        "Error verifying \"" + WideToAnsi(media / L"tool.exe") + "\"");
    EXPECT_FALSE(Exists(L"wrong.exe"));
    EXPECT_FALSE(Exists(L"wrong.exe.tmp"));
}

TEST_F(DownloadTest, AFailingFileStopsTheList) {
    server.Add("/second.bin", HttpRoute{200, "second", 1, 0});
    dialog.reset(new JoinedJob<DownloadDialog>());
    LoadDialog(*dialog, DialogXml("", DownloadXml(From("/missing.bin") + Into(L"first.bin")) +
                                          DownloadXml(From("/second.bin") + Into(L"second.bin"))));
    dialog->SetCallback(&callback);
    dialog->Start();
    EXPECT_THROW_PREFIX(dialog->WaitAndRethrow(), "Error downloading");
    EXPECT_EQ(server.RequestCount("/second.bin"), 0);
    EXPECT_FALSE(Exists(L"first.bin"));
}

TEST_F(DownloadTest, CallbackFailuresFailTheJob) {
    TestSupport::TempFolder media;
    WriteTextFile(media / L"tool.exe", "tool");
    // Not the library's error: the job fails all the same.
    callback.onStatus = [] { throw 42; };
    LogCapture log;
    EXPECT_THROW_MESSAGE(Run(Attr(L"sourcepath", media / L"tool.exe") + L" alwaysdownload=\"false\"" + Into(L"t.exe")),
                         "Component failed with error code: -1");
    EXPECT_TRUE(log.HasLine("An unknown error was caught in DownloadDialog::ExecOnThread()"));
    ASSERT_EQ(callback.errors.size(), 1u);
    EXPECT_EQ(callback.complete, 0);

    // A failure inside the platform's progress report ends the transfer and
    // surfaces once the platform has returned.
    server.Add("/slow.bin", HttpRoute{200, Body(65536), 8, 100});
    callback.errors.clear();
    callback.onStatus = [] { throw std::runtime_error("window gone"); };
    EXPECT_THROW_MESSAGE(Run(From("/slow.bin") + Into(L"slow.bin")), "window gone");
    EXPECT_FALSE(Exists(L"slow.bin"));
}

}  // namespace
