// quillane-bench: builds folder trees of the given sizes and times the main
// window's walk, Apply, start-up and Restore, the engine's share of them
// without a window, and their floors.
#include "bench/EngineFigures.h"
#include "bench/Floors.h"
#include "bench/IconFigures.h"
#include "bench/ListFigures.h"
#include "bench/Measure.h"
#include "bench/MemoryRun.h"
#include "bench/Report.h"
#include "bench/Tree.h"
#include "bench/WindowRun.h"
#include "bench/Workspace.h"
#include "engine/FolderList.h"
#include "engine/FolderWalk.h"
#include "engine/ListFile.h"
#include "engine/RestoreFolder.h"
#include "engine/TintedIcon.h"
#include "platform/Ole.h"
#include "platform/Shell.h"
#include "platform/Window.h"
#include "ui/common/FolderColour.h"
#include "ui/main/FolderSelection.h"
#include "ui/main/ScriptedApply.h"
#include "ui/main/Form1.h"
#include "ui/restore/RestoreView.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace bench {
namespace {

struct Options {
    std::vector<size_t> sizes{1000, 20000, 200000};
    int reps = 5;      // pairs of the window and its floor
    int largeReps = 3; // the same for trees of 100,000 folders and more
    bool memory = true;
    bool fresh = false;
    bool looseFloors = false; // time the first floors too, for comparison
    bool variants = false;    // time other ways to make the floors' calls
    bool windowOnly = false;  // the window's figures alone, for the largest trees
    size_t listMiB = 0;       // the list file's own figures alone, for lists of this size
    bool icons = false;       // the tinted folder icon's figures alone
    bool scripted = false;    // quillane.exe /apply over each tree as well
    std::wstring iconFile;    // the icon Apply gives (--icon, or --colour's generated file)
};

// quillane.exe /apply over the clean tree with the window's options, then
// every folder its record names put back by the engine and its list removed.
void RunScripted(size_t size, SizeResult& r, const Options& options) {
    const std::wstring folder = ProgramFolder(), program = folder + L"\\quillane.exe";
    const std::wstring list = folder + L"\\Fldr.dll";
    ResetListFile(folder);
    std::wstring command = L"\"" + program + L"\" /apply \"" + TreeRoot(size) +
                           L"\" /subfolders /quiet /tip \"Bench tooltip\"";
    if (!options.iconFile.empty())
        command += L" /icon \"" + options.iconFile + L"\"";
    DWORD code = 0;
    r.scripted.push_back(Timed([&] { code = RunAndWait(program, command); }));
    r.walkAndApply.push_back(r.walk.real.back() + r.apply.real.back());
    Expect(r, code == 0, "/apply ended with " + std::to_string(code));
    engine::SortedFolderList recorded;
    engine::LoadListFromFile(recorded, list);
    engine::RemoveBlankItems(recorded);
    Expect(r, recorded.Count() == r.targets,
           "/apply recorded " + std::to_string(recorded.Count()) + " folders");
    size_t notRestored = 0;
    for (size_t i = recorded.Count(); i-- > 0;)
        if (engine::RestoreFolder(recorded.At(i)).outcome != engine::RestoreOutcome::Restored)
            ++notRestored;
    Expect(r, notRestored == 0, "after /apply " + std::to_string(notRestored) + " not restored");
    DeleteFileW(list.c_str());
    DeleteFileW((list + L".lock").c_str());
}

// One repetition of every figure; the tree is clean again at its end. The
// bare calls run the same course as the window just before it (customize,
// open at start-up, restore), so that both meet the files in the same state
// and the machine's drift falls on both alike.
void RunOnce(size_t size, SizeResult& r, const Options& options) {
    const std::wstring root = TreeRoot(size), app = AppFolder(size);
    ResetListFile(app);
    auto form = NewForm(app);
    Expect(r, form->Create(), "the window could not be created");
    Show(*form);
    Expect(r, form->WaitForList(), "the start-up did not finish its load");
    // The window's figures alone leave the process to the window: its memory
    // is taken here, without a run of its own.
    const bool memoryHere = options.windowOnly && options.memory;
    if (memoryHere) {
        r.memoryBase = WorkingSet();
        r.memoryPhases.clear();
    }
    const auto phase = [&r, memoryHere](const char* name) {
        if (memoryHere)
            AddMemoryPhase(r.memoryPhases, name);
    };

    if (!options.windowOnly) {
        size_t walked = 0;
        r.walk.floor.push_back(TimedFloor(r.walk, [&] { walked = FloorWalk(root); }));
        Expect(r, walked == r.made, "the bare walk found " + std::to_string(walked) + " folders");
        if (options.looseFloors)
            r.walk.loose.push_back(r.walk.floor.back()); // the walk's floor did not change
    }
    engine::SortedFolderList engineTargets;
    if (!options.windowOnly)
        r.walk.engine.push_back(Timed([&] { engine::BuildTargetList(root, engineTargets); }));
    form->SetText(ui::TxtFolder, root);
    r.walk.real.push_back(TimedWithGaps(
        *form, r.walk, [&] { form->folderSelection().SetIncludeSubdirectories(true); }));
    phase("walk");
    r.targets = form->TargetList().Count();
    if (!options.windowOnly) {
        std::vector<std::wstring> targets;
        targets.reserve(form->TargetList().Count());
        for (size_t i = 0; i < form->TargetList().Count(); ++i)
            targets.push_back(form->TargetList().At(i));
        Expect(r, engineTargets.Count() == targets.size(),
               "the engine's walk listed " + std::to_string(engineTargets.Count()) + " targets");
        RunFloorsAndEngine(targets, app, r, options.looseFloors);
    }

    form->SetText(ui::TxtToolTip, L"Bench tooltip");
    if (!options.iconFile.empty())
        form->SetText(ui::TxtIconFile, options.iconFile);
    const platform::FolderNoticeTotals noticesBefore = platform::FolderNoticesSoFar();
    r.apply.real.push_back(TimedWithGaps(*form, r.apply, [&] { form->apply().Command1_Click(); }));
    const platform::FolderNoticeTotals noticesAfter = platform::FolderNoticesSoFar();
    r.notify.push_back(noticesAfter.seconds - noticesBefore.seconds);
    r.noticesSent.push_back(static_cast<double>(noticesAfter.sent - noticesBefore.sent));
    r.longestNotice = noticesAfter.longestSeconds;
    Expect(r, form->Text(ui::txtChanging) == L"Folders Successfully Customized",
           "Apply ended with: " + Narrow(form->Text(ui::txtChanging)));
    Expect(r, Count(*form, ui::lblRestoreCount) == r.targets,
           "the restore list does not hold every target after Apply");
    phase("apply");
    form.reset();
    platform::DoEvents();
    phase("closed");

    // Start-up as the program runs it: the window shows, then the list loads
    // as messages run, until the list is ready.
    auto again = NewForm(app);
    r.startup.real.push_back(TimedWithGaps(
        *again, r.startup,
        [&] {
            again->Create();
            Show(*again);
            Expect(r, again->WaitForList(), "the start-up did not finish its load");
        },
        true));
    Expect(r, Count(*again, ui::lblRestoreCount) == r.targets,
           "start-up did not keep every customized folder");
    phase("start-up");
    again->restoreView().Command2_Click();
    platform::DoEvents();
    r.restore.real.push_back(TimedWithGaps(*again, r.restore, [&] {
        SendMessageW(again->Control(ui::chkSelect), BM_SETCHECK, BST_CHECKED, 0);
        again->restoreView().chkSelect_Click();
        again->restoreView().cmdRestore_Click();
    }));
    Expect(r, Count(*again, ui::lblRestoreCount) == 0, "Restore left folders in the list");
    phase("restore");
    again.reset();
    platform::DoEvents();
    if (memoryHere)
        r.memoryPeak = PeakWorkingSet();
    if (options.scripted)
        RunScripted(size, r, options);
}

// Other ways to make the floors' calls, timed on the tree's target list.
void CompareVariants(size_t size, SizeResult& r) {
    engine::SortedFolderList list;
    engine::BuildTargetList(TreeRoot(size), list);
    std::vector<std::wstring> targets;
    targets.reserve(list.Count());
    for (size_t i = 0; i < list.Count(); ++i)
        targets.push_back(list.At(i));
    std::printf("  floor variants over %zu targets:\n", targets.size());
    CompareFloorVariants(TreeRoot(size), targets, SettingsBytes());
    (void)r;
}

// A preset's name or RRGGBB: the colour's generated icon file, as the window
// makes it.
bool GeneratedIcon(const std::wstring& name, std::wstring& path) {
    engine::Colour colour;
    if (!ui::ColourChoice(name, colour))
        return false;
    engine::SharedIcon icon;
    if (!ui::FolderIconFile(colour, icon))
        return false;
    std::printf("  the colour's icon: %s\n", Narrow(icon.path).c_str());
    path = icon.path;
    return true;
}

bool ParseOptions(int argc, wchar_t** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == L"--sizes" && hasValue) {
            options.sizes.clear();
            std::wstring list = argv[++i];
            size_t start = 0;
            while (start <= list.size()) {
                size_t comma = list.find(L',', start);
                if (comma == std::wstring::npos)
                    comma = list.size();
                const size_t value =
                    std::wcstoul(list.substr(start, comma - start).c_str(), nullptr, 10);
                if (value)
                    options.sizes.push_back(value);
                start = comma + 1;
            }
        } else if (arg == L"--reps" && hasValue) {
            options.reps = std::max(1, _wtoi(argv[++i]));
        } else if (arg == L"--large-reps" && hasValue) {
            options.largeReps = std::max(1, _wtoi(argv[++i]));
        } else if (arg == L"--no-memory") {
            options.memory = false;
        } else if (arg == L"--fresh") {
            options.fresh = true;
        } else if (arg == L"--loose-floors") {
            options.looseFloors = true;
        } else if (arg == L"--window-only") {
            options.windowOnly = true;
        } else if (arg == L"--floor-variants") {
            options.variants = true;
        } else if (arg == L"--list-figures" && hasValue) {
            options.listMiB = std::wcstoul(argv[++i], nullptr, 10);
        } else if (arg == L"--icon-figures") {
            options.icons = true;
        } else if (arg == L"--scripted") {
            options.scripted = true;
        } else if (arg == L"--icon" && hasValue) {
            options.iconFile = argv[++i];
        } else if (arg == L"--colour" && hasValue) {
            if (!GeneratedIcon(argv[++i], options.iconFile))
                return false;
        } else {
            return false;
        }
    }
    return !options.sizes.empty();
}

