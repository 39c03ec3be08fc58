#include "engine/ListFile.h"

#include "platform/Files.h"
#include "platform/TextCodec.h"
#include "platform/TextCompare.h"

#include <algorithm>
#include <iterator>

namespace engine {

bool IsWellFormedListEntry(const std::wstring& line) {
    const std::wstring root = platform::RootOf(line);
    // A drive's folders go on after its backslash; a share's names are
    // checked as the rest.
    if (root.empty() || (root.size() == 2 && (line.size() < 3 || line[2] != L'\\')))
        return false;
    const size_t rest = root.size() == 2 ? 3 : 2;
    for (size_t i = rest; i < line.size(); ++i) {
        const wchar_t c = line[i];
        if (c < 0x20 || c == 0x7F || c == L'<' || c == L'>' || c == L'"' || c == L'|' ||
            c == L'?' || c == L'*' || c == L':' || c == L'/')
            return false;
    }
    return true;
}

namespace {
// A folder's path holds at most 32,767 characters: a longer line is no
// folder, and is dropped as it goes by rather than held whole.
constexpr size_t kLongestLine = 32767;
// A line of more bytes than this holds more than kLongestLine characters in
// every byte encoding (UTF-8 takes at most three bytes for each).
constexpr size_t kLongestLineBytes = 3 * kLongestLine;

bool IsBreak(wchar_t c) {
    return c == L'\r' || c == L'\n';
}

// Splits text that comes a piece at a time into lines at CR LF, CR or LF,
// looking at each character once. A NUL inside a line is dropped (a damaged
// file must not produce cut entries); blank lines are no entries.
class LineSplitter {
  public:
    using Take = std::function<void(const std::wstring& line)>;
    explicit LineSplitter(Take take) : take_(std::move(take)) {}
    void Feed(std::wstring_view text) {
        size_t start = 0;
        while (start < text.size()) {
            size_t end = start;
            while (end < text.size() && !IsBreak(text[end]) && text[end] != L'\0')
                ++end;
            Append(text.substr(start, end - start));
            if (end < text.size() && text[end] != L'\0')
                EndLine();
            start = end + 1;
        }
    }
    // The last line, where the file ends without a break.
    void Finish() { EndLine(); }

  private:
    void Append(std::wstring_view part) {
        if (tooLong_)
            return;
        if (line_.size() + part.size() > kLongestLine) {
            tooLong_ = true;
            line_.clear();
            return;
        }
        line_.append(part);
    }
    void EndLine() {
        if (!tooLong_ && !line_.empty())
            take_(line_);
        line_.clear();
        tooLong_ = false;
    }
    Take take_;
    std::wstring line_;
    bool tooLong_ = false;
};

// Decodes a list file a piece at a time. UTF-16 is decoded as it comes; a byte
// encoding up to the last line break of each piece, so that no character is
// cut (CR and LF are never part of another character in any of them), and
// the start of a line that goes on waits for the next piece, up to a bound.
class PieceDecoder {
  public:
    explicit PieceDecoder(LineSplitter& lines) : lines_(lines) {}
    void Take(const std::uint8_t* data, size_t size, bool last) {
        if (first_) {
            size_t mark = 0;
            encoding_ = platform::GuessEncoding(data, size, mark);
            data += mark;
            size -= mark;
            first_ = false;
        }
        if (encoding_ == platform::TextEncoding::Utf16 ||
            encoding_ == platform::TextEncoding::Utf16BigEndian)
            TakeWide(data, size);
        else
            TakeBytes(data, size, last);
        if (last)
            lines_.Finish();
    }

