#include "ui/main/ScriptedApply.h"

#include "ui/common/FolderColour.h"
#include "ui/common/MessageBox.h"

#include "engine/CustomizeFolder.h"
#include "engine/FolderWalk.h"
#include "engine/RestoreFolder.h"
#include "engine/ListJournal.h"
#include "engine/RestoreRecord.h"
#include "platform/Files.h"
#include "platform/Handles.h"
#include "platform/Shell.h"
#include "platform/TextCodec.h"
#include "platform/TextCompare.h"
#include "ui/main/FolderSelection.h"
#include "ui/main/OperationHost.h"
#include "ui/main/OsVersion.h"
#include "ui/main/RestoreListKeeper.h"
#include "ui/main/ProgressWindow.h"
#include "ui/main/RestoreAll.h"
#include "ui/main/StandardText.h"
#include "ui/restore/RestoreView.h"

#include <shellapi.h>

#include <algorithm>
#include <climits>
#include <cwchar>
#include <new>

namespace ui {

namespace {

// The final message names this many folders that could not be customized;
// standard error names them all.
constexpr size_t kNamedInMessage = 10;

// Colours may be written as on the web, with a leading #.
std::wstring WithoutHash(const std::wstring& text) {
    return !text.empty() && text[0] == L'#' ? text.substr(1) : text;
}

// The file can be opened for reading: not a folder, not missing, not held.
bool Readable(const std::wstring& path, DWORD& error) {
    const platform::FileHandle file(CreateFileW(
        path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    error = file ? 0 : GetLastError();
    if (file && platform::IsDirectory(path))
        error = ERROR_ACCESS_DENIED;
    return error == 0;
}

std::wstring CannotReadText(const wchar_t* what, const std::wstring& path, DWORD error) {
    return std::wstring(what) + L" cannot be read: " + path + L"\r\n" + platform::ErrorText(error);
}

// "/icon FILE[,INDEX]": the file, and the index after the last comma when
// only digits follow it (a file name may hold a comma too).
std::wstring CheckIcon(const std::wstring& argument, engine::FolderOptions& options) {
    std::wstring file = argument;
    std::wstring index;
    const size_t comma = argument.rfind(L',');
    if (comma != std::wstring::npos && comma + 1 < argument.size() &&
        std::all_of(argument.begin() + static_cast<std::ptrdiff_t>(comma) + 1, argument.end(),
                    [](wchar_t c) { return c >= L'0' && c <= L'9'; })) {
        file = argument.substr(0, comma);
        index = argument.substr(comma + 1);
    }
    const std::wstring path = FullFolderPath(file);
    DWORD error = 0;
    if (path.empty() || !Readable(path, error))
        return CannotReadText(L"The icon file", file,
                              path.empty() ? DWORD(ERROR_FILE_NOT_FOUND) : error);
    const UINT count = ExtractIconExW(path.c_str(), -1, nullptr, nullptr, 0);
    if (count == 0)
        return L"The icon file holds no icons: " + path;
    const unsigned long value = index.size() > 5 ? ULONG_MAX : wcstoul(index.c_str(), nullptr, 10);
    if (value >= count || value > SHRT_MAX)
        return L"The icon file holds " + std::to_wstring(count) + L" icons, numbered from 0 to " +
               std::to_wstring(count - 1) + L": there is no icon " + index + L" in " + path;
    options.iconFile = path;
    options.iconIndex = static_cast<std::int16_t>(value);
    return {};
}

std::wstring ColourProblem(const std::wstring& argument) {
    std::wstring names;
    for (const engine::ColourPreset& preset : engine::ColourPresets())
        names += std::wstring(names.empty() ? L"" : L", ") + preset.name;
    return L"/colour takes a colour's name (" + names +
           L") or six hexadecimal digits, red, green and blue, such as 1E90FF: not \"" + argument +
           L"\"";
}

std::wstring MarkProblem(const std::wstring& argument) {
    std::wstring names;
    for (const engine::MarkInfo& mark : engine::FolderMarks())
        names += std::wstring(names.empty() ? L"" : L", ") + mark.name;
    return L"/mark takes a mark's name (" + names + L") or none: not \"" + argument + L"\"";
}

std::wstring CheckFolder(const std::wstring& argument, bool root, std::wstring& folder) {
    folder = NormalizeFolderArgument(argument);
    if (folder.empty())
        return L"Folder not found: " + argument;
    if (!OnHardDrive(folder))
        return NotAHardDriveText(folder);
    if (engine::IsLinkedFolder(folder))
        return LinkedFolderText(folder);
    if (IsDriveRoot(folder) && !root)
        return folder + L" is the root of a drive. Add /root to customize it (with /subfolders, "
                        L"every folder of the drive).";
    return {};
}

std::wstring Check(const ApplyArguments& arguments, bool pictureFeature, CheckedApply& checked) {
    if (arguments.folders.empty())
        return L"Name a folder to customize: quillane.exe /apply FOLDER... with /icon, /colour, "
               L"/tip, /textcolour, /textbackground or /picture.";
    for (const auto& argument : arguments.folders) {
        std::wstring folder;
        std::wstring problem = CheckFolder(argument, arguments.root, folder);
        if (!problem.empty())
            return problem;
        checked.folders.push_back(std::move(folder));
    }
    engine::FolderOptions& options = checked.options;
    if (!arguments.colour.empty()) {
        // Both would name the folders' one icon.
        if (!arguments.icon.empty())
            return L"/colour and /icon both choose the folders' icon: give only one of them.";
        if (!ColourChoice(arguments.colour, checked.colour))
            return ColourProblem(arguments.colour);
        checked.coloured = true;
    }
    if (!arguments.mark.empty()) {
        // A mark is drawn on the generated folder icon, never on an icon file.
        if (!arguments.icon.empty())
            return L"/mark and /icon both choose the folders' icon: give only one of them.";
        if (!engine::FindFolderMark(arguments.mark, checked.mark))
            return MarkProblem(arguments.mark);
        checked.marked = true;
    }
    if (!arguments.icon.empty()) {
        std::wstring problem = CheckIcon(arguments.icon, options);
        if (!problem.empty())
            return problem;
    }
    options.tooltip = arguments.tip;
    const struct {
        const std::wstring& given;
        const wchar_t* name;
        std::wstring& hex;
    } colours[] = {{arguments.textColour, L"/textcolour", options.textColor},
                   {arguments.textBackground, L"/textbackground", options.textBackground}};
    for (const auto& colour : colours) {
        if (colour.given.empty())
            continue;
        colour.hex = ColourArgument(colour.given);
        if (colour.hex.empty())
            return std::wstring(colour.name) +
                   L" takes a colour as six hexadecimal digits, red, "
                   L"green and blue, such as FF0000 for red: not \"" +
                   colour.given + L"\"";
    }
    if (!arguments.picture.empty()) {
        // The window's own words for the same refusal.
        if (!pictureFeature)
            return L"Background picture feature requires Windows XP";
        const std::wstring path = FullFolderPath(arguments.picture);
        DWORD error = ERROR_FILE_NOT_FOUND;
        if (path.empty() || !Readable(path, error))
            return CannotReadText(L"The picture", arguments.picture, error);
        options.picturePath = path;
    }
    const bool looked = checked.coloured || checked.marked;
    if (!options.AnyChosen() && !looked)
        return L"Please select at least one of the Folder options: /icon, /colour, /mark, /tip, "
               L"/textcolour, /textbackground or /picture.";
    checked.keepRest = looked && !options.AnyChosen();
    return {};
}

// Standard error where the caller gave one; false when there is none.
bool ToStandardError(const std::wstring& text) {
    const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    return UsableHandle(error) && WriteText(error, text + L"\r\n");
}

// Removes a folder given twice.
void RemoveRepeats(engine::SortedFolderList& targets) {
    std::wstring after;
    bool seen = false;
    targets.RemoveWhere([&](const std::wstring& folder) {
        const bool repeat = seen && platform::CompareNoCase(folder, after) == 0;
        after = folder;
        seen = true;
        return repeat;
    });
}

// Every folder the run changes: the given ones, or with /subfolders the
// walk's target list of them all (drive roots themselves left out, exclusions
// removed, linked folders passed over and counted), as one list in ascending
// order.
void BuildTargets(const CheckedApply& checked, bool subfolders, engine::SortedFolderList& targets,
                  const engine::WalkProgress& progress, size_t& passedOver) {
    passedOver = 0;
    if (subfolders) {
        engine::BuildTargetList(checked.folders, targets, progress, &passedOver);
        return;
    }
    targets.AddAll(checked.folders);
    RemoveRepeats(targets);
}

struct Outcome {
    size_t count = 0;
    std::vector<std::wstring> failed; // "folder: reason"
    bool writing = false;             // a folder may have been changed
};

// The generated icon file of each look a run needs, found or written once.
class LookFiles {
  public:
    // False, with the system's error, where the look's file could not be made.
    bool FileFor(const engine::IconLook& look, std::wstring& path) {
        for (const Made& made : made_)
            if (made.look == look) {
                path = made.path;
                SetLastError(made.error);
                return made.error == 0;
            }
        engine::SharedIcon icon;
        const bool placed = FolderIconFile(look, icon);
        made_.push_back({look, icon.path, placed ? 0 : GetLastError()});
        if (placed && icon.perUser && perUserNote.empty())
            perUserNote = L"The folder icons that every account shares cannot be written in " +
                          SharedIconFolder() + L" (" + platform::ErrorText(icon.sharedError) +
                          L"), so the " + (look.colour ? L"coloured" : L"marked") +
                          L" icon is kept where only you find it: " + icon.path;
        path = icon.path;
        SetLastError(made_.back().error);
        return placed;
    }
    // Said once a run, where only the per-user place took a file.
    std::wstring perUserNote;

  private:
    struct Made {
        engine::IconLook look;
        std::wstring path;
        DWORD error = 0;
    };
    std::vector<Made> made_;
};

// What a run changes in the record, taken in at its end.
struct RunRecord {
    engine::SortedFolderList& record;
    std::vector<std::wstring> added;
    platform::FolderSet removed;
    void Keep(const std::wstring& folder) {
        if (!record.Contains(folder))
            added.push_back(folder);
    }
};

// A look that came out plain with nothing else left: the folder is put back
// and its entry fares as after the restore view's Restore.
void RestoreInstead(const std::wstring& folder, RunRecord& run, platform::FolderNotices& notices,
                    Outcome& outcome) {
    const engine::RestoreResult result = engine::RestoreFolder(folder);
    if (ChangedFolder(result.outcome))
        notices.Changed(folder);
    switch (engine::FateAfter(result)) {
    case engine::EntryFate::Leaves:
        run.removed.insert(folder);
        break;
    case engine::EntryFate::Stays:
        outcome.failed.push_back(NotRestoredText(folder, result));
        run.Keep(folder);
        break;
    case engine::EntryFate::ToPruner:
        // Nothing to undo: only proof takes it off the record.
        if (engine::ClaimOf(folder) == engine::Claim::NotOurs) {
            run.removed.insert(folder);
        } else {
            outcome.failed.push_back(NotLookedAtText(folder));
            run.Keep(folder);
        }
        break;
    }
}

// One folder of the run: its settings written, or with the keep rule its
// own settings kept, or where nothing is left, put back.
void ChangeFolder(const std::wstring& target, const std::vector<std::uint8_t>& settingsFile,
                  const CheckedApply& checked, LookFiles& files, RunRecord& run,
                  platform::FolderNotices& notices, Outcome& outcome) {
    engine::CustomizeResult result;
    if (!checked.keepRest) {
        result = engine::CustomizeFolder(target, settingsFile);
    } else {
        engine::IconLook look;
        engine::FolderOptions options = KeptSettings(target, checked, look);
        if (!look.Plain()) {
            options.iconIndex = 0;
            if (!files.FileFor(look, options.iconFile)) {
                outcome.failed.push_back(target + L": " + platform::ErrorText(GetLastError()));
                return;
            }
        }
        if (!options.AnyChosen()) {
            RestoreInstead(target, run, notices, outcome);
            return;
        }
        result = engine::CustomizeFolder(target, options);
    }
    if (result.customized)
        notices.Changed(target);
    else
        outcome.failed.push_back(target + L": " + platform::ErrorText(result.error));
    // Only a folder that holds our file, or the user's set aside, can be restored.
    if (result.customized || result.backupLeft)
        run.Keep(target);
}

// Journal, customize and record, as the window's Apply in list mode: each
// batch of folders is in the journal before the first of them is written.
void CustomizeAll(const engine::SortedFolderList& targets, const CheckedApply& checked,
                  const engine::FolderOptions& options, LookFiles& files,
                  engine::RestoreRecord& store, engine::SortedFolderList& record,
                  ProgressWindow* window, Outcome& outcome) {
    const std::vector<std::uint8_t> settingsFile =
        platform::EncodeTextFile(engine::ComposeSettingsFile(options));
    engine::ListJournal journal(engine::JournalPath(store.ListFile()));
    RunRecord run{record, {}, {}};
    const size_t count = targets.Count();
    platform::FolderNotices notices = platform::FolderNotices::ForRun(count);
    outcome.count = count;
    size_t journaled = 0;
    size_t batchSize = engine::kFirstJournalBatch;
    for (size_t i = 0; i < count; ++i) {
        if (i == journaled) {
            const size_t batch = std::min(batchSize, count - i);
            journaled = i + batch;
            batchSize = engine::NextJournalBatch(batchSize);
            if (!journal.Append(targets, i, batch)) {
                // No record, no write: these folders could not be restored.
                const std::wstring reason = L": " + platform::ErrorText(GetLastError());
                for (; i < count; ++i)
                    outcome.failed.push_back(targets.At(i) + reason);
                break;
            }
        }
        outcome.writing = true;
        const std::wstring target = targets.At(i);
        if (window)
            window->Progress(L"Changing " + target);
        ChangeFolder(target, settingsFile, checked, files, run, notices, outcome);
    }
    journal.Close();
    if (!run.removed.empty())
        record.RemoveWhere(
            [&run](const std::wstring& folder) { return run.removed.contains(folder); });
    record.AddAll(run.added);
}

std::wstring FailedNames(const std::vector<std::wstring>& failed, size_t most) {
    std::wstring text;
    for (size_t i = 0; i < failed.size() && i < most; ++i)
        text += L"\r\n" + failed[i];
    if (failed.size() > most)
        text += L"\r\n... and " + std::to_wstring(failed.size() - most) + L" more";
    return text;
}

int Run(const ApplyArguments& arguments, const std::wstring& appFolder,
        const std::wstring& perUserRoot, bool quiet, unsigned long waitMs, Outcome& outcome) {
    const int version = OsVersion();
    if (version == 9) {
        Tell(L"Quillane is not compatible with Vista    ", quiet);
        return kApplyNothingDone;
    }
    const CheckedApply checked = CheckApplyArguments(arguments, version == 7 || version == 8);
    if (!checked.problem.empty()) {
        Tell(checked.problem, quiet);
        return kApplyNothingDone;
    }
    engine::RestoreRecord store(appFolder, perUserRoot);
    const auto cannotRecord = [quiet](DWORD error) {
        Tell(L"Changes to folders cannot be recorded, so no folder will be changed: " +
                 platform::ErrorText(error),
             quiet);
        return kApplyNothingDone;
    };
    if (!store.CanRecord())
        return cannotRecord(store.Error());
    ProgressWindow window(kApplyWindowClass);
    ProgressWindow* shown = !quiet && window.Create() ? &window : nullptr;
    engine::OperationLock operation;
    if (shown)
        shown->Progress(L"Waiting for another copy of Quillane to finish");
    if (!operation.Take(store.LockFile(), waitMs, [shown] {
            if (shown)
                shown->Progress(L"Waiting for another copy of Quillane to finish");
            return true;
        })) {
        const DWORD error = GetLastError();
        if (error != ERROR_LOCK_VIOLATION)
            return cannotRecord(error);
        Tell(kAnotherCopyBusyText, quiet);
        return kApplyBusy;
    }
    // No record, no write: the whole record is read before any folder changes.
    store.CreateIfMissing();
    engine::SortedFolderList record;
    if (!RestoreListKeeper::LoadWhole(store, record)) {
        Tell(L"The restore list could not be read, so no folder will be changed: " +
                 platform::ErrorText(GetLastError()),
             quiet);
        return kApplyNothingDone;
    }
    if (!store.CanRecord())
        return cannotRecord(store.Error());

    engine::FolderOptions options = checked.options;
    LookFiles files;
    // One file for the whole run, however many folders name it; with the
    // keep rule, the look of every folder without a file of ours.
    if (!checked.Look().Plain()) {
        options.iconIndex = 0;
        if (!files.FileFor(checked.Look(), options.iconFile)) {
            Tell(L"The folder icon could not be made, so no folder will be changed: " +
                     platform::ErrorText(GetLastError()),
                 quiet);
            return kApplyNothingDone;
        }
    }

    engine::SortedFolderList targets;
    engine::WalkProgress walk;
    if (shown)
        walk.found = [shown](const std::wstring& path) { shown->Progress(path); };
    size_t passedOver = 0;
    BuildTargets(checked, arguments.subfolders, targets, walk, passedOver);
    CustomizeAll(targets, checked, options, files, store, record, shown, outcome);
    platform::NotifyShellOfChanges();
    const bool saved = RestoreListKeeper::SaveWhole(store, record);
    const DWORD saveError = GetLastError();

    bool named = outcome.failed.empty();
    if (!named) {
        std::wstring lines = outcome.failed.front();
        for (size_t i = 1; i < outcome.failed.size(); ++i)
            lines += L"\r\n" + outcome.failed[i];
        named = ToStandardError(lines);
    }
    std::wstring text = OutcomeText(L"Folders Successfully Customized", L"Folders Customized",
                                    outcome.count, outcome.failed.size(), L"could not be changed");
    if (passedOver > 0) {
        ToStandardError(PassedOverText(passedOver));
        text += L" (" + PassedOverText(passedOver) + L")";
    }
    if (!named)
        text += FailedNames(outcome.failed, kNamedInMessage);
    if (!files.perUserNote.empty()) {
        ToStandardError(files.perUserNote);
        text += L"\r\n\r\n" + files.perUserNote;
    }
    if (!saved) {
        // The journal stays beside the list: the next start records these folders.
        const std::wstring notSaved =
            L"The restore list could not be saved: " + platform::ErrorText(saveError);
        ToStandardError(notSaved);
        text += L"\r\n\r\n" + notSaved;
    }
    const bool allDone = saved && outcome.failed.empty();
    if (shown)
        shown->Finish(text, allDone ? MB_ICONINFORMATION : MB_ICONEXCLAMATION);
    return allDone ? kApplyDone : kApplySomeLeft;
}

} // namespace

void Tell(const std::wstring& text, bool quiet) {
    ToStandardError(text);
    if (!quiet)
        ShowMessage(nullptr, text);
}

std::wstring ColourArgument(const std::wstring& rrggbb) {
    engine::Colour colour;
    if (!engine::ParseColourText(WithoutHash(rrggbb), colour))
        return {};
    // The settings file keeps the system's order, blue first.
    return engine::ColorToHex(
        static_cast<std::int32_t>(RGB(colour.red, colour.green, colour.blue)));
}

bool ColourChoice(const std::wstring& argument, engine::Colour& colour) {
    if (const engine::ColourPreset* preset = engine::FindColourPreset(argument)) {
        colour = preset->colour;
        return true;
    }
    return engine::ParseColourText(WithoutHash(argument), colour);
}

engine::IconLook CheckedApply::Look() const {
    engine::IconLook look;
    if (coloured)
        look.colour = colour;
    look.mark = mark;
    return look;
}

engine::FolderOptions KeptSettings(const std::wstring& folder, const CheckedApply& checked,
                                   engine::IconLook& look) {
    look = checked.Look();
    engine::FolderOptions kept;
    if (!engine::ReadOwnSettings(folder, kept))
        return {};
    engine::IconLook was;
    const bool generated =
        !kept.iconFile.empty() && engine::LookFromIconFileName(kept.iconFile, was);
    if (generated) {
        if (!checked.coloured)
            look.colour = was.colour;
        if (!checked.marked)
            look.mark = was.mark;
    }
    // A custom icon stays only where no look is drawn in its place.
    if (generated || !look.Plain()) {
        kept.iconFile.clear();
        kept.iconIndex = 0;
    }
    return kept;
}

CheckedApply CheckApplyArguments(const ApplyArguments& arguments, bool pictureFeature) {
    CheckedApply checked;
    checked.problem = Check(arguments, pictureFeature, checked);
    return checked;
}

int RunScriptedApply(const ApplyArguments& arguments, const std::wstring& appFolder,
                     const std::wstring& perUserRoot, bool quiet, unsigned long waitMs) {
    Outcome outcome;
    DWORD error = ERROR_INTERNAL_ERROR;
    try {
        return Run(arguments, appFolder, perUserRoot, quiet, waitMs, outcome);
    } catch (const std::bad_alloc&) {
        error = ERROR_NOT_ENOUGH_MEMORY;
    } catch (...) {
    }
    // The journal keeps whatever was written restorable.
    Tell(L"The folders could not be customized: " + platform::ErrorText(error), quiet);
    return outcome.writing ? kApplySomeLeft : kApplyNothingDone;
}

unsigned long OperationWaitMs() {
#ifndef NDEBUG
    wchar_t value[16] = {};
    const DWORD length = GetEnvironmentVariableW(L"QUILLANE_OPERATION_WAIT_MS", value, 16);
    if (length != 0 && length < 16)
        return wcstoul(value, nullptr, 10);
#endif
    return engine::kOperationLockWaitMs;
}

} // namespace ui
