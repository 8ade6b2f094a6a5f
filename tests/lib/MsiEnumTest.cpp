#include <gtest/gtest.h>

#include <cwchar>
#include <stdexcept>
#include <string>
#include <vector>

#include "lib/Msi.h"
#include "lib/SystemError.h"
#include "lib/TextConversion.h"
#include "tests/support/Expect.h"

namespace {

const wchar_t ProductText[] = L"{78886B22-3CD9-4C76-99B7-490E416F690D}";

// Answers index i with results[i], then "no more items"; counts the calls.
struct ScriptedEnumeration {
    std::vector<UINT> results;
    unsigned calls = 0;

    Kestlib::ProductAtIndex Source() {
        return [this](DWORD index, wchar_t* buffer) {
            ++calls;
            UINT result = index < results.size() ? results[index] : ERROR_NO_MORE_ITEMS;
            if (result == ERROR_SUCCESS) std::wcscpy(buffer, ProductText);
            return result;
        };
    }
};

std::vector<UINT> Repeat(UINT result, unsigned count) { return std::vector<UINT>(count, result); }
std::vector<UINT> operator+(std::vector<UINT> a, const std::vector<UINT>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(MsiEnumeration, SkipsSingleFailuresAndEndsWithTheLastItem) {
    const unsigned limit = Kestlib::MaxConsecutiveEnumErrors;
    struct Case {
        std::vector<UINT> results;
        size_t products;
    } cases[] = {
        {{}, 0},
        {{ERROR_SUCCESS, ERROR_SUCCESS}, 2},
        {{ERROR_BAD_CONFIGURATION, ERROR_SUCCESS, ERROR_INVALID_PARAMETER}, 1},
        // A product between two runs of failures starts the count again.
        {Repeat(ERROR_BAD_CONFIGURATION, limit - 1) + Repeat(ERROR_SUCCESS, 1) +
             Repeat(ERROR_BAD_CONFIGURATION, limit - 1),
         1},
    };
    for (Case& c : cases) {
        ScriptedEnumeration enumeration{c.results};
        EXPECT_EQ(Kestlib::EnumProducts(enumeration.Source()).size(), c.products);
        EXPECT_EQ(enumeration.calls, c.results.size() + 1);
    }
}

TEST(MsiEnumeration, FailingAtEveryIndexStopsAfterTheLimit) {
    const unsigned limit = Kestlib::MaxConsecutiveEnumErrors;
    std::string expected = Kestlib::WideToAnsi(Kestlib::SystemErrorText(
        ERROR_BAD_CONFIGURATION, L"MsiEnumProducts (64 failures in a row up to index " + std::to_wstring(limit) + L")"));
    // One product first, then the enumeration breaks for good.
    ScriptedEnumeration enumeration{Repeat(ERROR_SUCCESS, 1) + Repeat(ERROR_BAD_CONFIGURATION, 100000)};
    EXPECT_THROW_MESSAGE(Kestlib::EnumProducts(enumeration.Source()), expected);
    EXPECT_EQ(enumeration.calls, limit + 1);
}

}  // namespace
