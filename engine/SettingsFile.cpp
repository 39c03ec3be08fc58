#include "engine/SettingsFile.h"

#include "engine/IniUtils.h"
#include "platform/Files.h"
#include "platform/TextCodec.h"
#include "platform/TextCompare.h"

#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <utility>

namespace engine {

namespace {

// A CR or LF in a value would start a new line, and so a new key.
std::wstring OneLine(std::wstring value) {
    for (wchar_t& c : value)
        if (c == L'\r' || c == L'\n')
            c = L' ';
    return value;
}

constexpr wchar_t kViewClass[] = L"{BE098140-A513-11D0-A3A4-00C04FD706EC}";

} // namespace

bool FolderOptions::AnyChosen() const {
    return !iconFile.empty() || !tooltip.empty() || !textColor.empty() || !textBackground.empty() ||
           !picturePath.empty();
}

std::wstring ColorToHex(std::int32_t color) {
    wchar_t digits[16];
    std::swprintf(digits, 16, L"%X", static_cast<unsigned>(color));
    std::wstring hex = digits;
    while (hex.size() < 6)
        hex.insert(hex.begin(), L'0');
    return L"0x00" + hex;
}

std::wstring ComposeSettingsFile(const FolderOptions& o) {
    std::wstring text;
    auto line = [&text](const std::wstring& s) { text += s + L"\r\n"; };
    line(L"[Vendor]");
    line(std::wstring(L"ID=") + kVendorId);
    line(L"");
    line(L"[.ShellClassInfo]");
    line(L"IconFile=\"" + OneLine(o.iconFile) + L"\"");
    line(L"IconIndex=" + std::to_wstring(o.iconIndex));
    if (!o.tooltip.empty())
        line(L"InfoTip=\"" + OneLine(o.tooltip) + L"\"");
    line(L"ConfirmFileOp=0");
    line(L"");
    line(L"[ExtShellFolderViews]");
    line(std::wstring(kViewClass) + L"=" + kViewClass);
    line(L"");
    line(std::wstring(L"[") + kViewClass + L"]");
    line(L"Attributes=1");
    line(L"IconArea_Image=" + OneLine(o.picturePath));
    line(L"IconArea_Text=" + OneLine(o.textColor));
    line(L"IconArea_TextBackground=" + OneLine(o.textBackground));
    return text;
}

std::wstring SettingsFilePath(const std::wstring& folder) {
    if (!folder.empty() && folder.back() == L'\\')
        return folder + kSettingsFileName;
    return folder + L"\\" + kSettingsFileName;
}

std::wstring BackupFilePath(const std::wstring& settingsFile) {
    std::wstring path = settingsFile;
    return GetFolderPart(path, true) + kBackupFileName;
}

namespace {
std::wstring Trimmed(const std::wstring& text) {
    const size_t first = text.find_first_not_of(L" \t");
    if (first == std::wstring::npos)
        return {};
    const size_t last = text.find_last_not_of(L" \t");
    return text.substr(first, last - first + 1);
}
// By the ordinal rule, as the profile reader matches names: a locale's
// comparison passes over ignorable characters, and "[Ven<soft hyphen>dor]"
// would pass for the marker's section.
bool EqualNoCase(const std::wstring& a, const wchar_t* b) {
    return platform::CompareNoCase(a, b) == 0;
}
} // namespace

bool IsOwnSettingsText(const std::vector<std::uint8_t>& bytes, bool wholeFile) {
    if (bytes.empty())
        return wholeFile;
    std::wstring text = platform::DecodeTextFile(bytes);
    if (!wholeFile) {
        // The last line may go on past the cut: "ID=Pelwick" could be "ID=Pelwicks".
        const size_t lastBreak = text.find_last_of(L"\r\n");
        text.erase(lastBreak == std::wstring::npos ? 0 : lastBreak + 1);
    }
    // Read as the profile reader does: first [Vendor] section, first ID key,
    // blanks and one pair of double quotes around the value dropped.
    bool inVendor = false;
    for (const std::wstring& raw : SplitLines(text)) {
        const std::wstring line = Trimmed(raw);
        if (!line.empty() && line.front() == L'[') {
            const size_t close = line.find(L']');
            if (inVendor)
                return false;
            inVendor = close != std::wstring::npos &&
                       EqualNoCase(Trimmed(line.substr(1, close - 1)), L"Vendor");
            continue;
        }
        const size_t equals = line.find(L'=');
        if (!inVendor || equals == std::wstring::npos ||
            !EqualNoCase(Trimmed(line.substr(0, equals)), L"ID"))
            continue;
        std::wstring value = Trimmed(line.substr(equals + 1));
        if (value.size() >= 2 && value.front() == L'"' && value.back() == L'"')
            value = value.substr(1, value.size() - 2);
        return value == kVendorId;
    }
    return false;
}

namespace {
// The lines of a text whose every line, the last included, ends in CR LF.
bool CrLfLines(const std::wstring& text, std::vector<std::wstring>& lines) {
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find(L"\r\n", start);
        if (end == std::wstring::npos)
            return false;
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return true;
}

// Reads ComposeSettingsFile's lines in its order, each one as it wrote it.
class LayoutReader {
  public:
    explicit LayoutReader(std::vector<std::wstring> lines) : lines_(std::move(lines)) {}
    bool Line(const std::wstring& exact) { return Take(exact, nullptr); }
    // "name=" and the rest of the line.
    bool Value(const std::wstring& name, std::wstring& value) { return Take(name + L"=", &value); }
    // "name=" and a value in double quotes, which may hold quotes of its own.
    bool Quoted(const std::wstring& name, std::wstring& value) {
        std::wstring quoted;
        if (!Value(name, quoted) || quoted.size() < 2 || quoted.front() != L'"' ||
            quoted.back() != L'"')
            return false;
        value = quoted.substr(1, quoted.size() - 2);
        return true;
    }
    bool Next(const std::wstring& start) const {
        return next_ < lines_.size() && lines_[next_].rfind(start, 0) == 0;
    }
    bool AtEnd() const { return next_ == lines_.size(); }

