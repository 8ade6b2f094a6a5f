#include <gtest/gtest.h>

#include <string>

#include "lib/TextConversion.h"
#include "sequence/PackageOptions.h"

namespace {

TEST(PackageLogPath, BesideTheMainLogNamedByPositionsAndDescription) {
    const struct {
        const wchar_t* mainLog;
        int configuration, number;
        std::wstring description;
        const wchar_t* extension;
        std::wstring expected;
    } cases[] = {
        {L"C:\\Logs\\setup.log", 1, 2, L"Quorvane Core", L".log", L"C:\\Logs\\setup.1.2.Quorvane Core.log"},
        // Only the last extension goes, and none of the folder's dots.
        {L"C:\\My.Logs\\setup.2026.txt", 1, 1, L"A", L".log", L"C:\\My.Logs\\setup.2026.1.1.A.log"},
        // A log in the current folder gives a package log there.
        {L"setup.log", 1, 3, L"A", L".log", L"setup.1.3.A.log"},
        // Characters a name cannot hold, and the trailing dots and blanks Windows drops.
        {L"C:\\l.log", 1, 1, L"a\\b/c:d*e?f\"g<h>i|j\tk", L".log", L"C:\\l.1.1.a_b_c_d_e_f_g_h_i_j_k.log"},
        {L"C:\\l.log", 1, 1, L"Version 2.0. ", L".log", L"C:\\l.1.1.Version 2.0.log"},
        {L"C:\\l.log", 1, 1, L"", L".log", L"C:\\l.1.1.log"},
        {L"C:\\l.log", 1, 1, std::wstring(80, L'x'), L".log", L"C:\\l.1.1." + std::wstring(60, L'x') + L".log"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PackageLogPath(c.mainLog, c.configuration, c.number, c.description, c.extension), c.expected)
            << Kestlib::WideToAnsi(c.mainLog) << " " << Kestlib::WideToAnsi(c.description);
    }
}

}  // namespace