  private:
    void TakeWide(const std::uint8_t* data, size_t size) {
        // A character cut between two pieces waits for its second byte.
        size_t start = 0;
        if (!pending_.empty() && size > 0) {
            pending_.push_back(data[0]);
            lines_.Feed(platform::DecodeText(pending_.data(), 2, encoding_));
            pending_.clear();
            start = 1;
        }
        const size_t whole = (size - start) / 2 * 2;
        lines_.Feed(platform::DecodeText(data + start, whole, encoding_));
        pending_.assign(data + start + whole, data + size);
    }
    void TakeBytes(const std::uint8_t* data, size_t size, bool last) {
        size_t start = 0;
        if (skipping_) {
            // The rest of a line too long to be a folder.
            while (start < size && data[start] != '\r' && data[start] != '\n')
                ++start;
            if (start == size)
                return;
            skipping_ = false;
        }
        size_t end = size;
        if (!last)
            while (end > start && data[end - 1] != '\r' && data[end - 1] != '\n')
                --end;
        if (end > start) {
            pending_.insert(pending_.end(), data + start, data + end);
            lines_.Feed(platform::DecodeText(pending_.data(), pending_.size(), encoding_));
            pending_.clear();
        }
        if (pending_.size() + (size - end) > kLongestLineBytes) {
            std::vector<std::uint8_t>().swap(pending_);
            skipping_ = true;
        } else {
            pending_.insert(pending_.end(), data + end, data + size);
        }
    }
    LineSplitter& lines_;
    std::vector<std::uint8_t> pending_;
    platform::TextEncoding encoding_ = platform::TextEncoding::Ansi;
    bool first_ = true;
    bool skipping_ = false;
};

// Reads the file's lines a piece at a time, calling yield after each piece.
bool ReadLines(const std::wstring& path, const LineSplitter::Take& take, const YieldFn& yield) {
    LineSplitter lines(take);
    PieceDecoder decoder(lines);
    return platform::ReadInPieces(
        path, kListFileLimit, kListPieceBytes,
        [&decoder, &yield](const std::uint8_t* data, size_t size, bool last) {
            decoder.Take(data, size, last);
            if (platform::KeepGoing(yield))
                return true;
            SetLastError(ERROR_CANCELLED);
            return false;
        });
}
} // namespace

bool ReadListLines(const std::wstring& path, std::vector<std::wstring>& lines) {
    lines.clear();
    // A damaged file must not show garbage as folders of absent drives.
    const bool read = ReadLines(path,
                                [&lines](const std::wstring& line) {
                                    if (IsWellFormedListEntry(line))
                                        lines.push_back(line);
                                },
                                {});
    if (read)
        return true;
    const DWORD error = GetLastError();
    std::vector<std::wstring>().swap(lines);
    SetLastError(error);
    return false;
}

bool ReadListLines(const std::wstring& path, FolderLines& lines, const YieldFn& yield) {
    lines.Clear();
    const bool read = ReadLines(
        path,
        [&lines](const std::wstring& line) {
            if (IsWellFormedListEntry(line))
                lines.Append(line);
        },
        yield);
    if (read)
        return true;
    const DWORD error = GetLastError();
    lines.Clear();
    SetLastError(error);
    return false;
}

bool LoadListFromFile(ListItems& list, const std::wstring& path, const YieldFn& yield) {
    FolderLines lines;
    if (!ReadListLines(path, lines, yield))
        return false;
    if (!list.TakeLines(lines, yield)) {
        SetLastError(ERROR_CANCELLED);
        return false;
    }
    return true;
}

namespace {
// Encoded and written a piece at a time, so that a whole drive's list is not
// also held as one text. False with ansi cleared when a line does not fit the
// code page.
bool WriteLines(const ListItems& list, bool& ansi, const YieldFn& yield,
                const platform::PieceWriter& write, std::vector<std::uint64_t>* hashes) {
    std::vector<std::uint8_t> bytes;
    if (hashes) {
        hashes->clear();
        hashes->reserve(list.Count());
    }
    if (!ansi)
        bytes.assign(std::begin(platform::kUtf16Bom), std::end(platform::kUtf16Bom));
    const size_t count = list.Count();
    for (size_t i = 0; i < count; ++i) {
        if (!platform::KeepGoing(yield)) {
            SetLastError(ERROR_CANCELLED);
            return false;
        }
        std::wstring line = list.Item(i);
        if (hashes)
            hashes->push_back(platform::HashNoCase(line));
        line += L"\r\n";
        if (!ansi) {
            platform::AppendUtf16(line, bytes);
        } else if (!platform::AppendAnsi(line, bytes)) {
            ansi = false;
            SetLastError(ERROR_NO_UNICODE_TRANSLATION);
            return false;
        }
        if (bytes.size() >= kListPieceBytes) {
            if (!write(bytes.data(), bytes.size()))
                return false;
            bytes.clear();
        }
    }
    return bytes.empty() || write(bytes.data(), bytes.size());
}
} // namespace

bool SaveListToFile(const ListItems& list, const std::wstring& path, const YieldFn& yield,
                    std::vector<std::uint64_t>* hashes) {
    bool ansi = true;
    const auto produce = [&](const platform::PieceWriter& write) {
        return WriteLines(list, ansi, yield, write, hashes);
    };
    if (platform::ReplaceFileFrom(path, produce, yield))
        return true;
    // A name outside the code page: the whole list again, as UTF-16.
    return !ansi && platform::ReplaceFileFrom(path, produce, yield);
}

} // namespace engine
