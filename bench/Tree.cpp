#include "bench/Tree.h"

#include "platform/SystemApi.h"

#include <windows.h>

#include <deque>
#include <random>
#include <vector>

namespace bench {

namespace {

constexpr int kMaxDepth = 10;
constexpr double kParentShare = 0.3;

const wchar_t* const kNames[] = {
    L"Documents", L"Photos",    L"Music",      L"Projects",   L"src",          L"Backup",
    L"Résumé",    L"Übersicht", L"Café Notes", L"Ærøskøbing", L"Фото",         L"Old Files",
    L"data",      L"Temp",      L"Work 2019",  L"Privé",      L"Señor Año",    L"build",
    L"Invoices",  L"Mail",      L"Games",      L"Drivers",    L"Program Data", L"Ελληνικά"};
const wchar_t* const kExcludedNames[] = {L"Desktop", L"CD Burning", L"Old Desktop Files"};

std::wstring MakeName(std::mt19937& rng, size_t index) {
    std::uniform_int_distribution<int> excluded(0, 249);
    std::wstring name;
    if (excluded(rng) == 0) {
        name = kExcludedNames[rng() % std::size(kExcludedNames)];
    } else {
        name = kNames[rng() % std::size(kNames)];
    }
    // Unique within the parent; half of the names gain a blank.
    name += (rng() % 2) ? L" " : L"_";
    name += std::to_wstring(index);
    return name;
}

struct Pending {
    std::wstring path;
    int depth;
};

} // namespace

size_t MakeTree(const std::wstring& root, size_t count, unsigned seed) {
    CreateDirectoryW(root.c_str(), nullptr);
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> share(0.0, 1.0);
    std::uniform_int_distribution<size_t> fanOut(5, 20);
    std::deque<Pending> queue{{root, 0}};
    size_t made = 0;
    while (made < count && !queue.empty()) {
        Pending node = std::move(queue.front());
        queue.pop_front();
        const bool parent = node.depth == 0 || node.depth == 1 ||
                            (node.depth < kMaxDepth && share(rng) < kParentShare);
        if (!parent)
            continue;
        // A few top folders, as on a system drive.
        size_t children = node.depth == 0 ? 5 : fanOut(rng);
        children = std::min(children, count - made);
        for (size_t i = 0; i < children; ++i) {
            std::wstring path = node.path + L"\\" + MakeName(rng, i);
            if (!CreateDirectoryW(path.c_str(), nullptr))
                continue;
            ++made;
            queue.push_back({std::move(path), node.depth + 1});
        }
    }
    return made;
}

// NOLINTNEXTLINE(misc-no-recursion): the bench's own trees, kMaxDepth deep at most.
void RemoveTree(const std::wstring& root) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((root + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring path = root + L"\\" + name;
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                RemoveTree(path);
            else
                DeleteFileW(path.c_str());
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    SetFileAttributesW(root.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryW(root.c_str());
}

int TreeDepth(const std::wstring& root) {
    int deepest = 0;
    std::vector<std::pair<std::wstring, int>> stack{{root, 0}};
    while (!stack.empty()) {
        auto [folder, depth] = std::move(stack.back());
        stack.pop_back();
        deepest = std::max(deepest, depth);
        WIN32_FIND_DATAW data;
        HANDLE find = platform::FindFirstEntry((folder + L"\\*").c_str(), &data, true);
        if (find == INVALID_HANDLE_VALUE)
            continue;
        do {
            const std::wstring name = data.cFileName;
            if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || name == L"." ||
                name == L"..")
                continue;
            std::wstring path = folder;
            path += L'\\';
            path += name;
            stack.emplace_back(std::move(path), depth + 1);
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    return deepest;
}

} // namespace bench
