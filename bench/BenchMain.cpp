// quillane-bench: builds folder trees of the given sizes and times the main
// window's walk, Apply, start-up and Restore, the engine's share of them
// without a window, and their floors.
#include "bench/Floors.h"
#include "bench/Measure.h"
#include "bench/Tree.h"
#include "engine/FolderList.h"
#include "engine/FolderWalk.h"
#include "engine/ListStore.h"
#include "engine/RestoreFolder.h"
#include "engine/SettingsFile.h"
#include "platform/TextCodec.h"
#include "platform/Window.h"
#include "ui/main/Form1.h"

#include <commctrl.h>
#include <ole2.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace bench {
namespace {

struct Options {
    std::vector<size_t> sizes{1000, 20000, 200000};
    int reps = 3;
    int largeReps = 0; // repetitions for trees of 100,000 folders and more; 0: reps
    bool memory = true;
    bool fresh = false;
    bool looseFloors = false; // time the first floors too, for comparison
    bool variants = false;    // time other ways to make the floors' calls
};

struct Figure {
    explicit Figure(const char* figureName) : name(figureName) {}
    const char* name;
    std::vector<double> real, engine, floor, loose;
    double longestGapMs = -1; // -1: the operation has no yields to measure
};

struct SizeResult {
    size_t size = 0, made = 0, targets = 0;
    int depth = 0;
    Figure walk{"walk"}, apply{"apply"}, startup{"startup"}, restore{"restore"};
    std::vector<double> journal; // the journal's writes for every target, as Apply makes them
    size_t memoryBase = 0, memoryPeak = 0;
    std::vector<std::string> problems;
};

std::wstring TempFolder() {
    wchar_t buffer[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH, buffer);
    std::wstring path = buffer;
    if (!path.empty() && path.back() == L'\\')
        path.pop_back();
    return path + L"\\quillane-bench";
}

std::wstring TreeRoot(size_t size) {
    return TempFolder() + L"\\tree-" + std::to_wstring(size);
}
std::wstring AppFolder(size_t size) {
    return TempFolder() + L"\\app-" + std::to_wstring(size);
}
std::wstring MarkerPath(size_t size) {
    return TreeRoot(size) + L".ready";
}

std::string Narrow(const std::wstring& text) {
    return platform::ToAnsi(text);
}

bool WriteFileText(const std::wstring& path, const std::string& text) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD wrote = 0;
    const bool ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &wrote, nullptr);
    CloseHandle(file);
    return ok;
}

std::string ReadFileText(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return {};
    char buffer[256] = {};
    DWORD got = 0;
    ReadFile(file, buffer, sizeof buffer - 1, &got, nullptr);
    CloseHandle(file);
    return std::string(buffer, got);
}

// A tree is reused when a finished run left it clean and marked.
size_t PrepareTree(size_t size, bool fresh) {
    const std::wstring root = TreeRoot(size);
    if (!fresh) {
        size_t made = 0;
        if (std::sscanf(ReadFileText(MarkerPath(size)).c_str(), "%zu", &made) == 1 && made > 0) {
            DeleteFileW(MarkerPath(size).c_str());
            return made;
        }
    }
    std::printf("  making a tree of %zu folders...\n", size);
    std::fflush(stdout);
    const double start = Now();
    RemoveTree(root);
    const size_t made = MakeTree(root, size, static_cast<unsigned>(size));
    std::printf("  made %zu folders in %.1f s\n", made, Now() - start);
    std::fflush(stdout);
    return made;
}

void MarkTreeClean(size_t size, size_t made) {
    WriteFileText(MarkerPath(size), std::to_string(made));
}

void ResetListFile(const std::wstring& app) {
    CreateDirectoryW(app.c_str(), nullptr);
    WriteFileText(app + L"\\Fldr.dll", "\r\n");
}

std::unique_ptr<ui::Form1> NewForm(const std::wstring& app) {
    return std::make_unique<ui::Form1>(app, [] { return 7; }); // Windows XP
}

