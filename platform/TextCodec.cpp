#include "platform/TextCodec.h"

#include <windows.h>

#include <iterator>

namespace platform {

static std::string Narrow(UINT codePage, const std::wstring& text, BOOL* usedDefault) {
    if (text.empty())
        return {};
    DWORD flags = 0;
    if (codePage == CP_UTF8 || codePage == CP_UTF7) {
        usedDefault = nullptr; // these code pages refuse the default-char query
    } else {
        flags = WC_NO_BEST_FIT_CHARS;
    }
    int n = WideCharToMultiByte(codePage, flags, text.data(), static_cast<int>(text.size()),
                                nullptr, 0, nullptr, usedDefault);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(codePage, flags, text.data(), static_cast<int>(text.size()), out.data(), n,
                        nullptr, usedDefault);
    return out;
}

static std::wstring Widen(UINT codePage, const char* data, size_t size) {
    if (size == 0)
        return {};
    int n = MultiByteToWideChar(codePage, 0, data, static_cast<int>(size), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(codePage, 0, data, static_cast<int>(size), out.data(), n);
    return out;
}

namespace {
// The text in the ANSI code page, or false when a character does not fit.
bool NarrowExactly(const std::wstring& text, std::string& narrow) {
    BOOL usedDefault = FALSE;
    narrow = Narrow(CP_ACP, text, &usedDefault);
    // A round trip also catches characters that map to something else.
    return !usedDefault && Widen(CP_ACP, narrow.data(), narrow.size()) == text;
}
} // namespace

std::string ToAnsi(const std::wstring& text) {
    return Narrow(CP_ACP, text, nullptr);
}

std::string ToUtf8(const std::wstring& text) {
    return Narrow(CP_UTF8, text, nullptr);
}

bool AppendAnsi(const std::wstring& text, std::vector<std::uint8_t>& bytes) {
    std::string narrow;
    if (!NarrowExactly(text, narrow))
        return false;
    bytes.insert(bytes.end(), narrow.begin(), narrow.end());
    return true;
}

void AppendUtf16(const std::wstring& text, std::vector<std::uint8_t>& bytes) {
    for (wchar_t c : text) {
        bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>((c >> 8) & 0xFF));
    }
}

std::vector<std::uint8_t> EncodeTextFile(const std::wstring& text) {
    std::vector<std::uint8_t> bytes;
    if (AppendAnsi(text, bytes))
        return bytes;
    bytes.assign(std::begin(kUtf16Bom), std::end(kUtf16Bom));
    bytes.reserve(2 + text.size() * 2);
    AppendUtf16(text, bytes);
    return bytes;
}

TextEncoding EncodingOfMark(const std::uint8_t* data, size_t size, size_t& markBytes) {
    if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
        markBytes = 2;
        return TextEncoding::Utf16;
    }
    if (size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF) {
        markBytes = 3;
        return TextEncoding::Utf8;
    }
    markBytes = 0;
    return TextEncoding::Ansi;
}

TextEncoding GuessEncoding(const std::uint8_t* data, size_t size, size_t& markBytes) {
    const TextEncoding marked = EncodingOfMark(data, size, markBytes);
    if (markBytes)
        return marked;
    if (size >= 2 && data[0] == 0xFE && data[1] == 0xFF) {
        markBytes = 2;
        return TextEncoding::Utf16BigEndian;
    }
    // A sample is enough: a list's first lines tell as much as all of them.
    const size_t sample = (size < 65536 ? size : 65536) / 2 * 2;
    size_t lowZeros = 0, highZeros = 0; // in the first and second byte of each pair
    for (size_t i = 0; i < sample; i += 2) {
        lowZeros += data[i] == 0;
        highZeros += data[i + 1] == 0;
    }
    const size_t pairs = sample / 2;
    // One character in eight with a zero byte on one side only is far more
    // than a damaged ANSI file shows; a name in a script beyond Latin still
    // has its drive, backslashes and line ends.
    const auto mostly = [pairs](size_t zeros, size_t otherZeros) {
        return zeros >= 2 && zeros * 8 >= pairs && zeros > 4 * otherZeros;
    };
    if (mostly(highZeros, lowZeros))
        return TextEncoding::Utf16;
    if (mostly(lowZeros, highZeros))
        return TextEncoding::Utf16BigEndian;
    return TextEncoding::Ansi;
}

std::wstring DecodeText(const std::uint8_t* data, size_t size, TextEncoding encoding) {
    if (encoding == TextEncoding::Utf16 || encoding == TextEncoding::Utf16BigEndian) {
        const size_t low = encoding == TextEncoding::Utf16 ? 0 : 1;
        std::wstring text(size / 2, L'\0');
        for (size_t i = 0; i + 1 < size; i += 2)
            text[i / 2] = static_cast<wchar_t>(data[i + low] | (data[i + 1 - low] << 8));
        return text;
    }
    return Widen(encoding == TextEncoding::Utf8 ? CP_UTF8 : CP_ACP,
                 reinterpret_cast<const char*>(data), size);
}

std::wstring DecodeTextFile(const std::vector<std::uint8_t>& bytes) {
    size_t mark = 0;
    const TextEncoding encoding = EncodingOfMark(bytes.data(), bytes.size(), mark);
    return DecodeText(bytes.data() + mark, bytes.size() - mark, encoding);
}

} // namespace platform
