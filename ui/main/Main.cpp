#include "platform/AllocationFaults.h"
#include "platform/Ole.h"
#include "platform/Shell.h"
#include "platform/Window.h"
#include "ui/about/frmAbout.h"
#include "ui/common/FolderColour.h"
#include "ui/common/MessageBox.h"
#include "ui/main/CommandLine.h"
#include "ui/main/Form1.h"
#include "ui/main/ListCommand.h"
#include "ui/main/RestoreAll.h"
#include "ui/main/ScriptedApply.h"
#include "ui/main/SingleInstance.h"

#include <commctrl.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show) {
    // Debug builds only: a test makes this run out of memory at a chosen point.
    platform::FailAllocationFromEnvironment();
    ui::ProgramCommand command = ui::ParseCommandLine(GetCommandLineW());
    ui::TakeResponseFiles(command);
    const bool counting = command.mode == ui::ProgramMode::CountCustomized ||
                          command.mode == ui::ProgramMode::CountAccounts;
    const bool sharedIcons = command.mode == ui::ProgramMode::PrepareSharedIcons ||
                             command.mode == ui::ProgramMode::RemoveSharedIcons;
    if (!command.refused.empty()) {
        // A count is read by a program: it shows nothing and is unknown.
        if (counting)
            return ui::kCountUnreadable;
        // Setup reads the exit code and shows nothing.
        if (sharedIcons)
            return ui::kRestoreAllListFailed;
        if (command.mode == ui::ProgramMode::Apply || command.mode == ui::ProgramMode::Restore)
            ui::Tell(ui::RefusedCommandText(command), command.quiet);
        else if (!command.quiet)
            ui::ShowMessage(nullptr, ui::RefusedCommandText(command));
        return ui::kRestoreAllListFailed;
    }
    // Only reads: the uninstaller asks before it knows whether a copy runs.
    if (sharedIcons) {
        std::wstring problem;
        const bool done = command.mode == ui::ProgramMode::PrepareSharedIcons
                              ? ui::PrepareSharedIconFolder(problem)
                              : ui::RemoveSharedIconFiles(problem);
        if (!done)
            ui::Tell(problem, true);
        return done ? 0 : 1;
    }
    if (command.mode == ui::ProgramMode::CountCustomized)
        return ui::CountCustomized(platform::ExecutableFolder(), platform::LocalAppDataFolder(),
                                   command.allUsers);
    if (command.mode == ui::ProgramMode::CountAccounts)
        return ui::CountAccounts(platform::ExecutableFolder(), platform::LocalAppDataFolder());
    if (command.mode == ui::ProgramMode::List)
        return ui::PrintRecord(platform::ExecutableFolder(), platform::LocalAppDataFolder(),
                               command.allUsers, command.quiet);
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    // Beside a running window: the record's saves merge, and the operation
    // lock keeps two runs that change folders apart.
    if (command.mode == ui::ProgramMode::Apply) {
        InitCommonControlsEx(&icc);
        return ui::RunScriptedApply(command.apply, platform::ExecutableFolder(),
                                    platform::LocalAppDataFolder(), command.quiet,
                                    ui::OperationWaitMs());
    }
    if (command.mode == ui::ProgramMode::Restore) {
        InitCommonControlsEx(&icc);
        return ui::RunRestoreFolders(command.folders, command.subfolders,
                                     platform::ExecutableFolder(), platform::LocalAppDataFolder(),
                                     command.quiet, ui::OperationWaitMs());
    }
    // A second copy would save its own list over the first one's.
    ui::SingleInstance instance;
    if (command.mode == ui::ProgramMode::RestoreAll) {
        // No version check: an uninstaller must be able to put folders back
        // wherever the program loads.
        InitCommonControlsEx(&icc);
        return ui::RunRestoreAll(instance, platform::ExecutableFolder(),
                                 platform::LocalAppDataFolder(), command.quiet, command.allUsers);
    }
    const std::vector<std::wstring>& folders = command.folders;
    if (!instance.First()) {
        if (ui::HandOverToRunningInstance(folders))
            return 0;
        // The running copy may have ended meanwhile: this start is the window then.
        if (!instance.ClaimAgain(0)) {
            ui::ReportAlreadyRunning();
            return 0;
        }
    }
    InitCommonControlsEx(&icc);
    // The folder dialog's new style and the picture loader need COM.
    const platform::ScopedOleInitialize ole;

    int exitCode = 0;
    {
        ui::Form1 form(platform::ExecutableFolder());
        form.quitOnDestroy = true;
        if (form.Create()) {
            ShowWindow(form.hwnd(), show);
            UpdateWindow(form.hwnd());
            // Taken once the list is read.
            form.TakeFoldersWhenReady(folders);
            MSG msg;
            while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
                if (ui::IsAboutMessage(&msg) || form.PreTranslate(msg))
                    continue;
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
            exitCode = static_cast<int>(msg.wParam);
        }
    }
    return exitCode;
}