void Show(ui::Form1& form) {
    ShowWindow(form.hwnd(), SW_SHOW);
    UpdateWindow(form.hwnd());
    platform::DoEvents();
}

void Expect(SizeResult& result, bool ok, const std::string& what) {
    if (!ok)
        result.problems.push_back(what);
}

size_t Count(ui::Form1& form, int id) {
    return static_cast<size_t>(std::wcstoul(form.Text(id).c_str(), nullptr, 10));
}

template <typename Action> double Timed(Action&& action) {
    const double start = Now();
    action();
    return Now() - start;
}

template <typename Action> double TimedWithGaps(ui::Form1& form, Figure& figure, Action&& action) {
    GapMeter gaps;
    form.pumpObserver = [&gaps] { gaps.OnYield(); };
    gaps.Start();
    const double seconds = Timed(action);
    gaps.Stop();
    form.pumpObserver = nullptr;
    figure.longestGapMs = std::max(figure.longestGapMs, gaps.LongestMs());
    return seconds;
}

std::vector<std::uint8_t> SettingsBytes() {
    engine::FolderOptions options;
    options.tooltip = L"Bench tooltip";
    return platform::EncodeTextFile(engine::ComposeSettingsFile(options));
}

// One repetition of every figure; the tree is clean again at its end. The
// bare calls run the same course as the window just before it (customize,
// open at start-up, restore), so that both meet the files in the same state
// and the machine's drift falls on both alike.
// The engine's restore goes from the last target to the first, as the window
// does, and puts the tree back for the window's own run.
void EngineRestore(const std::vector<std::wstring>& targets, SizeResult& r) {
    size_t notRestored = 0;
    r.restore.engine.push_back(Timed([&] {
        for (auto it = targets.rbegin(); it != targets.rend(); ++it)
            if (engine::RestoreFolder(*it).outcome != engine::RestoreOutcome::Restored)
                ++notRestored;
    }));
    Expect(r, notRestored == 0,
           "the engine could not restore " + std::to_string(notRestored) + " folders");
}

// The journal's share of Apply: the same appends in the same batches to a
// journal of its own, timed apart from the folders' writes.
double TimedJournal(const std::vector<std::wstring>& targets, const std::wstring& app,
                    SizeResult& r) {
    constexpr size_t kBatch = 256; // as Apply batches
    const std::wstring path = engine::JournalPath(app + L"\\bench-list.txt");
    DeleteFileW(path.c_str());
    bool recorded = true;
    const double seconds = Timed([&] {
        engine::ListJournal journal(path);
        std::vector<std::wstring> batch;
        for (size_t i = 0; i < targets.size() && recorded; i += batch.size()) {
            batch.assign(targets.begin() + static_cast<std::ptrdiff_t>(i),
                         targets.begin() +
                             static_cast<std::ptrdiff_t>(std::min(targets.size(), i + kBatch)));
            recorded = journal.Append(batch);
        }
    });
    Expect(r, recorded, "the journal could not be written");
    DeleteFileW(path.c_str());
    return seconds;
}