// The list file's figures: its reading, and the prune over each tree.
int RunListFiguresAlone(const Options& options) {
    std::vector<std::wstring> roots;
    for (size_t size : options.sizes) {
        const size_t made = PrepareTree(size, options.fresh);
        roots.push_back(TreeRoot(size));
        MarkTreeClean(size, made);
    }
    return RunListFigures(TempFolder(), options.listMiB, roots) ? 0 : 1;
}

int Run(const Options& options) {
    CreateDirectoryW(TempFolder().c_str(), nullptr);
    if (options.listMiB)
        return RunListFiguresAlone(options);
    if (options.icons)
        return RunIconFigures(TempFolder(), options.reps) ? 0 : 1;
    std::printf("quillane-bench: sizes");
    for (size_t size : options.sizes)
        std::printf(" %zu", size);
    std::printf(", %d repetitions, median reported; folders in %s\n", options.reps,
                Narrow(TempFolder()).c_str());
    std::fflush(stdout);
    std::vector<SizeResult> results;
    for (size_t size : options.sizes) {
        SizeResult r;
        r.size = size;
        r.made = PrepareTree(size, options.fresh);
        r.depth = TreeDepth(TreeRoot(size));
        FloorWalk(TreeRoot(size)); // warms the file-system caches
        const int reps = size >= 100000 && options.largeReps ? options.largeReps : options.reps;
        if (options.variants)
            CompareVariants(size, r);
        for (int rep = 0; rep < reps; ++rep)
            RunOnce(size, r, options);
        if (options.memory && !options.windowOnly)
            MeasureMemory(size, r);
        MarkTreeClean(size, r.made);
        std::printf("\n%zu folders, depth %d:", r.made, r.depth);
        PrintHeader(options.looseFloors);
        PrintRows(r);
        results.push_back(std::move(r));
    }
    std::printf("\nSummary (median of the repetitions):");
    PrintHeader(options.looseFloors);
    for (const auto& r : results)
        PrintRows(r);
    PrintClosing(results);
    return 0;
}

} // namespace
} // namespace bench

int wmain(int argc, wchar_t** argv) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    const platform::ScopedOleInitialize ole;
    int status = 0;
    if (argc == 3 && std::wstring(argv[1]) == L"--memory-child") {
        status = bench::MemoryChild(std::wcstoul(argv[2], nullptr, 10));
    } else {
        bench::Options options;
        if (!bench::ParseOptions(argc, argv, options)) {
            std::fprintf(stderr,
                         "usage: quillane-bench [--sizes 1000,20000,200000] [--reps 5] "
                         "[--large-reps 3] [--no-memory] [--fresh] [--loose-floors] "
                         "[--floor-variants] [--window-only] [--list-figures MiB] [--icon-figures] "
                         "[--scripted] [--icon FILE | --colour NAME|RRGGBB]\n");
            status = 2;
        } else {
            status = bench::Run(options);
        }
    }
    return status;
}
