#include <gtest/gtest.h>

#include "lib/Process.h"

using namespace Kestlib;

namespace {

class EnvironmentTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::SetEnvironmentVariableW(L"BWTEST_ENV_X", L"x");
        ::SetEnvironmentVariableW(L"BWTEST_ENV_REF", L"%BWTEST_ENV_X%");
        ::SetEnvironmentVariableW(L"BWTEST_ENV_EMPTY", L"");
        ::SetEnvironmentVariableW(L"BWTEST_ENV_UNSET", nullptr);
    }
};

}  // namespace

TEST_F(EnvironmentTest, PercentSignsThatAreNoReference) {
    EXPECT_EQ(ExpandEnvironmentReferences(L""), L"");
    EXPECT_EQ(ExpandEnvironmentReferences(L"a%%b"), L"a%%b");
    EXPECT_EQ(ExpandEnvironmentReferences(L"50%"), L"50%");
    EXPECT_EQ(ExpandEnvironmentReferences(L"%"), L"%");
    EXPECT_EQ(ExpandEnvironmentReferences(L"%%"), L"%%");
    EXPECT_EQ(ExpandEnvironmentReferences(L"%%BWTEST_ENV_X%"), L"%%BWTEST_ENV_X%");
    EXPECT_EQ(ExpandEnvironmentReferences(L"no reference"), L"no reference");
}

TEST_F(EnvironmentTest, ReferencesAreReplacedOnce) {
    EXPECT_EQ(ExpandEnvironmentReferences(L"%BWTEST_ENV_X%"), L"x");
    EXPECT_EQ(ExpandEnvironmentReferences(L"<%bwtest_env_x%>"), L"<x>");
    EXPECT_EQ(ExpandEnvironmentReferences(L"%BWTEST_ENV_X%%BWTEST_ENV_X%"), L"xx");
    EXPECT_EQ(ExpandEnvironmentReferences(L"%BWTEST_ENV_X%%"), L"x%");
    EXPECT_EQ(ExpandEnvironmentReferences(L"%BWTEST_ENV_UNSET%a"), L"a");
    EXPECT_EQ(ExpandEnvironmentReferences(L"[%BWTEST_ENV_EMPTY%]"), L"[]");
    EXPECT_EQ(ExpandEnvironmentReferences(L"%BWTEST_ENV_REF%"), L"%BWTEST_ENV_X%");
    EXPECT_EQ(ExpandEnvironmentReferences(L"%BWTEST_ENV_REF%-%BWTEST_ENV_X%"), L"%BWTEST_ENV_X%-x");
    // The text between two references is no name.
    EXPECT_EQ(ExpandEnvironmentReferences(L"%BWTEST_ENV_X% and %BWTEST_ENV_X% %"), L"x and x %");
}

TEST_F(EnvironmentTest, VariableValues) {
    EXPECT_EQ(EnvironmentVariableValue(L"BWTEST_ENV_X"), L"x");
    EXPECT_EQ(EnvironmentVariableValue(L"BWTEST_ENV_UNSET"), L"");
    EXPECT_EQ(EnvironmentVariableValue(L"BWTEST_ENV_EMPTY"), L"");
    const std::wstring unicode = L"C:\\Gr\u00fc\u00dfe\\\u4e2d\u6587";
    ::SetEnvironmentVariableW(L"BWTEST_ENV_UNICODE", unicode.c_str());
    EXPECT_EQ(EnvironmentVariableValue(L"BWTEST_ENV_UNICODE"), unicode);
    const std::wstring longValue(20000, L'v');
    ::SetEnvironmentVariableW(L"BWTEST_ENV_LONG", longValue.c_str());
    EXPECT_EQ(EnvironmentVariableValue(L"BWTEST_ENV_LONG"), longValue);
    EXPECT_EQ(ExpandEnvironmentReferences(L"%BWTEST_ENV_LONG%!"), longValue + L"!");
}
