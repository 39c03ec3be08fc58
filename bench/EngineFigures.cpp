#include "bench/EngineFigures.h"

#include "bench/Floors.h"
#include "bench/Measure.h"
#include "engine/CustomizeFolder.h"
#include "engine/FolderList.h"
#include "engine/ListFile.h"
#include "engine/ListJournal.h"
#include "engine/RestoreFolder.h"
#include "engine/SettingsFile.h"
#include "platform/Shell.h"
#include "platform/TextCodec.h"

#include <algorithm>

namespace bench {

std::vector<std::uint8_t> SettingsBytes() {
    engine::FolderOptions options;
    options.tooltip = L"Bench tooltip";
    return platform::EncodeTextFile(engine::ComposeSettingsFile(options));
}

namespace {
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

} // namespace

double TimedFloor(Figure& figure, const std::function<void()>& action) {
    TakeLongestFloorStepMs();
    const double seconds = Timed(action);
    figure.floorStepMs = std::max(figure.floorStepMs, TakeLongestFloorStepMs());
    return seconds;
}

void RunFloorsAndEngine(const std::vector<std::wstring>& targets, const std::wstring& app,
                        SizeResult& r, bool looseFloors) {
    const std::vector<std::uint8_t> ini = SettingsBytes();
    const std::vector<std::uint32_t> attributes = FolderAttributes(targets);
    r.apply.floor.push_back(TimedFloor(r.apply, [&] { FloorApply(targets, attributes, ini); }));
    r.startup.floor.push_back(TimedFloor(r.startup, [&] { FloorStartup(targets); }));
    r.restore.floor.push_back(TimedFloor(r.restore, [&] { FloorRestore(targets); }));
    if (looseFloors) {
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

} // namespace bench
