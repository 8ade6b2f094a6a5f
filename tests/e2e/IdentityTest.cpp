// A setup packaged with its product's icon and version information: both read
// back with the platform's own calls, and the setup still runs.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "tests/e2e/SetupDocuments.h"
#include "tests/support/SetupRun.h"

using namespace E2e;

namespace {

// One 32-bit image per size, each in a colour of its own.
std::string IconImage(int size) {
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof(header);
    header.biWidth = size;
    header.biHeight = 2 * size;
    header.biPlanes = 1;
    header.biBitCount = 32;
    std::string image(reinterpret_cast<const char*>(&header), sizeof(header));
    for (int i = 0; i < size * size; ++i) image += std::string{static_cast<char>(size), 0x40, static_cast<char>(0x80), '\xFF'};
    image += std::string(static_cast<size_t>((size + 31) / 32 * 4 * size), '\0');
    return image;
}

std::string IconFile(const std::vector<std::string>& images, const std::vector<int>& sizes) {
    std::string file("\0\0\1\0", 4);
    file += static_cast<char>(images.size());
    file += '\0';
    size_t offset = 6 + 16 * images.size();
    for (size_t i = 0; i < images.size(); ++i) {
        const DWORD entry[4] = {static_cast<DWORD>(sizes[i] | sizes[i] << 8), 1 | 32 << 16,
                                static_cast<DWORD>(images[i].size()), static_cast<DWORD>(offset)};
        file.append(reinterpret_cast<const char*>(entry), sizeof(entry));
        offset += images[i].size();
    }
    for (const std::string& image : images) file += image;
    return file;
}

std::string Resource(HMODULE module, LPCWSTR name, LPCWSTR type) {
    HRSRC resource = ::FindResourceW(module, name, type);
    if (resource == nullptr) return std::string();
    const char* data = static_cast<const char*>(::LockResource(::LoadResource(module, resource)));
    return std::string(data, ::SizeofResource(module, resource));
}

BOOL CALLBACK CountName(HMODULE, LPCWSTR, LPWSTR, LONG_PTR count) {
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}

std::wstring VersionString(const std::vector<char>& info, const std::wstring& key) {
    wchar_t* text = nullptr;
    UINT length = 0;
    if (!::VerQueryValueW(info.data(), (L"\\StringFileInfo\\040904B0\\" + key).c_str(), reinterpret_cast<void**>(&text),
                          &length))
        return L"(none)";
    return std::wstring(text);
}

const wchar_t* const kStrings[][2] = {
    {L"ProductName", L"Quorvane Suite"},       {L"ProductVersion", L"2.1"},
    {L"FileVersion", L"2.1.0.7"},              {L"CompanyName", L"Quorvane Ltd"},
    {L"FileDescription", L"Quorvane Suite Setup"}, {L"LegalCopyright", L"(c) 2026 Quorvane Ltd"},
    {L"OriginalFilename", L"setup.exe"},
};

}  // namespace

