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
    CreateDirectoryW(root.c_str(), nullptr);
    const auto failed = [](const char* step) {
        std::printf("Tinted folder icon: %s failed (error %lu)\n", step, GetLastError());
        return false;
    };
    for (int rep = 0; rep < reps; ++rep) {
        // Stands for the application data folder, below which Quillane\Icons is made.
        const std::wstring folder = root + L"\\" + std::to_wstring(rep);
        CreateDirectoryW(folder.c_str(), nullptr);
        // The system's frames alone, and the whole file in memory.
        double start = Now();
        std::vector<engine::Bytes> resources;
        if (!platform::ReadSystemFolderIcon(resources))
            return failed("reading the system's icon");
        source.push_back(Now() - start);
        start = Now();
        std::vector<std::uint8_t> ico;
        if (!ui::FolderIconBytes(colour, ico))
            return failed("making the icon");
        bytes.push_back(Now() - start);
        fileBytes = ico.size();
        // The whole course: generated and written through a new name.
        engine::SharedIcon result;
        start = Now();
        const std::wstring shared = folder + L"\\Quillane\\Icons";
        if (!ui::FolderIconFile(colour, shared, L"", result) || !result.written)
            return failed("writing the icon");
        made.push_back(Now() - start);
        start = Now();
        if (!ui::FolderIconFile(colour, shared, L"", result) || result.written)
            return failed("finding the icon");
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
