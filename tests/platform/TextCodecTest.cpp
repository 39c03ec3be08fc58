#include "platform/TextCodec.h"

#include <gtest/gtest.h>
#include <windows.h>

using namespace platform;

TEST(TextCodec, AnsiWhenEveryCharacterFits) {
    auto bytes = EncodeTextFile(L"C:\\Data\r\n");
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "C:\\Data\r\n");
    EXPECT_EQ(DecodeTextFile(bytes), L"C:\\Data\r\n");
}

TEST(TextCodec, Utf16WithByteOrderMarkOtherwise) {
    if (GetACP() == CP_UTF8)
        GTEST_SKIP() << "every character fits a UTF-8 code page";
    const std::wstring text = L"A\u4E2D\r\n";
    EXPECT_FALSE(FitsAnsiCodePage(text));
    auto bytes = EncodeTextFile(text);
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{0xFF, 0xFE, 'A', 0, 0x2D, 0x4E, '\r', 0, '\n', 0}));
    EXPECT_EQ(DecodeTextFile(bytes), text);
}

TEST(TextCodec, ReadsUtf8WithByteOrderMark) {
    std::vector<std::uint8_t> bytes{0xEF, 0xBB, 0xBF, 'C', ':', 0xE4, 0xB8, 0xAD};
    EXPECT_EQ(DecodeTextFile(bytes), L"C:\u4E2D");
}
