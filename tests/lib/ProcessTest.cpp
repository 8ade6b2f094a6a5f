#include <gtest/gtest.h>

#include "lib/Handles.h"
#include "lib/Process.h"
#include "lib/TextConversion.h"
#include "tests/lib/PlatformMessages.h"
#include "tests/lib/PrintArgsCapture.h"
#include "tests/support/Expect.h"
#include "tests/support/TestEnvironment.h"

using namespace Kestlib;

namespace {

std::wstring ExitCodeCommand(const std::wstring& code) {
    return L"\"" + TestSupport::BinDirectory() + L"proc_exitcode.exe\" " + code;
}

}  // namespace

TEST(RunProcessAndWait, ReturnsTheFull32BitExitCode) {
    EXPECT_EQ(RunProcessAndWait(ExitCodeCommand(L"0")), 0u);
    EXPECT_EQ(RunProcessAndWait(ExitCodeCommand(L"1")), 1u);
    EXPECT_EQ(RunProcessAndWait(ExitCodeCommand(L"1603")), 1603u);
    EXPECT_EQ(RunProcessAndWait(ExitCodeCommand(L"3010")), 3010u);
    EXPECT_EQ(RunProcessAndWait(ExitCodeCommand(L"0x80070005")), 0x80070005u);
    EXPECT_EQ(RunProcessAndWait(ExitCodeCommand(L"0xFFFFFFFF")), 0xFFFFFFFFu);
}

TEST(RunProcessAndWait, ExpandsEnvironmentReferencesInTheCommand) {
    ::SetEnvironmentVariableW(L"BWTEST_PROC_BIN", TestSupport::BinDirectory().c_str());
    ::SetEnvironmentVariableW(L"BWTEST_PROC_CODE", L"3010");
    EXPECT_EQ(RunProcessAndWait(L"\"%BWTEST_PROC_BIN%proc_exitcode.exe\" %BWTEST_PROC_CODE%"), 3010u);
    EXPECT_THROW_MESSAGE(RunProcessAndWait(L"%BWTEST_PROC_BIN%proc_missing.exe %BWTEST_PROC_CODE%"),
                         "0x80070002 - CreateProcessW: " + WideToAnsi(TestSupport::BinDirectory()) +
                             "proc_missing.exe 3010" + NotFoundEnd());
}

TEST(RunProcess, MissingProgramFailsWithTheCommand) {
    EXPECT_THROW_MESSAGE(RunProcess(L"bootwright_no_such_program.exe /q"),
                         "0x80070002 - CreateProcessW: bootwright_no_such_program.exe /q" + NotFoundEnd());
    PROCESS_INFORMATION place = {};
    const std::wstring missing = TestSupport::BinDirectory() + L"proc_missing.exe";
    EXPECT_THROW_PREFIX(RunProcess(missing, &place), "0x80070002 - CreateProcessW: " + WideToAnsi(missing) + ": ");
    EXPECT_EQ(place.hProcess, nullptr);
    EXPECT_EQ(place.hThread, nullptr);
    EXPECT_EQ(place.dwProcessId, 0u);
    EXPECT_THROW_PREFIX(RunProcessAndWait(L"\"" + missing + L"\""),
                        "0x80070002 - CreateProcessW: \"" + WideToAnsi(missing) + "\": ");
}

TEST(RunProcess, PlaceReceivesHandlesThatStayUsable) {
    PROCESS_INFORMATION place = {};
    RunProcess(ExitCodeCommand(L"3010"), &place);
    ProcessHandle process(place.hProcess);
    ThreadHandle thread(place.hThread);
    ASSERT_TRUE(process);
    ASSERT_TRUE(thread);
    EXPECT_EQ(::GetProcessId(process.Get()), place.dwProcessId);
    EXPECT_EQ(::GetThreadId(thread.Get()), place.dwThreadId);
    ASSERT_EQ(::WaitForSingleObject(process.Get(), 30000), WAIT_OBJECT_0);
    // The handles still answer after the process has ended.
    DWORD code = 0;
    ASSERT_TRUE(::GetExitCodeProcess(process.Get(), &code));
    EXPECT_EQ(code, 3010u);
    EXPECT_EQ(::WaitForSingleObject(thread.Get(), 0), WAIT_OBJECT_0);
}

TEST(RunProcess, PassesTheCommandLineUnchanged) {
    PrintArgsCapture capture;
    const std::wstring program = capture.PlaceProgram(L"folder with blanks\\print args.exe");
    const std::wstring command = L"\"" + program + L"\" first \"second arg\" \"\" /x=\"a b\"";
    RunProcess(command);
    EXPECT_EQ(capture.WaitForCommandLine(), command);
}

TEST(RunProcess, ReferencesSurvivingInAValueAreExpandedOnce) {
    PrintArgsCapture capture;
    const std::wstring program = capture.PlaceProgram(L"printargs.exe");
    ::SetEnvironmentVariableW(L"BWTEST_PROC_OUTER", L"[%BWTEST_PROC_INNER%]");
    ::SetEnvironmentVariableW(L"BWTEST_PROC_INNER", L"inner");
    EXPECT_EQ(RunProcessAndWait(program + L" %BWTEST_PROC_OUTER% 100%% %BWTEST_PROC_UNSET%end"), 0u);
    EXPECT_EQ(capture.WaitForCommandLine(), program + L" [%BWTEST_PROC_INNER%] 100%% end");
}
