#include <gtest/gtest.h>

#include "base/InstallUILevel.h"
#include "base/SelectByUILevel.h"

namespace {

class UILevel : public ::testing::Test {
protected:
    void SetUp() override { InstallUILevel::Release(); }
    void TearDown() override { InstallUILevel::Release(); }

    static InstallUILevel& Level() { return InstallUILevel::Instance(); }
};

TEST_F(UILevel, CommandLineBeatsConfigurationWhichBeatsTheFullDefault) {
    EXPECT_EQ(Level().GetUILevel(), UiLevelFull);
    Level().SetConfigUILevel(UiLevelSilent);
    EXPECT_EQ(Level().GetUILevel(), UiLevelSilent);
    Level().SetCommandLineUILevel(UiLevelBasic);
    EXPECT_EQ(Level().GetUILevel(), UiLevelBasic);
    Level().SetCommandLineUILevel(UiLevelFull);
    EXPECT_EQ(Level().GetUILevel(), UiLevelFull);
    Level().SetCommandLineUILevel(UiLevelNotSet);
    Level().SetConfigUILevel(UiLevelNotSet);
    EXPECT_EQ(Level().GetUILevel(), UiLevelFull);
}

TEST_F(UILevel, ConfigurationTextsAreExact) {
    EXPECT_EQ(UiLevelFromText(L"full"), UiLevelFull);
    EXPECT_EQ(UiLevelFromText(L"basic"), UiLevelBasic);
    EXPECT_EQ(UiLevelFromText(L"silent"), UiLevelSilent);
    EXPECT_EQ(UiLevelFromText(L""), UiLevelNotSet);
    EXPECT_EQ(UiLevelFromText(L"Full"), UiLevelNotSet);
    EXPECT_EQ(UiLevelFromText(L"SILENT"), UiLevelNotSet);
    EXPECT_EQ(UiLevelFromText(L" basic"), UiLevelNotSet);
    EXPECT_EQ(UiLevelFromText(L"2"), UiLevelNotSet);
}

TEST_F(UILevel, SelectByUILevelFullTakesOnlyTheFullText) {
    EXPECT_EQ(SelectByUILevel(L"silent", L"basic", L"full"), L"full");
    Level().SetConfigUILevel(UiLevelFull);
    EXPECT_EQ(SelectByUILevel(L"silent", L"basic", L""), L"");
}

TEST_F(UILevel, SelectByUILevelBasicFallsBackToSilentThenFull) {
    Level().SetCommandLineUILevel(UiLevelBasic);
    EXPECT_EQ(SelectByUILevel(L"silent", L"basic", L"full"), L"basic");
    EXPECT_EQ(SelectByUILevel(L"silent", L"", L"full"), L"silent");
    EXPECT_EQ(SelectByUILevel(L"", L"", L"full"), L"full");
}

TEST_F(UILevel, SelectByUILevelSilentFallsBackToBasicThenFull) {
    Level().SetConfigUILevel(UiLevelSilent);
    EXPECT_EQ(SelectByUILevel(L"silent", L"basic", L"full"), L"silent");
    EXPECT_EQ(SelectByUILevel(L"", L"basic", L"full"), L"basic");
    EXPECT_EQ(SelectByUILevel(L"", L"", L"full"), L"full");
}

}  // namespace
