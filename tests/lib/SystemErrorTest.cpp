#include <gtest/gtest.h>

#include <windows.h>

#include "lib/StringUtils.h"
#include "lib/SystemError.h"
#include "tests/support/Expect.h"

using namespace Kestlib;

TEST(ToHResult, PositiveCodesBecomeWin32Results) {
    EXPECT_EQ(static_cast<unsigned long>(ToHResult(2)), 0x80070002UL);
    EXPECT_EQ(static_cast<unsigned long>(ToHResult(0x12345)), 0x80072345UL);
    EXPECT_EQ(ToHResult(0), 0);
    EXPECT_EQ(static_cast<unsigned long>(ToHResult(static_cast<long>(0x80004005UL))), 0x80004005UL);
}

TEST(SystemErrorText, ResultContextAndMessage) {
    std::wstring text = SystemErrorText(2, L"Open");
    EXPECT_TRUE(StartsWith(text, L"0x80070002 - Open: ")) << text.c_str();
    // The platform's message follows, trimmed, not the bare code.
    std::wstring message = text.substr(std::wstring(L"0x80070002 - Open: ").size());
    EXPECT_FALSE(message.empty());
    EXPECT_NE(message, L"0x80070002");
    EXPECT_EQ(message, Trim(message, L" \t\r\n"));
}

TEST(SystemErrorText, WithoutContextOnlyTheColon) {
    std::wstring text = SystemErrorText(5);
    EXPECT_TRUE(StartsWith(text, L"0x80070005: ")) << text.c_str();
}

TEST(SystemErrorText, NegativeResultUsedAsItIs) {
    std::wstring text = SystemErrorText(static_cast<long>(0x80004005UL), L"Call");
    EXPECT_TRUE(StartsWith(text, L"0x80004005 - Call: ")) << text.c_str();
}

TEST(SystemMessageText, Win32ResultsReadTheSystemMessage) {
    EXPECT_EQ(SystemMessageText(static_cast<long>(0x80070002UL)), SystemMessageText(2));
    EXPECT_NE(SystemMessageText(2), L"0x2");
}

TEST(SystemMessageText, UnknownCodeGivesTheHexCode) {
    EXPECT_EQ(SystemMessageText(static_cast<long>(0xA1B2C3D4UL)), L"0xa1b2c3d4");
    EXPECT_EQ(SystemMessageTextA(static_cast<long>(0xA1B2C3D4UL)), "0xa1b2c3d4");
}

TEST(SystemMessageText, ModuleThatCannotBeLoadedFallsBackToTheSystem) {
    EXPECT_EQ(SystemMessageText(2, L"no-such-module-h1.dll"), SystemMessageText(2));
}

TEST(ThrowLastError, ReadsTheLastErrorIntoTheMessage) {
    ::SetLastError(ERROR_ACCESS_DENIED);
    EXPECT_THROW_PREFIX(ThrowLastError(L"Write"), "0x80070005 - Write: ");
    EXPECT_THROW_MESSAGE(ThrowError(L"plain \u00FC"), "plain \xFC");
}

TEST(SystemMessageText, ModuleMessagesComeFromTheSystemFolderCopy) {
    // A module given by name is read from the system folder, not searched for;
    // a system DLL without a message for the code falls back to the system's.
    EXPECT_EQ(SystemMessageText(2, L"urlmon.dll"), SystemMessageText(2));
    EXPECT_EQ(SystemMessageText(2, L"..\\no-such-folder\\x.dll"), SystemMessageText(2));
}