TEST(Identity, PackagedSetupCarriesTheProductsIconAndVersionAndStillRuns) {
    Scenario run;
    const std::vector<int> sizes = {16, 32, 48};
    std::vector<std::string> images;
    for (int size : sizes) images.push_back(IconImage(size));
    TestSupport::WriteTextFile(run.folder / L"product.ico", IconFile(images, sizes));
    TestSupport::WriteTextFile(run.folder / L"readme.txt", "Read me.\r\n");
    std::wstring options = L"--icon \"" + run.folder / L"product.ico" + L"\"";
    for (const auto& string : kStrings) options += L" --version-info \"" + std::wstring(string[0]) + L"=" + string[1] + L"\"";
    const std::wstring setup = TestSupport::PackageSetup(
        run.folder.Path(),
        Document(Install("", MarkerComponent("Suite", run.folder / L"installed.txt", "",
                                             "      <embedfile sourcefilepath=\"readme.txt\"/>\n"))),
        L"setup.exe", options);

    DWORD handle = 0;
    std::vector<char> info(::GetFileVersionInfoSizeW(setup.c_str(), &handle));
    ASSERT_FALSE(info.empty());
    ASSERT_TRUE(::GetFileVersionInfoW(setup.c_str(), 0, static_cast<DWORD>(info.size()), info.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(::VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00020001u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00000007u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00020001u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0u);
    DWORD* translation = nullptr;
    ASSERT_TRUE(::VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length));
    EXPECT_EQ(*translation, 0x04B00409u);
    for (const auto& string : kStrings) EXPECT_EQ(VersionString(info, string[0]), string[1]);

    HMODULE module = ::LoadLibraryExW(setup.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    std::string group = Resource(module, MAKEINTRESOURCEW(128), RT_GROUP_ICON);
    ASSERT_FALSE(group.empty());
    for (size_t i = 0; i < sizes.size(); ++i) {
        SCOPED_TRACE(sizes[i]);
        int id = ::LookupIconIdFromDirectoryEx(reinterpret_cast<BYTE*>(&group[0]), TRUE, sizes[i], sizes[i], 0);
        EXPECT_EQ(Resource(module, MAKEINTRESOURCEW(id), RT_ICON), images[i]);
        HICON icon = static_cast<HICON>(::LoadImageW(module, MAKEINTRESOURCEW(128), IMAGE_ICON, sizes[i], sizes[i], 0));
        ASSERT_NE(icon, nullptr);
        ICONINFO parts = {};
        BITMAP bitmap = {};
        ASSERT_TRUE(::GetIconInfo(icon, &parts));
        ::GetObjectW(parts.hbmColor, sizeof(bitmap), &bitmap);
        EXPECT_EQ(bitmap.bmWidth, sizes[i]);
        ::DeleteObject(parts.hbmColor);
        ::DeleteObject(parts.hbmMask);
        ::DestroyIcon(icon);
    }
    // The program's own images went with its group.
    int count = 0;
    ::EnumResourceNamesW(module, RT_ICON, &CountName, reinterpret_cast<LONG_PTR>(&count));
    EXPECT_EQ(count, 3);
    ::FreeLibrary(module);

    EXPECT_EQ(TestSupport::RunSetup(setup, run.Options(L"/q")), 0u) << run.Dump();
    EXPECT_TRUE(FileExists(run.folder / L"installed.txt"));
    EXPECT_EQ(run.Log().back(), kFinishedZero) << run.Dump();
}

struct Refusal {
    std::wstring options;
    std::string message;
};

// Through the real packager: exit code 1, the message, and no output.
TEST(Identity, BadIconsAndVersionsAreRefused) {
    Scenario run;
    TestSupport::WriteTextFile(run.folder / L"text.ico", "not an icon at all");
    std::string cut = IconFile({IconImage(16), IconImage(32)}, {16, 32});
    TestSupport::WriteTextFile(run.folder / L"cut.ico", cut.substr(0, cut.size() - 100));
    const std::string folder = Utf8(run.folder.Path());
    const std::string numbers = "': give 1 to 4 numbers from 0 to 65535 separated by dots, such as 2.1.0.7";
    const Refusal cases[] = {
        {L"--version-info FileVersion=1.2.3.4.5", "Invalid FileVersion '1.2.3.4.5" + numbers},
        {L"--version-info ProductVersion=1.65536", "Invalid ProductVersion '1.65536" + numbers},
        {L"--version-info fileversion=1..2", "Invalid FileVersion '1..2" + numbers},
        {L"--version-info FileVersion=", "Invalid FileVersion '" + numbers},
        {L"--version-info \"ProductVersion=2.0 beta\"", "Invalid ProductVersion '2.0 beta" + numbers},
        {L"--version-info ProductName", "Invalid version information 'ProductName': expected KEY=VALUE"},
        {L"--version-info Version=1", "Unknown version information key 'Version': use one of Comments, CompanyName, "
                                      "FileDescription, FileVersion, InternalName, LegalCopyright, LegalTrademarks, "
                                      "OriginalFilename, PrivateBuild, ProductName, ProductVersion, SpecialBuild"},
        {L"--version-info CompanyName=A --version-info companyname=B", "Version information CompanyName given twice"},
        {L"--icon \"" + run.folder / L"text.ico" + L"\"", "Invalid icon file '" + folder + "\\text.ico': not an icon file"},
        {L"--icon \"" + run.folder / L"cut.ico" + L"\"",
         "Invalid icon file '" + folder + "\\cut.ico': image 2 lies outside the file"},
        {L"--icon \"" + run.folder / L"none.ico" + L"\"", "Icon not found: " + folder + "\\none.ico"},
    };
    for (const Refusal& test : cases) {
        SCOPED_TRACE(Utf8(test.options));
        try {
            TestSupport::PackageSetup(run.folder.Path(), Document(Install("", "")), L"setup.exe", test.options);
            ADD_FAILURE() << "packaged";
        } catch (const std::runtime_error& error) {
            EXPECT_EQ(std::string(error.what()), "packaging failed (1): Error: " + test.message + "\n");
        }
        EXPECT_FALSE(FileExists(run.folder / L"setup.exe"));
    }
}
