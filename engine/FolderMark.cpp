#include "engine/FolderMark.h"

#include "platform/TextCompare.h"

namespace engine {

const std::vector<MarkInfo>& FolderMarks() {
    static const std::vector<MarkInfo> marks = {
        {FolderMark::Done, L"Done", L"Done"},
        {FolderMark::Important, L"Important", L"Important"},
        {FolderMark::InProgress, L"InProgress", L"In progress"},
        {FolderMark::Favourite, L"Favourite", L"Favourite"},
        {FolderMark::Question, L"Question", L"Question"},
        {FolderMark::Cancelled, L"Cancelled", L"Cancelled"},
        {FolderMark::Locked, L"Locked", L"Locked"},
        {FolderMark::Heart, L"Heart", L"Heart"},
    };
    return marks;
}

bool FindFolderMark(const std::wstring& nameOrLabel, FolderMark& mark) {
    if (platform::CompareNoCase(nameOrLabel, L"none") == 0) {
        mark = FolderMark::None;
        return true;
    }
    for (const MarkInfo& info : FolderMarks())
        if (platform::CompareNoCase(nameOrLabel, info.name) == 0 ||
            platform::CompareNoCase(nameOrLabel, info.label) == 0) {
            mark = info.mark;
            return true;
        }
    return false;
}

std::wstring FolderMarkName(FolderMark mark) {
    for (const MarkInfo& info : FolderMarks())
        if (info.mark == mark)
            return info.name;
    return {};
}

std::wstring FolderIconBaseName(const IconLook& look) {
    std::wstring base = look.colour ? FolderIconBaseName(*look.colour) : std::wstring(L"Folder");
    if (look.mark != FolderMark::None)
        base += L" " + FolderMarkName(look.mark);
    return base;
}

namespace {
// "name (N)" -> "name", as NumberedIconName numbers a taken name.
std::wstring WithoutNumber(const std::wstring& name) {
    if (name.size() < 4 || name.back() != L')')
        return name;
    const size_t open = name.rfind(L" (");
    if (open == std::wstring::npos || open + 3 > name.size() - 1)
        return name;
    for (size_t i = open + 2; i + 1 < name.size(); ++i)
        if (name[i] < L'0' || name[i] > L'9')
            return name;
    return name.substr(0, open);
}

std::vector<std::wstring> Words(const std::wstring& text) {
    std::vector<std::wstring> words;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t end = text.find(L' ', start);
        words.push_back(text.substr(start, end == std::wstring::npos ? end : end - start));
        if (end == std::wstring::npos)
            break;
        start = end + 1;
    }
    return words;
}
} // namespace

bool LookFromIconFileName(const std::wstring& pathOrName, IconLook& look) {
    const size_t slash = pathOrName.find_last_of(L"\\/");
    std::wstring name = slash == std::wstring::npos ? pathOrName : pathOrName.substr(slash + 1);
    static const std::wstring kExtension = L".ico";
    if (name.size() <= kExtension.size() ||
        platform::CompareNoCase(name.substr(name.size() - kExtension.size()), kExtension) != 0)
        return false;
    name = WithoutNumber(name.substr(0, name.size() - kExtension.size()));
    const std::vector<std::wstring> words = Words(name);
    if (words.size() < 2 || words.size() > 4 || platform::CompareNoCase(words[0], L"Folder") != 0)
        return false;
    IconLook found;
    size_t next = 1;
    Colour colour;
    if (words.size() > next + 1 && FindColourPreset(words[next]) &&
        ParseColourText(words[next + 1], colour)) {
        found.colour = colour;
        next += 2;
    } else if (ParseColourText(words[next], colour)) {
        found.colour = colour;
        next += 1;
    }
    if (next < words.size()) {
        FolderMark mark = FolderMark::None;
        if (!FindFolderMark(words[next], mark) || mark == FolderMark::None)
            return false;
        found.mark = mark;
        ++next;
    }
    // Only the names the program writes: the same look must give the same name.
    if (next != words.size() || found.Plain() ||
        platform::CompareNoCase(FolderIconBaseName(found), name) != 0)
        return false;
    look = found;
    return true;
}

} // namespace engine
