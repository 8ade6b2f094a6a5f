#pragma once

#include <windows.h>

#include <msi.h>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "lib/Guid.h"
#include "lib/Process.h"
#include "tests/support/TestEnvironment.h"

// The packages built from tests/data/msi into bin/testdata. Two versions of one
// product family share an upgrade code and install side by side.
struct TestPackage {
    const wchar_t* file;
    const wchar_t* productCode;
    const wchar_t* name;
    const wchar_t* version;

    GUID Product() const { return Kestlib::StringToGuid(productCode); }

    // Asks Windows Installer directly, not through the code under test.
    bool IsInstalled() const { return ::MsiQueryProductStateW(productCode) == INSTALLSTATE_DEFAULT; }

    void Install() const {
        Run(L"msiexec.exe /i \"" + TestSupport::BinDirectory() + L"testdata\\" + file + L"\" /qn");
    }
    void Uninstall() const { Run(std::wstring(L"msiexec.exe /x ") + productCode + L" /qn"); }

private:
    static void Run(const std::wstring& command) {
        DWORD exitCode = Kestlib::RunProcessAndWait(command);
        if (exitCode != 0) throw std::runtime_error("msiexec failed with exit code " + std::to_string(exitCode));
    }
};

const wchar_t FamilyUpgradeCode[] = L"{51DBE5BA-ED87-4382-99A1-1FE127C4B7A4}";
const wchar_t OtherUpgradeCode[] = L"{D4FBB73C-D5F7-494F-9216-0961850500F5}";

const TestPackage Family100 = {L"family-1.0.0.msi", L"{78886B22-3CD9-4C76-99B7-490E416F690D}",
                               L"Bootwright Test Family 1.0.0", L"1.0.0"};
const TestPackage Family201 = {L"family-2.0.1.msi", L"{BD483C38-AD4D-4377-AFCF-A8AB3F432D0A}",
                               L"Bootwright Test Family 2.0.1", L"2.0.1"};
const TestPackage Other = {L"other-3.5.0.msi", L"{0EB7ED4E-2E70-4E1E-B3EB-DF6E49F07420}", L"Bootwright Test Other",
                           L"3.5.0"};

const TestPackage AllPackages[] = {Family100, Family201, Other};

// Every case starts with none of the packages installed, also after an
// aborted earlier run, and removes what it installed.
class InstalledPackagesTest : public ::testing::Test {
protected:
    void SetUp() override { RemoveAll(); }
    void TearDown() override {
        RemoveAll();
        // The packages' values live below this key, which uninstalling leaves behind (empty).
        ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"Software\\BootwrightTests");
    }

private:
    static void RemoveAll() {
        for (const TestPackage& package : AllPackages) {
            if (package.IsInstalled()) package.Uninstall();
        }
    }
};
