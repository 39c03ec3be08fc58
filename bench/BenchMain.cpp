// quillane-bench: builds folder trees of the given sizes and times the main
// window's walk, Apply, start-up and Restore, the engine's share of them
// without a window, and their floors.
#include "bench/Floors.h"
#include "bench/IconFigures.h"
#include "bench/ListFigures.h"
#include "bench/Measure.h"
#include "bench/Report.h"
#include "bench/Tree.h"
#include "engine/FolderList.h"
#include "engine/FolderWalk.h"
#include "engine/ListFile.h"
#include "engine/ListJournal.h"
#include "engine/RestoreFolder.h"
#include "engine/CustomizeFolder.h"
#include "engine/TintedIcon.h"
#include "platform/Ole.h"
#include "platform/Shell.h"
#include "platform/TextCodec.h"
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
    int reps = 3;
    int largeReps = 0; // repetitions for trees of 100,000 folders and more; 0: reps
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

// Where the memory goes: " step:working set:peak" after a step.
void AddMemoryPhase(std::string& phases, const char* name) {
    phases += std::string(" ") + name + ":" + std::to_string(WorkingSet()) + ":" +
              std::to_string(PeakWorkingSet());
}

void ResetListFile(const std::wstring& app) {
    CreateDirectoryW(app.c_str(), nullptr);
    WriteFileText(app + L"\\Fldr.dll", "\r\n");
}

std::unique_ptr<ui::Form1> NewForm(const std::wstring& app) {
    return std::make_unique<ui::Form1>(app, [] { return 7; }); // Windows XP
}

// Each message is a turn of the loop, as in the program's own message loop:
// the gap meter sees every one.
void RunTurn(ui::Form1& form, MSG& msg) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
    if (form.pumpObserver)
        form.pumpObserver();
}

void Show(ui::Form1& form) {
    ShowWindow(form.hwnd(), SW_SHOW);
    UpdateWindow(form.hwnd());
    MSG msg;
    while (form.hwnd() && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        RunTurn(form, msg);
    }
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

// An operation ends when the window is ready for the next one: the busy
// lock comes off a part at a time on turns of the message loop after the
// handler returns.
void WaitUntilIdle(ui::Form1& form) {
    MSG msg;
    while (form.hwnd() && form.Busy() && GetMessageW(&msg, nullptr, 0, 0) > 0)
        RunTurn(form, msg);
}

template <typename Action>
double TimedWithGaps(ui::Form1& form, Figure& figure, Action&& action,
                     bool fromFirstYield = false) {
    GapMeter gaps(fromFirstYield);
    form.pumpObserver = [&gaps] { gaps.OnYield(); };
    gaps.Start();
    const double seconds = Timed([&] {
        action();
        WaitUntilIdle(form);
    });
    gaps.Stop();
    form.pumpObserver = nullptr;
    if (gaps.LongestMs() > figure.longestGapMs) {
        figure.longestGapMs = gaps.LongestMs();
        figure.gapPlace = "after yield " + std::to_string(gaps.LongestAfterYields()) + " of " +
                          std::to_string(gaps.Yields()) + ", ending " +
                          std::to_string(gaps.LongestEndSeconds()) + " s into " +
                          std::to_string(seconds) + " s";
        if (fromFirstYield)
            figure.gapPlace += "; the window first answered " +
                               std::to_string(gaps.FirstYieldMs()) + " ms after its creation began";
    }
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
    const std::wstring path = engine::JournalPath(app + L"\\bench-list.txt");
    DeleteFileW(path.c_str());
    bool recorded = true;
    const double seconds = Timed([&] {
        engine::ListJournal journal(path);
        std::vector<std::wstring> batch;
        size_t size = engine::kFirstJournalBatch; // as Apply batches
        for (size_t i = 0; i < targets.size() && recorded; i += batch.size()) {
            batch.assign(targets.begin() + static_cast<std::ptrdiff_t>(i),
                         targets.begin() +
                             static_cast<std::ptrdiff_t>(std::min(targets.size(), i + size)));
            size = engine::NextJournalBatch(size);
            recorded = journal.Append(batch);
        }
    });
    Expect(r, recorded, "the journal could not be written");
    DeleteFileW(path.c_str());
    return seconds;
}

// What one of the shell's per-folder notices costs, timed apart on the first
// targets: Apply sends as many as fit its share of the run.
double SecondsPerNotice(const std::vector<std::wstring>& targets) {
    const size_t n = std::min<size_t>(targets.size(), 500);
    const double seconds = Timed([&] {
        for (size_t i = 0; i < n; ++i)
            platform::NotifyFolderChanged(targets[i]);
    });
    return n ? seconds / static_cast<double>(n) : 0;
}

// Times a floor and keeps its longest single folder.
template <typename Action> double TimedFloor(Figure& figure, Action&& action) {
    TakeLongestFloorStepMs();
    const double seconds = Timed(std::forward<Action>(action));
    figure.floorStepMs = std::max(figure.floorStepMs, TakeLongestFloorStepMs());
    return seconds;
}

// The floors and the engine alone on the tree the window walked; the tree is
// clean again at the end, for the window's own run.
void RunFloorsAndEngine(const std::vector<std::wstring>& targets, const std::wstring& app,
                        SizeResult& r, const Options& options) {
    const std::vector<std::uint8_t> ini = SettingsBytes();
    const std::vector<std::uint32_t> attributes = FolderAttributes(targets);
    r.apply.floor.push_back(TimedFloor(r.apply, [&] { FloorApply(targets, attributes, ini); }));
    r.startup.floor.push_back(TimedFloor(r.startup, [&] { FloorStartup(targets); }));
    r.restore.floor.push_back(TimedFloor(r.restore, [&] { FloorRestore(targets); }));
    if (options.looseFloors) {
        r.apply.loose.push_back(Timed([&] { LooseFloorApply(targets, ini); }));
        r.startup.loose.push_back(Timed([&] { LooseFloorStartup(targets); }));
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
    r.secondsPerNotice.push_back(SecondsPerNotice(targets));
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
}

std::wstring ProgramFolder() {
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring folder = exe;
    folder.resize(folder.find_last_of(L'\\')); // bench\quillane-bench.exe
    folder.resize(folder.find_last_of(L'\\'));
    return folder;
}

DWORD RunAndWait(const std::wstring& program, std::wstring command) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process))
        return static_cast<DWORD>(-1);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = static_cast<DWORD>(-1);
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

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
        RunFloorsAndEngine(targets, app, r, options);
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

