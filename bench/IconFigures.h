#pragma once
// Figures of the tinted folder icons: one colour's icon made and written,
// and found again, apart from any window.
#include <string>

namespace bench {

// Makes the icon of a preset colour reps times into fresh folders below
// scratch, then once more where it is (found, not written). Prints the
// figures; false when something failed.
bool RunIconFigures(const std::wstring& scratch, int reps);

} // namespace bench
