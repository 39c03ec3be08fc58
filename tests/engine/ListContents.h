#pragma once
// A list's items as a vector, for comparing whole lists in the engine's tests.
#include "engine/FolderList.h"

#include <string>
#include <vector>

inline std::vector<std::wstring> Items(const engine::ListItems& list) {
    std::vector<std::wstring> out;
    for (size_t i = 0; i < list.Count(); ++i)
        out.push_back(list.Item(i));
    return out;
}
