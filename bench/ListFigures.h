#pragma once
// Figures of the restore list's own file work, apart from the window: how the
// list file reads whatever its line ends, and what the prune costs a folder.
#include <cstddef>
#include <string>
#include <vector>

namespace bench {

// Reads lists of listMiB mebibytes with CR LF, LF, CR and no line ends, and
// prunes a list of every folder below each tree root (customized first and
// restored after). Prints the figures; false when something failed.
bool RunListFigures(const std::wstring& scratch, size_t listMiB,
                    const std::vector<std::wstring>& treeRoots);

} // namespace bench
