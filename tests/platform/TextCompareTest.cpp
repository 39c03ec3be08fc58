#include "platform/TextCompare.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(TextCompare, CaseInsensitiveComparisonAndSearch) {
    EXPECT_EQ(CompareNoCase(L"C:\\data", L"c:\\DATA"), 0);
    EXPECT_LT(CompareNoCase(L"C:\\Data", L"C:\\Data\\A"), 0);
    EXPECT_LT(CompareNoCase(L"C:\\Data\\A", L"c:\\data\\b"), 0);
    EXPECT_TRUE(ContainsNoCase(L"C:\\Old DESKTOP Files", L"Desktop"));
    EXPECT_FALSE(ContainsNoCase(L"C:\\Desk top", L"Desktop"));
}
