// The windows at 150 % (LogPixels 144) against 100 %: every size in pixels
// grows with the scale, and the banner fills its place without spilling over.
// Serial: the scale is the prefix's, read by every program as it starts.
#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/SetupRun.h"
#include "tests/support/TestEnvironment.h"
#include "ui/resource.h"

namespace {

using Sizes = std::map<std::string, std::vector<long>>;

// The prefix's scale for the life of the object; the old value comes back after.
class ScopedLogPixels {
public:
    explicit ScopedLogPixels(DWORD dpi) {
        ::RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                          nullptr, &m_key, nullptr);
        DWORD size = sizeof(m_old);
        m_had = ::RegQueryValueExW(m_key, kValue, nullptr, nullptr, reinterpret_cast<BYTE*>(&m_old), &size) ==
                ERROR_SUCCESS;
        ::RegSetValueExW(m_key, kValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof(dpi));
    }
    ~ScopedLogPixels() {
        if (m_had)
            ::RegSetValueExW(m_key, kValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&m_old), sizeof(m_old));
        else
            ::RegDeleteValueW(m_key, kValue);
        ::RegCloseKey(m_key);
    }
    ScopedLogPixels(const ScopedLogPixels&) = delete;
    ScopedLogPixels& operator=(const ScopedLogPixels&) = delete;

private:
    static constexpr const wchar_t* kValue = L"LogPixels";
    HKEY m_key = nullptr;
    DWORD m_old = 0;
    bool m_had = false;
};

// Shows one window of the program at dpi and reads its sizes.
Sizes Show(const std::string& window, DWORD dpi) {
    ScopedLogPixels scale(dpi);
    TestSupport::TempFolder folder;
    const std::wstring report = folder / L"sizes.txt";
    TestSupport::SetupOptions options;
    options.arguments = std::wstring(window.begin(), window.end()) + L" 1 \"" + report + L"\"";
    EXPECT_EQ(TestSupport::RunSetup(TestSupport::BinDirectory() + L"ui_showcase.exe", options), 0u) << window;
    std::string text;
    if (!TestSupport::WaitAndReadFile(report, &text, 5000)) {
        ADD_FAILURE() << window << " wrote no sizes at " << dpi << " dpi";
        return {};
    }
    Sizes sizes;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string key;
        fields >> key;
        if (key == "control") {
            std::string id;
            fields >> id;
            key += " " + id;
        }
        for (long value = 0; fields >> value;) sizes[key].push_back(value);
    }
    return sizes;
}

void ExpectBannerFillsItsPlace(const Sizes& sizes, DWORD dpi) {
    const std::string place = "control " + std::to_string(IDC_BANNER);
    ASSERT_EQ(sizes.count("banner"), 1u) << dpi;
    ASSERT_EQ(sizes.count(place), 1u) << dpi;
    const long width = sizes.at("banner")[0], height = sizes.at("banner")[1];
    const long placeWidth = sizes.at(place)[0], placeHeight = sizes.at(place)[1];
    // Filled along one side at least, within a few pixels of rounding.
    EXPECT_TRUE(width >= placeWidth - 4 || height >= placeHeight - 4)
        << dpi << " dpi: " << width << "x" << height << " in " << placeWidth << "x" << placeHeight;
    if (dpi > 96) {
        EXPECT_LE(width, placeWidth) << dpi;
        EXPECT_LE(height, placeHeight) << dpi;
    }
}

TEST(WindowScale, EverySizeGrowsWithTheScaleAndTheBannerFillsItsPlace) {
    for (const char* window : {"main", "extract", "download"}) {
        const Sizes normal = Show(window, 96);
        const Sizes large = Show(window, 144);
        ASSERT_GT(normal.size(), 4u) << window;
        for (const auto& entry : normal) {
            const auto found = large.find(entry.first);
            ASSERT_NE(found, large.end()) << window << ": " << entry.first;
            ASSERT_EQ(found->second.size(), entry.second.size()) << window << ": " << entry.first;
            for (size_t i = 0; i < entry.second.size(); ++i) {
                // Text metrics round to whole pixels: about 1.5, never 1.
                const double ratio = static_cast<double>(found->second[i]) / entry.second[i];
                EXPECT_TRUE(ratio > 1.3 && ratio < 1.7)
                    << window << ": " << entry.first << " " << entry.second[i] << " at 96 dpi, " << found->second[i]
                    << " at 144";
            }
        }
        if (std::string(window) == "main") {
            ExpectBannerFillsItsPlace(normal, 96);
            ExpectBannerFillsItsPlace(large, 144);
        }
    }
}

}  // namespace
