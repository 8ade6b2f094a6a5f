#include <gtest/gtest.h>

#include <set>
#include <string>

#include "lib/ProgramSearch.h"
#include "lib/TextConversion.h"

TEST(FindCommandProgram, TheTextDecidesTheProgramAndNoPlantedCopyStandsIn) {
    const Kestlib::ProgramFolders folders = {
        L"C:\\sys", L"C:\\win", L"D:\\setup", L"D:\\current", {L"E:\\path", L".", L"", L"tools", L"F:\\later"}};
    // Copies of system programs planted beside the program, in the current folder and at a shorter path.
    const std::set<std::wstring> files = {
        L"C:\\sys\\cmd.exe",        L"C:\\sys\\reg.exe",           L"C:\\win\\explorer.exe",
        L"D:\\setup\\cmd.exe",      L"D:\\setup\\explorer.exe",    L"D:\\setup\\tool.exe",
        L"D:\\setup\\sub\\y.exe",   L"D:\\current\\reg.exe",       L"D:\\current\\sub\\x.exe",
        L"D:\\current\\sub\\y.exe", L"D:\\current\\mine.exe",      L"D:\\current\\z.exe",
        L"E:\\path\\z.exe",         L"D:\\Quorvane.exe",           L"D:\\Quorvane Setup\\tools\\setup.exe",
        L"D:\\tools\\run.exe",      L"D:\\tools\\run install.exe", L"D:\\abs\\notes.txt"};
    struct Case {
        const wchar_t* commandLine;
        const wchar_t* program;
    } cases[] = {
        {L"cmd.exe /c \"D:\\A B\\x.cmd\"", L"C:\\sys\\cmd.exe"},
        {L" \treg add HKCU\\Software\\a.exe /f", L"C:\\sys\\reg.exe"},
        {L"explorer.exe", L"C:\\win\\explorer.exe"},
        {L"tool /q", L"D:\\setup\\tool.exe"},
        {L"mine.exe", L""},
        // PATH in order, without the entries that are not full paths.
        {L"z", L"E:\\path\\z.exe"},
        {L"sub\\y.exe", L"D:\\setup\\sub\\y.exe"},
        {L"sub\\x.exe", L"D:\\current\\sub\\x.exe"},
        {L".\\mine.exe", L"D:\\current\\mine.exe"},
        {L".\\tool.exe", L""},
        // Unquoted, a path runs on over blanks to the word with a program extension...
        {L"D:\\Quorvane Setup\\tools\\setup.exe /quiet", L"D:\\Quorvane Setup\\tools\\setup.exe"},
        {L"D:\\Quorvane Setup\\tools\\missing.exe", L""},
        {L"\"D:\\Quorvane Setup\\tools\\setup.exe\"", L"D:\\Quorvane Setup\\tools\\setup.exe"},
        {L"\"D:\\Quorvane\" Setup\\tools\\setup.exe", L"D:\\Quorvane.exe"},
        // ... but not past a switch, nor when no word has one, nor from a bare name or a word with one.
        {L"D:\\tools\\run -q x.exe", L"D:\\tools\\run.exe"},
        {L"D:\\tools\\run install", L"D:\\tools\\run.exe"},
        {L"D:\\tools\\run.exe install.exe", L"D:\\tools\\run.exe"},
        {L"D:\\abs\\notes.txt", L"D:\\abs\\notes.txt"},
        {L"  ", L""},
    };
    const auto isFile = [&](const std::wstring& path) { return files.count(path) != 0; };
    for (const Case& c : cases)
        EXPECT_EQ(Kestlib::FindCommandProgram(c.commandLine, folders, isFile), c.program)
            << Kestlib::WideToUtf8(c.commandLine);
}
