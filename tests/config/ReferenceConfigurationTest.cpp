#include <gtest/gtest.h>

#include <tinyxml.h>

#include <string>

#include "base/InstallerSession.h"
#include "config/ReferenceConfiguration.h"
#include "tests/base/LogCapture.h"
#include "tests/support/DocumentCorpus.h"
#include "tests/support/Expect.h"

namespace {

void LoadReference(ReferenceConfiguration& reference, const std::string& children) {
    const std::string xml = "<configuration type=\"reference\" language=\"de\">" + children + "</configuration>";
    TiXmlDocument document;
    document.Parse(xml.c_str());
    ASSERT_FALSE(document.Error()) << document.ErrorDesc();
    reference.Load(document.RootElement());
    TestSupport::RecordAcceptedDocument(xml);
}

std::string Dialog(const std::string& caption, const std::string& names) {
    std::string downloads;
    for (char name : names)
        downloads += "<download componentname=\"" + std::string(1, name) + "\" sourceurl=\"http://127.0.0.1/" +
                     std::string(1, name) + ".xml\"/>";
    return "<downloaddialog dialog_caption=\"" + caption + "\">" + downloads + "</downloaddialog>";
}

TEST(ReferenceConfiguration, TheDocumentNameSeesTheConfigurationsOwnGuid) {
    const std::wstring before = InstallerSession::Instance().GetGuid();
    ReferenceConfiguration reference;
    LoadReference(reference, "<configfile filename=\"%TEMP%\\#GUID.xml\"/>");
    const std::wstring guid = InstallerSession::Instance().GetGuid();
    EXPECT_NE(guid, before);
    EXPECT_EQ(reference.filename.substr(reference.filename.size() - guid.size() - 4), guid + L".xml");
    EXPECT_TRUE(reference.downloaddialog.is_null());
}

TEST(ReferenceConfiguration, KeepsTheLastDownloadListAndShowsIt) {
    LogCapture log;
    ReferenceConfiguration reference;
    LoadReference(reference, Dialog("first", "ab") + "<configfile filename=\"de.xml\"/>" + Dialog("second", "cd"));
    ASSERT_FALSE(reference.downloaddialog.is_null());
    EXPECT_EQ(reference.downloaddialog->dialog_caption, L"second");
    EXPECT_EQ(reference.filename, L"de.xml");
    EXPECT_TRUE(log.HasLine("Loaded 'download' configuration 'first' with 2 file(s)"));
    EXPECT_TRUE(log.HasLine("Loaded 'reference' configuration 'de.xml'"));
    EXPECT_EQ(reference.ToString(1), L" Reference , lang=de\r\n   c\r\n   d\r\n");

    ReferenceConfiguration plain;
    LoadReference(plain, "<configfile filename=\"de.xml\"/>");
    EXPECT_EQ(plain.ToString(0), L"Reference , lang=de");
}

TEST(ReferenceConfiguration, ChildrenAreReadAfterTheElementIsChecked) {
    ReferenceConfiguration misnamed;
    TiXmlDocument document;
    document.Parse("<config><unknown/></config>");
    EXPECT_THROW_MESSAGE(misnamed.Load(document.RootElement()), "Expected 'configuration' node, got 'config'");
    ReferenceConfiguration empty;
    EXPECT_THROW_MESSAGE(LoadReference(empty, "<downloaddialog dialog_caption=\"x\"/>"),
                         "Invalid  Download dialog 'x', requires at least one download file.");
    ReferenceConfiguration unknown;
    EXPECT_THROW_MESSAGE(LoadReference(unknown, "<component/>"), "Unexpected node 'component'");
}

}  // namespace
