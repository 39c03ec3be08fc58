#include "bench/IconFigures.h"

#include "bench/Measure.h"
#include "engine/TintedIcon.h"
#include "platform/FolderIcon.h"
#include "ui/common/FolderColour.h"

#include <windows.h>

#include <cstdio>
#include <vector>

namespace bench {

bool RunIconFigures(const std::wstring& scratch, int reps) {
    const std::wstring root = scratch + L"\\icons-" + std::to_wstring(GetCurrentProcessId());
    const engine::Colour colour = engine::ColourPresets().front().colour;
    std::vector<double> made, source, bytes, found;
    size_t fileBytes = 0;
    for (int rep = 0; rep < reps; ++rep) {
        const std::wstring folder = root + L"\\" + std::to_wstring(rep);
        // The system's frames alone, and the whole file in memory.
        double start = Now();
        std::vector<engine::Bytes> resources;
        if (!platform::ReadSystemFolderIcon(resources))
            return false;
        source.push_back(Now() - start);
        start = Now();
        std::vector<std::uint8_t> ico;
        if (!ui::FolderIconBytes(colour, ico))
            return false;
        bytes.push_back(Now() - start);
        fileBytes = ico.size();
        // The whole course: generated and written through a new name.
        engine::SharedIcon result;
        start = Now();
        if (!ui::FolderIconFile(colour, folder + L"\\all", folder + L"\\user", result) ||
            !result.written)
            return false;
        made.push_back(Now() - start);
        start = Now();
        if (!ui::FolderIconFile(colour, folder + L"\\all", folder + L"\\user", result) ||
            result.written)
            return false;
        found.push_back(Now() - start);
    }
    const platform::PngCodec codec;
    std::printf("Tinted folder icon (%s, %zu bytes, PNG %s), median of %d:\n", "one colour",
                fileBytes, codec.available() ? "through WIC" : "unavailable", reps);
    std::printf("  system icon's frames read     %8.2f ms\n", Median(source) * 1000);
    std::printf("  .ico made in memory           %8.2f ms\n", Median(bytes) * 1000);
    std::printf("  made and written (new file)   %8.2f ms\n", Median(made) * 1000);
    std::printf("  found again (same bytes)      %8.2f ms\n", Median(found) * 1000);
    std::fflush(stdout);
    return true;
}

} // namespace bench
