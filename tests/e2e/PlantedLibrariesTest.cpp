// A packaged setup beside planted copies of the platform DLLs it loads at run
// time, run from their folder: a product check, the payload extraction and a
// download go through the system's DLLs, and no planted copy is loaded.
#include <gtest/gtest.h>

#include <string>

#include "tests/e2e/SetupDocuments.h"
#include "tests/support/LocalHttpServer.h"
#include "tests/support/PlantedLibraries.h"
#include "tests/support/SetupRun.h"

using namespace E2e;

namespace {

// No product has this code; the check asks Windows Installer all the same.
const char kAbsentProduct[] = "{5B0E4C7A-96D2-4F1B-8E3A-2C7D9F6A1B04}";

}  // namespace

// Under Wine the window library imports version.dll itself, before the
// program runs, so only the other planted DLLs are made to load first here.
// The common controls come through the manifest's side-by-side reference,
// never from the program's folder.
TEST(PlantedLibraries, SetupRunLoadsNoneOfThem) {
    TestSupport::TempFolder package;
    TestSupport::WriteTextFile(package / L"readme.txt", "Read me.\r\n");
    TestSupport::LocalHttpServer server;
    server.Add("/runtime.bin", TestSupport::HttpRoute{200, "runtime bytes", 1, 0});
    const std::wstring marker = package / L"ran.txt";
    const std::wstring downloads = package / L"downloads";
    const std::string children =
        std::string("      <installedcheck type=\"check_product\" id_type=\"productcode\" id=\"") + kAbsentProduct +
        "\" comparison=\"exists\"/>\n"
        "      <embedfile sourcefilepath=\"readme.txt\" targetfilepath=\"readme.txt\"/>\n"
        "      <downloaddialog dialog_caption=\"Planted\" autostartdownload=\"true\"><download componentname=\"runtime\" "
        "sourceurl=\"" + Xml(server.Url("/runtime.bin")) + "\" destinationpath=\"" + Xml(downloads) +
        "\" destinationfilename=\"runtime.bin\"/></downloaddialog>\n";
    const std::wstring extraction = package / L"extracted";
    const std::wstring setup = TestSupport::PackageSetup(
        package.Path(), Document(Install("cab_path=\"" + Xml(extraction) + "\" cab_path_autodelete=\"false\"",
                                         MarkerComponent("Probe", marker, "", children))));

    TestSupport::PlantingOverride override(L"setup.exe", {L"cabinet", L"comctl32", L"msi", L"urlmon", L"winhttp"});
    ASSERT_TRUE(override.IsSet());
    TestSupport::PlantedFolder folder(setup);
    ASSERT_TRUE(folder.IsReady());
    const std::wstring log = package / L"setup.log";
    EXPECT_EQ(folder.Run(L"/q /LogFile \"" + log + L"\""), 0u)
        << TestSupport::JoinMessages(TestSupport::ReadLogMessages(log));
    EXPECT_EQ(folder.LoadedPlants(), "");
    EXPECT_TRUE(FileExists(marker));
    EXPECT_EQ(TestSupport::ReadTextFile(extraction + L"\\readme.txt"), "Read me.\r\n");
    EXPECT_EQ(TestSupport::ReadTextFile(downloads + L"\\runtime.bin"), "runtime bytes");
    EXPECT_TRUE(TestSupport::HasMessage(TestSupport::ReadLogMessages(log), "-- Probe: NOT INSTALLED"))
        << TestSupport::JoinMessages(TestSupport::ReadLogMessages(log));
}
