#include "platform/TextCodec.h"
#include "tests/support/PlatformChecks.h"

#include <gtest/gtest.h>
#include <windows.h>

using namespace platform;
using testing_support::FitsAnsiCodePage;

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

TEST(TextCodec, GuessesUtf16WithoutAMarkFromItsZeroBytes) {
    const auto guess = [](const std::vector<std::uint8_t>& bytes, size_t& mark) {
        return GuessEncoding(bytes.data(), bytes.size(), mark);
    };
    size_t mark = 9;
    // A path in a script beyond Latin still has its drive and backslashes.
    std::vector<std::uint8_t> wide;
    AppendUtf16(L"C:\\\u65E5\u672C\u8A9E\u306E\u30D5\u30A9\u30EB\u30C0\\\u540D\u524D\r\n", wide);
    EXPECT_EQ(guess(wide, mark), TextEncoding::Utf16);
    EXPECT_EQ(mark, 0u);
    std::vector<std::uint8_t> big(wide.size());
    for (size_t i = 0; i < wide.size(); ++i)
        big[i ^ 1] = wide[i];
    EXPECT_EQ(guess(big, mark), TextEncoding::Utf16BigEndian);
    EXPECT_EQ(DecodeText(big.data(), big.size(), TextEncoding::Utf16BigEndian),
              DecodeText(wide.data(), wide.size(), TextEncoding::Utf16));
    big.insert(big.begin(), {0xFE, 0xFF});
    EXPECT_EQ(guess(big, mark), TextEncoding::Utf16BigEndian);
    EXPECT_EQ(mark, 2u);
    // ANSI, damaged or not, has no zero bytes to speak of.
    std::vector<std::uint8_t> ansi{'C', ':', '\\', 0xE9, 't', 0xE9, '\r', '\n'};
    EXPECT_EQ(guess(ansi, mark), TextEncoding::Ansi);
    for (int i = 0; i < 4096; ++i)
        ansi.push_back(static_cast<std::uint8_t>((i * 7919 + 13) & 0xFF));
    EXPECT_EQ(guess(ansi, mark), TextEncoding::Ansi);
    EXPECT_EQ(guess({}, mark), TextEncoding::Ansi);
}