void RunOnce(size_t size, SizeResult& r, const Options& options) {
    const std::wstring root = TreeRoot(size), app = AppFolder(size);
    ResetListFile(app);
    auto form = NewForm(app);
    Expect(r, form->Create(), "the window could not be created");
    Show(*form);

    size_t walked = 0;
    r.walk.floor.push_back(Timed([&] { walked = FloorWalk(root); }));
    Expect(r, walked == r.made, "the bare walk found " + std::to_string(walked) + " folders");
    if (options.looseFloors)
        r.walk.loose.push_back(r.walk.floor.back()); // the walk's floor did not change
    engine::SortedFolderList engineTargets;
    r.walk.engine.push_back(Timed([&] { engine::BuildTargetList(root, engineTargets); }));
    form->SetText(ui::TxtFolder, root);
    r.walk.real.push_back(
        TimedWithGaps(*form, r.walk, [&] { form->SetIncludeSubdirectories(true); }));
    std::vector<std::wstring> targets;
    targets.reserve(form->TargetList().Count());
    for (size_t i = 0; i < form->TargetList().Count(); ++i)
        targets.push_back(form->TargetList().At(i));
    r.targets = targets.size();
    Expect(r, engineTargets.Count() == targets.size(),
           "the engine's walk listed " + std::to_string(engineTargets.Count()) + " targets");

    const std::vector<std::uint8_t> ini = SettingsBytes();
    const std::vector<std::uint32_t> attributes = FolderAttributes(targets);
    r.apply.floor.push_back(Timed([&] { FloorApply(targets, attributes, ini); }));
    r.startup.floor.push_back(Timed([&] { FloorStartup(targets); }));
    r.restore.floor.push_back(Timed([&] { FloorRestore(targets); }));
    if (options.looseFloors) {
        r.apply.loose.push_back(Timed([&] { LooseFloorApply(targets, ini); }));
        r.startup.loose.push_back(Timed([&] { FloorStartup(targets); }));
        r.restore.loose.push_back(Timed([&] { LooseFloorRestore(targets); }));
    }

    // The engine alone: Apply's per-folder step, and start-up's load and prune
    // of a list file that holds every target.
    size_t refused = 0;
    r.apply.engine.push_back(Timed([&] {
        for (const auto& target : targets)
            if (!engine::CustomizeFolder(target, ini).customized)
                ++refused;
    }));
    Expect(r, refused == 0, "the engine could not customize " + std::to_string(refused));
    r.journal.push_back(TimedJournal(targets, app, r));
    const std::wstring engineList = app + L"\\engine-list.txt";
    {
        engine::SortedFolderList saved;
        saved.AddAll(targets);
        Expect(r, engine::SaveListToFile(saved, engineList), "the engine's list was not saved");
    }
    engine::SortedFolderList loaded;
    r.startup.engine.push_back(Timed([&] {
        engine::LoadListFromFile(loaded, engineList);
        engine::RemoveBlankItems(loaded);
        engine::PruneRestoreList(loaded);
    }));
    Expect(r, loaded.Count() == targets.size(), "the engine's start-up dropped folders");
    EngineRestore(targets, r);

    form->SetText(ui::TxtToolTip, L"Bench tooltip");
    r.apply.real.push_back(TimedWithGaps(*form, r.apply, [&] { form->Command1_Click(); }));
    Expect(r, form->Text(ui::txtChanging) == L"Folders Successfully Customized",
           "Apply ended with: " + Narrow(form->Text(ui::txtChanging)));
    Expect(r, Count(*form, ui::lblRestoreCount) == targets.size(),
           "the restore list does not hold every target after Apply");
    form.reset();
    platform::DoEvents();

    auto again = NewForm(app);
    r.startup.real.push_back(Timed([&] { again->Create(); }));
    Show(*again);
    Expect(r, Count(*again, ui::lblRestoreCount) == targets.size(),
           "start-up did not keep every customized folder");
    again->Command2_Click();
    platform::DoEvents();
    r.restore.real.push_back(TimedWithGaps(*again, r.restore, [&] {
        SendMessageW(again->Control(ui::chkSelect), BM_SETCHECK, BST_CHECKED, 0);
        again->chkSelect_Click();
        again->cmdRestore_Click();
    }));
    Expect(r, Count(*again, ui::lblRestoreCount) == 0, "Restore left folders in the list");
    again.reset();
    platform::DoEvents();
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

// Peak memory is a figure of the whole process, so it is taken in a process
// of its own that runs the window's operations once.
int MemoryChild(size_t size) {
    const std::wstring root = TreeRoot(size), app = AppFolder(size) + L"-memory";
    ResetListFile(app);
    auto form = NewForm(app);
    if (!form->Create())
        return 1;
    Show(*form);
    const size_t base = WorkingSet();
    form->SetText(ui::TxtFolder, root);
    form->SetIncludeSubdirectories(true);
    const size_t targets = form->TargetList().Count();
    form->SetText(ui::TxtToolTip, L"Bench tooltip");
    form->Command1_Click();
    form.reset();
    auto again = NewForm(app);
    again->Create();
    Show(*again);
    again->Command2_Click();
    SendMessageW(again->Control(ui::chkSelect), BM_SETCHECK, BST_CHECKED, 0);
    again->chkSelect_Click();
    again->cmdRestore_Click();
    again.reset();
    const std::string line = std::to_string(base) + " " + std::to_string(PeakWorkingSet()) + " " +
                             std::to_string(targets);
    return WriteFileText(TempFolder() + L"\\memory.txt", line) ? 0 : 1;
}

void MeasureMemory(size_t size, SizeResult& r) {
    const std::wstring resultFile = TempFolder() + L"\\memory.txt";
    DeleteFileW(resultFile.c_str());
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring command =
        L"\"" + std::wstring(exe) + L"\" --memory-child " + std::to_wstring(size);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(exe, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        r.problems.push_back("the memory run could not start");
        return;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    size_t targets = 0;
    if (std::sscanf(ReadFileText(resultFile).c_str(), "%zu %zu %zu", &r.memoryBase, &r.memoryPeak,
                    &targets) != 3)
        r.problems.push_back("the memory run gave no figures");
}

void PrintHeader(bool loose) {
    std::printf("\n%9s %9s %-8s %9s %10s %9s %9s %7s %7s %9s %9s", "folders", "targets", "figure",
                "window s", "folders/s", "engine s", "floor s", "win/fl", "eng/fl", "window-e",
                "gap ms");
    if (loose)
        std::printf(" %9s %7s", "loose s", "win/lo");
    std::printf("\n");
}

// The median of the repetitions' own ratios: a slow spell of the machine
// then weighs on one repetition, not on the figure.
double Ratio(const std::vector<double>& part, const std::vector<double>& whole) {
    std::vector<double> ratios;
    for (size_t i = 0; i < part.size() && i < whole.size(); ++i)
        if (whole[i] > 0)
            ratios.push_back(part[i] / whole[i]);
    return ratios.empty() ? 0.0 : Median(ratios);
}
double Ratio(const Figure& f) {
    return Ratio(f.real, f.floor);
}

// "-" for a figure that was not measured.
std::string Cell(const std::vector<double>& values, const char* format, double value) {
    if (values.empty())
        return "-";
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

double PerFolder(const Figure& f, const SizeResult& r) {
    const size_t n = &f == &r.walk ? r.made : r.targets;
    return n ? Median(f.real) / static_cast<double>(n) : 0;
}

void PrintRows(const SizeResult& r) {
    for (const Figure* f : {&r.walk, &r.apply, &r.startup, &r.restore}) {
        const double real = Median(f->real), floor = Median(f->floor);
        const size_t n = f == &r.walk ? r.made : r.targets;
        char gap[32] = "-";
        if (f->longestGapMs >= 0)
            std::snprintf(gap, sizeof gap, "%.1f", f->longestGapMs);
        const double engineSeconds = Median(f->engine);
        std::printf("%9zu %9zu %-8s %9.3f %10.0f %9s %9.3f %7.2f %7s %9s %9s", r.made, r.targets,
                    f->name, real, real > 0 ? static_cast<double>(n) / real : 0.0,
                    Cell(f->engine, "%.3f", engineSeconds).c_str(), floor, Ratio(*f),
                    Cell(f->engine, "%.2f", Ratio(f->engine, f->floor)).c_str(),
                    Cell(f->engine, "%.3f", real - engineSeconds).c_str(), gap);
        if (!f->loose.empty())
            std::printf(" %9.3f %7.2f", Median(f->loose), Ratio(f->real, f->loose));
        std::printf("\n");
    }
    if (!r.journal.empty()) {
        // Against Apply without it: the window's seconds less the journal's.
        std::vector<double> without;
        for (size_t i = 0; i < r.apply.real.size() && i < r.journal.size(); ++i)
            without.push_back(r.apply.real[i] - r.journal[i]);
        std::printf("%9zu %9zu %-8s %.3f s, %.2f %% of Apply without it\n", r.made, r.targets,
                    "journal", Median(r.journal), 100.0 * Ratio(r.journal, without));
    }
    if (r.memoryPeak) {
        const double perFolder =
            r.targets ? static_cast<double>(r.memoryPeak - std::min(r.memoryPeak, r.memoryBase)) /
                            static_cast<double>(r.targets)
                      : 0.0;
        std::printf("%9zu %9zu %-8s peak %.1f MB, idle window %.1f MB, %.0f bytes per target "
                    "folder above idle\n",
                    r.made, r.targets, "memory", r.memoryPeak / 1048576.0, r.memoryBase / 1048576.0,
                    perFolder);
    }
    for (const auto& problem : r.problems)
        std::printf("  problem: %s\n", problem.c_str());
    std::fflush(stdout);
}

void PrintClosing(const std::vector<SizeResult>& results) {
    std::printf("\n");
    const Figure SizeResult::*figures[] = {&SizeResult::walk, &SizeResult::apply,
                                           &SizeResult::startup, &SizeResult::restore};
    for (auto member : figures) {
        std::string line = std::string((results.front().*member).name) + ": window to floor";
        double worstGap = -1;
        for (const auto& r : results) {
            const Figure& f = r.*member;
            char part[96];
            std::snprintf(part, sizeof part, " %.2f at %zu,", Ratio(f), r.made);
            line += part;
            if (!f.engine.empty()) {
                line.pop_back();
                std::snprintf(part, sizeof part, " (engine %.2f),", Ratio(f.engine, f.floor));
                line += part;
            }
            worstGap = std::max(worstGap, f.longestGapMs);
        }
        line.pop_back();
        if (results.size() >= 2) {
            const auto& big = results.back();
            const auto& smaller = results[results.size() - 2];
            const double before = PerFolder(smaller.*member, smaller);
            char part[96];
            std::snprintf(part, sizeof part, "; time per folder at %zu is %.2f x that at %zu",
                          big.made, before > 0 ? PerFolder(big.*member, big) / before : 0.0,
                          smaller.made);
            line += part;
        }
        if (worstGap >= 0) {
            char part[64];
            std::snprintf(part, sizeof part, "; longest gap between yields %.1f ms", worstGap);
            line += part;
        }
        std::printf("%s\n", line.c_str());
    }
    std::printf("(ratios: the median of each repetition's own ratio; window-e: the window's "
                "seconds less the engine's)\n");
    for (const auto& r : results)
        if (r.memoryPeak && r.targets)
            std::printf("memory at %zu: %.0f bytes per target folder above the idle window "
                        "(%.0f bytes counting the whole process)\n",
                        r.made,
                        static_cast<double>(r.memoryPeak - std::min(r.memoryPeak, r.memoryBase)) /
                            static_cast<double>(r.targets),
                        static_cast<double>(r.memoryPeak) / static_cast<double>(r.targets));
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
        } else if (arg == L"--floor-variants") {
            options.variants = true;
        } else {
            return false;
        }
    }
    return !options.sizes.empty();
}

int Run(const Options& options) {
    CreateDirectoryW(TempFolder().c_str(), nullptr);
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
        if (options.memory)
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
    OleInitialize(nullptr);
    int status = 0;
    if (argc == 3 && std::wstring(argv[1]) == L"--memory-child") {
        status = bench::MemoryChild(std::wcstoul(argv[2], nullptr, 10));
    } else {
        bench::Options options;
        if (!bench::ParseOptions(argc, argv, options)) {
            std::fprintf(stderr, "usage: quillane-bench [--sizes 1000,20000,200000] [--reps 3] "
                                 "[--large-reps 1] [--no-memory] [--fresh] [--loose-floors] "
                                 "[--floor-variants]\n");
            status = 2;
        } else {
            status = bench::Run(options);
        }
    }
    OleUninitialize();
    return status;
}