// Peak memory is a figure of the whole process, so it is taken in a process
// of its own that runs the window's operations once.
int MemoryChild(size_t size) {
    const std::wstring root = TreeRoot(size), app = AppFolder(size) + L"-memory";
    ResetListFile(app);
    auto form = NewForm(app);
    if (!form->Create())
        return 1;
    Show(*form);
    form->WaitForList();
    const size_t base = WorkingSet();
    std::string phases;
    const auto phase = [&phases](const char* name) { AddMemoryPhase(phases, name); };
    form->SetText(ui::TxtFolder, root);
    form->folderSelection().SetIncludeSubdirectories(true);
    const size_t targets = form->TargetList().Count();
    phase("walk");
    form->SetText(ui::TxtToolTip, L"Bench tooltip");
    form->apply().Command1_Click();
    phase("apply");
    form.reset();
    phase("closed");
    auto again = NewForm(app);
    again->Create();
    Show(*again);
    again->WaitForList();
    phase("start-up");
    again->restoreView().Command2_Click();
    SendMessageW(again->Control(ui::chkSelect), BM_SETCHECK, BST_CHECKED, 0);
    again->restoreView().chkSelect_Click();
    again->restoreView().cmdRestore_Click();
    phase("restore");
    again.reset();
    const std::string line = std::to_string(base) + " " + std::to_string(PeakWorkingSet()) + " " +
                             std::to_string(targets) + phases;
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
        r.problems.emplace_back("the memory run could not start");
        return;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    const std::string text = ReadFileText(resultFile);
    size_t targets = 0;
    int used = 0;
    if (std::sscanf(text.c_str(), "%zu %zu %zu%n", &r.memoryBase, &r.memoryPeak, &targets, &used) !=
        3) {
        r.problems.emplace_back("the memory run gave no figures");
        return;
    }
    r.memoryPhases = text.substr(static_cast<size_t>(used));
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
                         "usage: quillane-bench [--sizes 1000,20000,200000] [--reps 3] "
                         "[--large-reps 1] [--no-memory] [--fresh] [--loose-floors] "
                         "[--floor-variants] [--window-only] [--list-figures MiB] [--icon-figures] "
                         "[--scripted] [--icon FILE | --colour NAME|RRGGBB]\n");
            status = 2;
        } else {
            status = bench::Run(options);
        }
    }
    return status;
}
