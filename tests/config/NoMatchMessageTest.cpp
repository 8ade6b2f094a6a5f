#include <gtest/gtest.h>

#include <string>

#include "config/Configurations.h"
#include "config/NoMatchMessage.h"
#include "tests/base/LogCapture.h"
#include "tests/config/DocumentLoading.h"

TEST(NoMatchMessage, WithoutAFormatTheBuiltInTextNamesTheCount) {
    EXPECT_EQ(FormatNoMatchMessage(L"", 0), L"No configuration matching locale and operating system found within 0 "
                                            L"configuration(s)");
    EXPECT_EQ(FormatNoMatchMessage(L"", 14), L"No configuration matching locale and operating system found within 14 "
                                             L"configuration(s)");
}

TEST(NoMatchMessage, TheFirstPercentSGetsTheCount) {
    EXPECT_EQ(FormatNoMatchMessage(L"None of %s configurations fits", 14), L"None of 14 configurations fits");
    EXPECT_EQ(FormatNoMatchMessage(L"%s/%s", 3), L"3/%s");
    EXPECT_EQ(FormatNoMatchMessage(L"No match", 3), L"No match");
}

// The document's text is not a printf format: it cannot make the formatter
// read arguments that were never passed.
TEST(NoMatchMessage, OtherPercentSequencesStayAsWritten) {
    EXPECT_EQ(FormatNoMatchMessage(L"100%% sure: %s", 2), L"100% sure: 2");
    EXPECT_EQ(FormatNoMatchMessage(L"%d %n %x %ls %S %", 2), L"%d %n %x %ls %S %");
    EXPECT_EQ(FormatNoMatchMessage(L"%%s", 2), L"%s");
    EXPECT_EQ(FormatNoMatchMessage(L"%%%s", 2), L"%2");
    EXPECT_EQ(FormatNoMatchMessage(L"50%", 2), L"50%");
    EXPECT_EQ(FormatNoMatchMessage(L"%TEMP% %s", 2), L"%TEMP% 2");
}

TEST(NoMatchMessage, TheDocumentsFormatGetsItsNumberOfConfigurations) {
    LogCapture log;
    std::string configurations;
    for (int i = 0; i < 14; ++i) configurations += "<configuration type=\"install\" lcid_filter=\"1031\"/>";
    Configurations document;
    LoadDocument(document, Document("configuration_no_match_message=\"Setup has %s configurations, none for you\"",
                                    configurations));
    EXPECT_TRUE(document.GetSupportedConfigurations(1036).empty());
    EXPECT_EQ(document.NoMatchMessage(), L"Setup has 14 configurations, none for you");

    Configurations plain;
    LoadDocument(plain, Document("", configurations));
    EXPECT_EQ(plain.NoMatchMessage(),
              L"No configuration matching locale and operating system found within 14 configuration(s)");

    Configurations empty;
    LoadDocument(empty, "<configurations/>");
    EXPECT_TRUE(empty.GetSupportedConfigurations(1033).empty());
    EXPECT_EQ(empty.NoMatchMessage(),
              L"No configuration matching locale and operating system found within 0 configuration(s)");
}
