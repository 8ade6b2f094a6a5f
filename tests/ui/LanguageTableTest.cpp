#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "ui/LanguageTable.h"

namespace {

TEST(LanguageTable, RowsForUserLcids) {
    const struct {
        unsigned long lcid;
        int row;
    } cases[] = {
        {1031, 0}, {2055, 0}, {3082, 0}, {0, 0},     {99999, 0}, {9, 1},     {1033, 1},  {11273, 1},
        {1036, 2}, {2064, 3}, {1034, 4}, {20490, 4}, {2070, 5},  {1043, 6},  {1038, 7},  {1032, 8},
        {1055, 9}, {2073, 10}, {4, 11},  {4100, 11}, {1041, 12}, {1025, 13}, {16385, 13},
    };
    for (const auto& c : cases) EXPECT_EQ(LanguageIndexForLcid(c.lcid), c.row) << "LCID " << c.lcid;
}

TEST(LanguageTable, TextsAreTheSuitesOwn) {
    EXPECT_STREQ(LanguageTextsForRow(0).cancel, L"Abbrechen");
    EXPECT_STREQ(LanguageTextsForRow(4).ok, L"Aceptar");
    // Dutch users see English dialog texts but a Dutch please-quit message.
    EXPECT_STREQ(LanguageTextsForRow(6).prompt, L"Please choose the installation language:");
    EXPECT_STREQ(LanguageTextsForRow(6).pleaseQuit, L"Sluit %s af");
    // Greek and Cyrillic capitals, which look like the Latin "OK" but are not.
    EXPECT_EQ(std::wstring(LanguageTextsForRow(8).ok), std::wstring(L"\u039F\u039A"));
    EXPECT_EQ(std::wstring(LanguageTextsForRow(10).ok), std::wstring(L"\u041E\u041A"));
    // Half-width katakana at the start of the Japanese prompt.
    EXPECT_EQ(LanguageTextsForRow(12).prompt[0], L'\uFF72');
    for (int row : {-1, 14, 1000}) EXPECT_STREQ(LanguageTextsForRow(row).language, L"English") << row;
}

}  // namespace
