#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "base/InstallerSession.h"
#include "lib/Sha256.h"
#include "lib/TextConversion.h"
#include "payload/DownloadDialog.h"
#include "tests/base/LogCapture.h"
#include "tests/payload/DownloadXml.h"
#include "tests/support/Expect.h"
#include "tests/support/TestEnvironment.h"

using Kestlib::WideToAnsi;

namespace {

const std::string kUrl = "sourceurl=\"http://127.0.0.1/files/setup.msi\"";

std::string OneDownload(const std::string& attributes) {
    return "<downloaddialog><download componentname=\"R\" " + attributes + "/></downloaddialog>";
}

TEST(DownloadLoading, BadInputFailsWithItsText) {
    const struct {
        std::string xml;
        std::string message;
    } cases[] = {
        {"<download/>", "Expected 'downloaddialog' node, got 'download'"},
        {"<downloaddialog dialog_caption=\"Tools\"/>",
         "Invalid  Download dialog 'Tools', requires at least one download file."},
        {"<downloaddialog><!-- none yet --></downloaddialog>",
         "Invalid  Download dialog '', requires at least one download file."},
        {"<downloaddialog><download " + kUrl + "/><file/></downloaddialog>", "Expected 'download' node, got 'file'"},
        {OneDownload("destinationpath=\"C:\\dl\""), "Error in 'download' dialog component 'R', missing source url or path"},
        {"<downloaddialog autostartdownload=\"maybe\"><download " + kUrl + "/></downloaddialog>",
         "Invalid boolean value: maybe"},
        {OneDownload(kUrl + " alwaysdownload=\"yes\""), "Invalid boolean value: yes"},
        {OneDownload(kUrl + " sha256=\"abc\""),
         "Error in 'download' dialog component 'R', invalid sha256 'abc': expected 64 hexadecimal digits"},
        {OneDownload(kUrl + " sha256=\"" + std::string(63, 'a') + "g\""),
         "Error in 'download' dialog component 'R', invalid sha256 '" + std::string(63, 'a') +
             "g': expected 64 hexadecimal digits"},
        {OneDownload(kUrl + " sha256=\" " + std::string(64, 'a') + "\""),
         "Error in 'download' dialog component 'R', invalid sha256 ' " + std::string(64, 'a') +
             "': expected 64 hexadecimal digits"},
        {OneDownload(kUrl + " destinationpath=\"C:\\dl\" destinationfilename=\"..\\evil.exe\""),
         "Error in 'download' dialog component 'R', destination file name '..\\evil.exe' leaves the folder 'C:\\dl'"},
        {OneDownload(kUrl + " destinationpath=\"C:\\dl\" destinationfilename=\"D:\\evil.exe\""),
         "Error in 'download' dialog component 'R', destination file name 'D:\\evil.exe' leaves the folder 'C:\\dl'"},
        {OneDownload(kUrl + " attempts=\"0\""),
         "Error in 'download' dialog component 'R', invalid attempts '0': expected a whole number from 1 to 100"},
        {OneDownload(kUrl + " retrydelay=\"-5\""),
         "Error in 'download' dialog component 'R', invalid retrydelay '-5': expected milliseconds from 0 to 600000"},
        {"<downloaddialog><download " + kUrl + "><mirror sourceurl=\"ftp://m/a.msi\"/></download></downloaddialog>",
         "Error in 'download' dialog component '', invalid mirror 'ftp://m/a.msi': expected an http or https URL"},
        {"<downloaddialog><download " + kUrl + "><source/></download></downloaddialog>",
         "Expected 'mirror' node, got 'source'"},
        {OneDownload("sourceurl=\"http://127.0.0.1/files/..\" destinationpath=\"C:\\dl\""),
         "Error in 'download' dialog component 'R', destination file name '..' leaves the folder 'C:\\dl'"},
    };
    for (const auto& bad : cases) {
        DownloadDialog dialog;
        EXPECT_THROW_MESSAGE(LoadDialog(dialog, bad.xml), bad.message);
    }
    DownloadDialog dialog;
    EXPECT_THROW_MESSAGE(dialog.Load(nullptr), "Expected 'downloaddialog' node");
    DownloadFile file;
    EXPECT_THROW_MESSAGE(file.Load(nullptr), "Expected 'download' node");
}

TEST(DownloadLoading, ReadsEveryAttributeAndLogsEachFile) {
    ::SetEnvironmentVariableW(L"BW_DOWNLOAD_TEST", L"Suite");
    LogCapture log;
    DownloadDialog dialog;
    LoadDialog(dialog,
               "<downloaddialog dialog_caption=\"%BW_DOWNLOAD_TEST% prerequisites\" dialog_message=\"m1\""
               " dialog_message_downloading=\"m2\" dialog_message_connecting=\"m3\""
               " dialog_message_sendingrequest=\"m4\" buttonstart_caption=\"Go\" buttoncancel_caption=\"Stop\""
               " autostartdownload=\"TRUE\">"
               "<download componentname=\"%BW_DOWNLOAD_TEST% runtime\" " + kUrl +
                   " destinationpath=\"C:\\dl\" alwaysdownload=\"false\" sha256=\"" + std::string(64, 'A') +
                   "\" attempts=\"3\" retrydelay=\"500\"><mirror sourceurl=\"https://%BW_DOWNLOAD_TEST%.example/setup.msi\"/>"
                   "</download>"
               "<!-- a local copy -->"
               "<download componentname=\"Docs\" sourcepath=\"\\\\server\\share\\docs.cab\""
               " destinationpath=\"C:\\dl\" destinationfilename=\"manual.cab\"/>"
               "</downloaddialog>");
    EXPECT_EQ(dialog.dialog_caption, L"Suite prerequisites");
    EXPECT_EQ(dialog.dialog_message + dialog.dialog_message_downloading + dialog.dialog_message_connecting +
                  dialog.dialog_message_sendingrequest,
              L"m1m2m3m4");
    EXPECT_EQ(dialog.buttonstart_caption, L"Go");
    EXPECT_EQ(dialog.buttoncancel_caption, L"Stop");
    EXPECT_TRUE(dialog.autostartdownload);
    ASSERT_EQ(dialog.downloadfiles.size(), 2u);

    const DownloadFile& runtime = *dialog.downloadfiles[0];
    EXPECT_EQ(runtime.componentname, L"Suite runtime");
    EXPECT_FALSE(runtime.alwaysdownload);
    EXPECT_EQ(runtime.sha256, std::wstring(64, L'a'));
    EXPECT_EQ(runtime.GetDestination(), L"C:\\dl\\setup.msi");
    EXPECT_EQ(runtime.attempts, 3);
    EXPECT_EQ(runtime.retrydelay, 500u);
    EXPECT_EQ(runtime.mirrors, std::vector<std::wstring>{L"https://Suite.example/setup.msi"});
    const DownloadFile& docs = *dialog.downloadfiles[1];
    EXPECT_TRUE(docs.alwaysdownload);
    EXPECT_TRUE(docs.sha256.empty());
    EXPECT_EQ(docs.attempts, 1);
    EXPECT_TRUE(docs.mirrors.empty());
    EXPECT_EQ(docs.GetDestination(), L"C:\\dl\\manual.cab");

    EXPECT_TRUE(log.HasLine("Loaded 'download' dialog component 'Suite runtime', source=http://127.0.0.1/files/setup.msi"));
    EXPECT_TRUE(log.HasLine("Loaded 'download' dialog component 'Docs', source=\\\\server\\share\\docs.cab"));
    EXPECT_TRUE(log.HasLine("Loaded 'download' configuration 'Suite prerequisites' with 2 file(s)"));
    EXPECT_EQ(dialog.ToString(1), L"  Suite runtime\r\n  Docs\r\n");
}

TEST(DownloadLoading, DefaultsAndDestinationNames) {
    DownloadDialog dialog;
    LoadDialog(dialog, DialogXml("", "<download sourceurl=\"http://127.0.0.1/a/b/setup.msi\" destinationpath=\"C:\\dl\"/>"
                                     "<download sourcepath=\"C:\\media\\tool.exe\" destinationpath=\"C:\\dl\"/>"
                                     "<download sourceurl=\"http://127.0.0.1/a/b\\c.msi\" destinationpath=\"C:\\dl\"/>"));
    EXPECT_FALSE(dialog.autostartdownload);
    ASSERT_EQ(dialog.downloadfiles.size(), 3u);
    EXPECT_TRUE(dialog.downloadfiles[0]->alwaysdownload);
    EXPECT_EQ(dialog.downloadfiles[0]->GetDestination(), L"C:\\dl\\setup.msi");
    // Without a URL or a name, the copy keeps the source's own name.
    EXPECT_EQ(dialog.downloadfiles[1]->GetDestination(), L"C:\\dl\\tool.exe");
    // A backslash wins over the slashes.
    EXPECT_EQ(dialog.downloadfiles[2]->GetDestination(), L"C:\\dl\\c.msi");
}

// Which step a file needs, for every combination of its settings and the
// files present.
TEST(DownloadLoading, CopyAndDownloadRequiredFollowWhatExists) {
    TestSupport::TempFolder folder;
    TestSupport::WriteTextFile(folder / L"source.bin", "good");
    TestSupport::WriteTextFile(folder / L"good.bin", "good");
    TestSupport::WriteTextFile(folder / L"bad.bin", "bad");
    const std::wstring good = Kestlib::Sha256OfBytes("good", 4);
    const struct {
        const char* name;
        bool always;
        bool url;
        const wchar_t* source;
        const wchar_t* destination;
        std::wstring sha256;
        bool copy;
        bool download;
    } cases[] = {
        {"always: downloaded again, never copied", true, true, L"source.bin", L"good.bin", L"", false, true},
        {"always without url: nothing", true, false, L"source.bin", L"missing.bin", L"", false, false},
        {"present: nothing", false, true, L"source.bin", L"good.bin", L"", false, false},
        {"missing with a source: copied", false, true, L"source.bin", L"missing.bin", L"", true, false},
        {"missing, source missing: downloaded", false, true, L"gone.bin", L"missing.bin", L"", false, true},
        {"missing, nothing to get it from", false, false, L"gone.bin", L"missing.bin", L"", false, false},
        {"present and verified: nothing", false, true, L"source.bin", L"good.bin", good, false, false},
        {"present but wrong: downloaded again", false, true, L"", L"bad.bin", good, false, true},
        {"present but wrong: copied again", false, true, L"source.bin", L"bad.bin", good, true, false},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        DownloadFile file;
        file.alwaysdownload = row.always;
        if (row.url) file.sourceurl = L"http://127.0.0.1/files/x.bin";
        if (*row.source != L'\0') file.sourcepath = folder / row.source;
        file.destinationpath = folder.Path();
        file.destinationfilename = row.destination;
        file.sha256 = row.sha256;
        EXPECT_EQ(file.CopyRequired(), row.copy);
        EXPECT_EQ(file.DownloadRequired(), row.download);
    }
}

TEST(DownloadLoading, AnyDownloadRequiredLogsUpToTheFirstFileToDownload) {
    TestSupport::TempFolder folder;
    TestSupport::WriteTextFile(folder / L"here.bin", "x");
    const std::wstring path = Attr(L"destinationpath", folder.Path());
    DownloadDialog dialog;
    LoadDialog(dialog, DialogXml("", DownloadXml(L"sourceurl=\"http://127.0.0.1/here.bin\" alwaysdownload=\"false\"" + path) +
                                         DownloadXml(L"sourceurl=\"http://127.0.0.1/new.bin\"" + path) +
                                         DownloadXml(L"sourceurl=\"http://127.0.0.1/later.bin\"" + path)));
    LogCapture log;
    EXPECT_TRUE(dialog.AnyDownloadRequired());
    const std::string base = WideToAnsi(folder.Path());
    EXPECT_TRUE(log.HasLine("Destination '" + base + "\\here.bin', exists=True, download=False")) << log.Text();
    EXPECT_TRUE(log.HasLine("Destination '" + base + "\\new.bin', exists=False, download=True"));
    EXPECT_EQ(log.Text().find("later.bin"), std::string::npos);

    DownloadDialog present;
    LoadDialog(present, DialogXml("", DownloadXml(L"sourceurl=\"http://127.0.0.1/here.bin\" alwaysdownload=\"false\"" + path)));
    EXPECT_FALSE(present.AnyDownloadRequired());
}

}  // namespace
