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

TEST(TextCompare, IgnorableCharactersMakeNamesDifferent) {
    // The file system compares characters, never a language's collation:
    // a soft hyphen or a zero-width character is a character of the name.
    for (const wchar_t* other :
         {L"C:\\x\\Pho\u00ADtos", L"C:\\x\\Pho\u200Btos", L"C:\\x\\Pho\u200Dtos",
          L"C:\\x\\Photos\uFEFF", L"C:\\x\\Photos\u0301"}) {
        EXPECT_NE(CompareNoCase(L"C:\\x\\Photos", other), 0);
        EXPECT_NE(CompareNoCase(other, L"c:\\X\\PHOTOS"), 0);
        EXPECT_NE(HashNoCase(other), HashNoCase(L"C:\\x\\Photos"));
    }
    EXPECT_EQ(CompareNoCase(L"C:\\\u00C9t\u00E9 \u0416", L"c:\\\u00E9T\u00C9 \u0436"), 0);
    EXPECT_EQ(HashNoCase(L"C:\\\u00C9t\u00E9"), HashNoCase(L"c:\\\u00E9T\u00C9"));
    EXPECT_NE(CompareNoCase(L"C:\\caf\u00E9", L"C:\\cafe\u0301"), 0); // no normalization
}
