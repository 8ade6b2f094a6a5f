#include <gtest/gtest.h>

#include <string>

#include "lib/DocumentText.h"
#include "lib/TextConversion.h"

namespace {

TEST(DocumentText, OnlyTheFirstPercentSAndDoublePercentsAreRead) {
    const struct {
        const wchar_t* text;
        const wchar_t* value;
        const wchar_t* filled;
    } cases[] = {
        {L"Extracting %s", L"Setup.cab - 50%", L"Extracting Setup.cab - 50%"},
        {L"%s and %s", L"one", L"one and %s"},
        {L"%n%d%x%ls%S %s", L"v", L"%n%d%x%ls%S v"},
        {L"100%% done, %s", L"v", L"100% done, v"},
        {L"%%s %s", L"v", L"%s v"},
        {L"lone % and trailing %", L"v", L"lone % and trailing %"},
        // The value is shown as it is: its own '%' sequences are never read.
        {L"Into %s", L"C:\\50%d\\%s%%\\%n", L"Into C:\\50%d\\%s%%\\%n"},
        {L"no value at all", L"v", L"no value at all"},
        {L"", L"v", L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Kestlib::FillDocumentText(c.text, c.value), c.filled) << Kestlib::WideToUtf8(c.text);
}

}  // namespace
