#pragma once
// The program's text files are ANSI in the system code page when every
// character fits, otherwise UTF-16LE with a byte-order mark.
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

std::vector<std::uint8_t> EncodeTextFile(const std::wstring& text);
// Pieces of an encoded file, for text too long to hold twice. AppendAnsi
// appends nothing and answers false when a character does not fit.
bool AppendAnsi(const std::wstring& text, std::vector<std::uint8_t>& bytes);
void AppendUtf16(const std::wstring& text, std::vector<std::uint8_t>& bytes);
inline constexpr std::uint8_t kUtf16Bom[] = {0xFF, 0xFE};
// Accepts UTF-16LE and UTF-8 with their byte-order marks, otherwise ANSI.
std::wstring DecodeTextFile(const std::vector<std::uint8_t>& bytes);
// The same for a file read in pieces: the encoding the mark at its start
// names (markBytes its length; ANSI and 0 without one), then each piece.
enum class TextEncoding { Ansi, Utf8, Utf16, Utf16BigEndian };
TextEncoding EncodingOfMark(const std::uint8_t* data, size_t size, size_t& markBytes);
// The encoding of a file from its first bytes, for files other programs may
// have written: a mark (UTF-16 big-endian's too), else UTF-16 of either order
// where the zero bytes say so, else ANSI. ANSI text holds no zero byte, while
// the letters, backslashes and line ends of paths in UTF-16 have one.
TextEncoding GuessEncoding(const std::uint8_t* data, size_t size, size_t& markBytes);
std::wstring DecodeText(const std::uint8_t* data, size_t size, TextEncoding encoding);
std::string ToAnsi(const std::wstring& text);
std::string ToUtf8(const std::wstring& text);

} // namespace platform
