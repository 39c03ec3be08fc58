#include "bench/ListFigures.h"

#include "bench/Measure.h"
#include "engine/FolderList.h"
#include "engine/ListFile.h"
#include "engine/FolderWalk.h"
#include "engine/RestoreFolder.h"
#include "engine/CustomizeFolder.h"
#include "platform/Files.h"
#include "platform/TextCodec.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>

namespace bench {
namespace {

bool WriteList(const std::wstring& path, size_t bytes, const char* lineEnd) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    std::string piece;
    size_t written = 0;
    bool ok = true;
    for (size_t line = 0; ok && written < bytes; ++line) {
        char text[128];
        const int n = std::snprintf(text, sizeof text,
                                    "C:\\Documents and Settings\\bench\\Photos\\%zu\\Album %zu%s",
                                    line / 50, line, lineEnd);
        piece.append(text, static_cast<size_t>(n));
        if (piece.size() >= (1u << 20) || written + piece.size() >= bytes) {
            const size_t take = std::min(piece.size(), bytes - written);
            DWORD wrote = 0;
            ok = WriteFile(file, piece.data(), static_cast<DWORD>(take), &wrote, nullptr) &&
                 wrote == take;
            written += take;
            piece.clear();
        }
    }
    CloseHandle(file);
    return ok;
}

// Seconds to read the list, its entries and the longest stretch between yields.
bool TimeRead(const std::wstring& path, double& seconds, size_t& entries, double& longestMs) {
    engine::FolderLines lines;
    GapMeter gaps;
    gaps.Start();
    const double start = Now();
    const bool read = engine::ReadListLines(path, lines, [&gaps] {
        gaps.OnYield();
        return true;
    });
    seconds = Now() - start;
    gaps.Stop();
    longestMs = gaps.LongestMs();
    entries = lines.Count();
    return read;
}

bool ListReadFigures(const std::wstring& scratch, size_t listMiB) {
    struct Kind {
        const char* name;
        const char* end;
    };
    const Kind kinds[] = {{"CR LF", "\r\n"}, {"LF", "\n"}, {"CR", "\r"}, {"none", ""}};
    const std::wstring path = scratch + L"\\list-figure.txt";
    double base = 0;
    bool ok = true;
    std::printf("\nreading a list of %zu MiB (one piece of a 256 KiB read between yields):\n",
                listMiB);
    for (const Kind& kind : kinds) {
        if (!WriteList(path, listMiB << 20, kind.end)) {
            std::printf("  %-6s could not be written\n", kind.name);
            ok = false;
            continue;
        }
        double seconds = 0, longestMs = 0;
        size_t entries = 0;
        const bool read = TimeRead(path, seconds, entries, longestMs);
        if (base == 0)
            base = seconds;
        std::printf("  %-6s %7.3f s, %5.2f x CR LF, %9zu entries, longest gap %6.1f ms%s\n",
                    kind.name, seconds, base > 0 ? seconds / base : 0, entries, longestMs,
                    read ? "" : " (read failed)");
        ok = ok && read;
    }
    DeleteFileW(path.c_str());
    return ok;
}

bool PruneFigure(const std::wstring& root) {
    engine::SortedFolderList folders;
    if (!engine::BuildTargetList(root, folders) || folders.Count() == 0) {
        std::printf("  no folders below %s\n", platform::ToAnsi(root).c_str());
        return false;
    }
    engine::FolderOptions options;
    options.tooltip = L"Bench tooltip";
    const std::vector<std::uint8_t> ini =
        platform::EncodeTextFile(engine::ComposeSettingsFile(options));
    std::vector<std::wstring> targets;
    for (size_t i = 0; i < folders.Count(); ++i)
        if (engine::CustomizeFolder(folders.At(i), ini).customized)
            targets.push_back(folders.At(i));
    // Twice each, in turns, against the calls of a prune that only opens the
    // settings file (and looks for a backup where it cannot): the machine's
    // drift falls on both alike, and the faster of each pair is shown.
    double seconds = 1e9, openOnly = 1e9;
    size_t kept = 0, opened = 0;
    for (int turn = 0; turn < 2; ++turn) {
        const double before = Now();
        opened = 0;
        for (const auto& target : targets)
            if (platform::FileExists(engine::SettingsFilePath(target)) ||
                engine::HoldsBackup(target))
                ++opened;
        openOnly = std::min(openOnly, Now() - before);
        engine::SortedFolderList list;
        list.AddAll(targets);
        const double start = Now();
        engine::PruneRestoreList(list);
        seconds = std::min(seconds, Now() - start);
        kept = list.Count();
    }
    const double n = static_cast<double>(targets.size());
    std::printf("  prune of %zu customized folders: %.3f s, %.1f us a folder, %zu kept; opening "
                "each settings file alone: %.1f us a folder, %zu opened\n",
                targets.size(), seconds, seconds * 1e6 / n, kept, openOnly * 1e6 / n, opened);
    for (auto it = targets.rbegin(); it != targets.rend(); ++it)
        engine::RestoreFolder(*it);
    return kept == targets.size();
}

} // namespace

bool RunListFigures(const std::wstring& scratch, size_t listMiB,
                    const std::vector<std::wstring>& treeRoots) {
    bool ok = ListReadFigures(scratch, listMiB);
    if (!treeRoots.empty())
        std::printf("\npruning the restore list:\n");
    for (const auto& root : treeRoots)
        ok = PruneFigure(root) && ok;
    std::fflush(stdout);
    return ok;
}

} // namespace bench
