#pragma once
// The engine's share of the window's operations, timed without a window,
// and the floors: the bare file-system calls each operation cannot avoid.
#include "bench/Report.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace bench {

// The settings file the bench's floors write: Apply's with a tooltip.
std::vector<std::uint8_t> SettingsBytes();

// Times a floor and keeps its longest single folder in the figure.
double TimedFloor(Figure& figure, const std::function<void()>& action);

// The floors and the engine alone on the tree the window walked; the tree is
// clean again at the end, for the window's own run. looseFloors: the first
// floors are timed too, for comparison.
void RunFloorsAndEngine(const std::vector<std::wstring>& targets, const std::wstring& app,
                        SizeResult& r, bool looseFloors);

} // namespace bench
