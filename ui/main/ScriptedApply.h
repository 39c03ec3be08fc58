#pragma once
// quillane.exe /apply: the window's Apply for the folders named on the
// command line, without the main window, for scripts and deployment tools.
#include "engine/FolderMark.h"
#include "engine/OperationLock.h"
#include "engine/SettingsFile.h"
#include "engine/TintedIcon.h"
#include "ui/main/CommandLine.h"

#include <string>
#include <vector>

namespace ui {

// The exit codes of /apply, in the style of /restore-all's.
enum ApplyExit : int {
    kApplyDone = 0,        // every folder was customized
    kApplySomeLeft = 1,    // some could not be; they are named
    kApplyNothingDone = 2, // bad arguments, or the list cannot be read or recorded
    kApplyBusy = 3         // another copy ran an operation all through the wait
};

// The progress window of /apply.
inline constexpr wchar_t kApplyWindowClass[] = L"QuillaneApply";

// The arguments checked as the window checks a choice: the settings the
// folders get and the folders themselves (full paths), or the problem.
struct CheckedApply {
    engine::FolderOptions options;
    std::vector<std::wstring> folders;
    std::wstring problem; // empty when the run may start
    // /colour and /mark: the icon is the generated file of their look, found
    // or written only once the run may change folders.
    bool coloured = false;
    engine::Colour colour;
    bool marked = false;
    engine::FolderMark mark = engine::FolderMark::None;
    // Only /colour and/or /mark: a folder that holds the program's own file
    // keeps the rest of it and the half of the look not given.
    bool keepRest = false;
    // The look given: what a folder without a file of ours gets.
    engine::IconLook Look() const;
};
// pictureFeature: whether this Windows offers background pictures (the
// window's rule, see Form1::AdaptToOSVersion).
CheckedApply CheckApplyArguments(const ApplyArguments& arguments, bool pictureFeature);

// "RRGGBB" (a leading # allowed) as the settings file's ColorToHex text;
// empty when it is not six hex digits.
std::wstring ColourArgument(const std::wstring& rrggbb);

// "/colour NAME|RRGGBB": a preset's name in any letter case, or red, green
// and blue as six hex digits (a leading # allowed). False for anything else.
bool ColourChoice(const std::wstring& argument, engine::Colour& colour);

// A folder's settings when only /colour and/or /mark were given (keepRest).
// A folder that holds the program's own file keeps its tooltip, caption
// colours and picture, and the half of its generated icon's look that was
// not given; a custom icon takes a mark on the plain folder or gives way to a
// colour, and stays where the look comes out plain. Any other folder gets
// the look alone. look: the icon to generate (Plain: none, the icon file in
// options is kept or empty). options without AnyChosen: the folder is to be
// restored.
engine::FolderOptions KeptSettings(const std::wstring& folder, const CheckedApply& checked,
                                   engine::IconLook& look);

// The whole run; returns the exit code. waitMs: how long another copy's
// operation is waited for.
int RunScriptedApply(const ApplyArguments& arguments, const std::wstring& appFolder,
                     const std::wstring& perUserRoot, bool quiet,
                     unsigned long waitMs = engine::kOperationLockWaitMs);

// A problem that ends the run: to standard error where there is one, and in
// a message box unless quiet.
void Tell(const std::wstring& text, bool quiet);

// kOperationLockWaitMs; in a Debug build, QUILLANE_OPERATION_WAIT_MS in the
// environment may shorten it, so that a test need not wait it out.
unsigned long OperationWaitMs();

} // namespace ui