  private:
    bool Take(const std::wstring& start, std::wstring* rest) {
        if (next_ >= lines_.size())
            return false;
        const std::wstring& line = lines_[next_];
        if (rest ? line.rfind(start, 0) != 0 : line != start)
            return false;
        if (rest)
            *rest = line.substr(start.size());
        ++next_;
        return true;
    }
    std::vector<std::wstring> lines_;
    size_t next_ = 0;
};

// std::to_wstring's text of an icon index, and only that.
bool ParseIconIndex(const std::wstring& text, std::int16_t& index) {
    if (text.empty() || text.size() > 6)
        return false;
    const long value = std::wcstol(text.c_str(), nullptr, 10);
    if (value < INT16_MIN || value > INT16_MAX || std::to_wstring(value) != text)
        return false;
    index = static_cast<std::int16_t>(value);
    return true;
}
} // namespace

bool ParseOwnSettingsText(const std::wstring& text, FolderOptions& options) {
    std::vector<std::wstring> lines;
    if (!CrLfLines(text, lines))
        return false;
    LayoutReader read(std::move(lines));
    FolderOptions o;
    std::wstring index;
    const std::wstring viewSection = std::wstring(L"[") + kViewClass + L"]";
    if (!read.Line(L"[Vendor]") || !read.Line(std::wstring(L"ID=") + kVendorId) ||
        !read.Line(L"") || !read.Line(L"[.ShellClassInfo]") ||
        !read.Quoted(L"IconFile", o.iconFile) || !read.Value(L"IconIndex", index) ||
        !ParseIconIndex(index, o.iconIndex))
        return false;
    // An empty tooltip is never written.
    if (read.Next(L"InfoTip=") && (!read.Quoted(L"InfoTip", o.tooltip) || o.tooltip.empty()))
        return false;
    if (!read.Line(L"ConfirmFileOp=0") || !read.Line(L"") || !read.Line(L"[ExtShellFolderViews]") ||
        !read.Line(std::wstring(kViewClass) + L"=" + kViewClass) || !read.Line(L"") ||
        !read.Line(viewSection) || !read.Line(L"Attributes=1") ||
        !read.Value(L"IconArea_Image", o.picturePath) ||
        !read.Value(L"IconArea_Text", o.textColor) ||
        !read.Value(L"IconArea_TextBackground", o.textBackground) || !read.AtEnd())
        return false;
    options = std::move(o);
    return true;
}

bool ReadOwnSettings(const std::wstring& folder, FolderOptions& options) {
    const platform::FileHandle file = platform::OpenForReading(SettingsFilePath(folder));
    SettingsFileKind kind = SettingsFileKind::Foreign;
    if (!file || !InspectSettingsFile(file, kind) || kind != SettingsFileKind::Ours)
        return false;
    // Proven ours: now the whole of it, from the start.
    LARGE_INTEGER start{};
    std::vector<std::uint8_t> bytes;
    bool whole = false;
    if (!SetFilePointerEx(file.get(), start, nullptr, FILE_BEGIN) ||
        !platform::ReadPrefix(file, kOwnSettingsMaxBytes, bytes, whole) || !whole)
        return false;
    if (bytes.empty()) {
        options = FolderOptions{};
        return true;
    }
    return ParseOwnSettingsText(platform::DecodeTextFile(bytes), options);
}

bool InspectSettingsFile(const platform::FileHandle& file, SettingsFileKind& kind) {
    bool link = false;
    if (!platform::IsLink(file, link))
        return false;
    if (link) {
        kind = SettingsFileKind::Link;
        return true;
    }
    std::vector<std::uint8_t> bytes;
    bool whole = false;
    if (!platform::ReadPrefix(file, kMarkerPrefixBytes, bytes, whole))
        return false;
    kind = IsOwnSettingsText(bytes, whole) ? SettingsFileKind::Ours : SettingsFileKind::Foreign;
    return true;
}

bool IsOwnSettingsFile(const std::wstring& settingsFile) {
    const platform::FileHandle file = platform::OpenForReading(settingsFile);
    SettingsFileKind kind = SettingsFileKind::Foreign;
    return file && InspectSettingsFile(file, kind) && kind == SettingsFileKind::Ours;
}

bool HoldsBackup(const std::wstring& folder) {
    const DWORD attributes = platform::GetAttributes(BackupFilePath(SettingsFilePath(folder)));
    return attributes != INVALID_FILE_ATTRIBUTES &&
           !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
}

} // namespace engine
