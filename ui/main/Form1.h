#pragma once
// The main window: its controls, the wiring of its subsystems (each view and
// operation is an object of its own), painting and switching between views.
// Form1Host.cpp answers what the subsystems ask of it, Form1Startup.cpp
// loads the restore list once the window shows.
#include "engine/FolderList.h"
#include "platform/Gdi.h"
#include "platform/Window.h"
#include "platform/WindowBase.h"
#include "ui/main/Apply.h"
#include "ui/main/Banner.h"
#include "ui/main/Controls.h"
#include "ui/main/OsVersion.h"
#include "ui/options/OptionsView.h"

#include <windows.h>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace ui {

class ControlShare;
class FocusKeeper;
class FolderSelection;
class HandOverReceiver;
class IconPicker;
class RestoreListKeeper;
class RestoreView;
class WindowBusyLock;

// The main window: every control the user works with and every piece of state
// that lives between clicks.
class Form1 : public platform::WindowBase, private ApplyHost, private OptionsHost {
  public:
    using VersionQuery = std::function<int()>;
    using ShellOpener = std::function<void(HWND owner, const std::wstring& target)>;

    // appFolder holds Fldr.dll, Icons, Backgrounds and Help.chm.
    explicit Form1(std::wstring appFolder, VersionQuery versionQuery = OsVersion);
    ~Form1() override;

    // Creates the window and starts the start-up sequence; false when the
    // program must end (refused Windows version, or no window). The restore
    // list loads once messages run (the window may show first); until it is
    // read the busy lock holds, and a close ends the program without a save.
    bool Create();
    // Runs messages until the start-up has read the restore list and the
    // window is ready for commands; false when the window went first.
    bool WaitForList();
    bool ListLoaded() const;
    // The command line's folders, to take once the list is read and no long
    // operation runs: several are one choice; one starts a choice that
    // folders handed over by starts made at the same time join.
    void TakeFoldersWhenReady(const std::vector<std::wstring>& folders);
    void TakeFolderWhenReady(const std::wstring& folder) {
        if (!folder.empty())
            TakeFoldersWhenReady({folder});
    }
    // The message loop's dialog navigation (Tab, access keys).
    bool PreTranslate(MSG& msg);

    // Handlers, named after control and event.
    void Command3_Click(); // About
    void Command4_Click(); // Exit
    void Image4_Click();   // Help
    void txtChanging_MouseDown();
    // The Escape key (IDCANCEL from the dialog navigation).
    void Form_Escape();

    void EnableMainControls(bool enabled);
    void RefreshShell() override;

    // State and controls, for the handlers of other views and for tests.
    HWND Control(int id) const;
    std::wstring Text(int id) const;
    void SetText(int id, const std::wstring& text);
    const engine::SortedFolderList& TargetList() const { return subDirs_; }
    const std::wstring& AppFolder() const { return appFolder_; }
    // The list file in use (see RestoreListKeeper).
    const std::wstring& ListFilePath() const;
    std::wstring IdleText() const;
    bool Busy() const;

    OptionsView& options() { return *options_; }
    IconPicker& iconPicker() { return options_->iconPicker(); }
    RestoreView& restoreView() { return *restoreView_; }
    FolderSelection& folderSelection() { return *folderSelection_; }
    ui::Apply& apply() { return *apply_; }

    // Test seams: called after every yield to the message loop, and on each
    // turn of the loop (each message a yield runs, the end of its messages,
    // each turn of WaitForList's loop); how Help opens.
    std::function<void()> yieldObserver;
    std::function<void()> pumpObserver;
    ShellOpener shellOpener;
    // The real program ends its message loop when the window goes.
    bool quitOnDestroy = false;
    // Where the list goes when the application folder refuses writes.
    std::wstring perUserRoot;

  protected:
    // The focus leaves with the activation and comes back with it.
    bool OnActivate(bool active) override;
    // F1 anywhere in the window.
    bool OnHelp(const HELPINFO& info) override;
    void OnClose() override;
    void OnDestroy() override;
    bool OnPaint() override;
    bool OnSetCursor(HWND over) override;
    HBRUSH OnColorStatic(HDC dc, HWND control) override;
    bool OnDrawItem(const DRAWITEMSTRUCT& draw) override;
    bool OnMeasureItem(MEASUREITEMSTRUCT& measure) override;
    bool OnDpiChanged(UINT dpi, const RECT& suggested) override;
    // A folder that a second start of the program handed over; taken once no
    // long operation runs and the list is read.
    bool OnCopyData(const COPYDATASTRUCT& data) override;
    // While the window is busy or loads its list, the busy lock decides
    // which commands may run (WindowBusyLock::Allows); one that does not come
    // from its own enabled control never runs (WindowBase::CommandMayRun).
    bool AllowsCommandNow(int id, HWND control) const override;
    void OnCommand(int id, int code, HWND control) override;
    bool OnQueryEndSession() override;
    void OnEndSession(bool ending) override;
    bool OnOtherMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void OnException(unsigned long error) override;

  private:
    void CreateControls();
    void CreateSubsystems();
    void CreateFonts(UINT dpi);
    void Form_Load();
    bool AdaptToOSVersion();
    bool Form_Unload();
    void AddCommands();

    static LRESULT CALLBACK StatusLineProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                           UINT_PTR id, DWORD_PTR self);
    // The yield of every long operation: false once the window has gone.
    bool DoEvents();
    // What the subsystems need of the window (OperationHost, ApplyHost, OptionsHost).
    bool YieldToMessages() override { return DoEvents(); }
    void SetWaitCursor(bool wait) override;
    bool StartOperation(engine::OperationLock& lock) override;
    void SetStatus(const std::wstring& text) override;
    void ShowProgress(const std::wstring& text) override;
    void UpdateRestoreCount() override;
    void ShowRestoreCountSoon(size_t count) override;
    engine::FolderOptions ReadOptions() const override;
    void ClearFolderChoice() override;
    const platform::ThrottledText* Throttled(int id) const;
    platform::ThrottledText* Throttled(int id) {
        return const_cast<platform::ThrottledText*>(std::as_const(*this).Throttled(id));
    }
    void TakePendingFolder();
    bool takingFolders_ = false;
    static constexpr UINT kTakePendingFolder = WM_APP + 1;
    static constexpr UINT kLoadRestoreList = WM_APP + 2;
    static constexpr UINT_PTR kReleaseTimer = 1;
    void LoadRestoreList();
    bool loadAsked_ = false;

    std::wstring appFolder_;
    VersionQuery versionQuery_;
    ControlMap controls_;
    HWND tooltip_ = nullptr;
    UINT dpi_ = 96;
    platform::FontHandle formFont_;
    platform::BrushHandle whiteBrush_;
    HCURSOR handCursor_ = nullptr;
    Banner banner_;

    engine::SortedFolderList subDirs_;
    std::unique_ptr<WindowBusyLock> busy_;
    std::unique_ptr<ControlShare> commandRow_;
    std::unique_ptr<FocusKeeper> focus_;
    std::unique_ptr<HandOverReceiver> handOver_;
    std::unique_ptr<RestoreListKeeper> keeper_;
    std::unique_ptr<RestoreView> restoreView_;
    std::unique_ptr<OptionsView> options_;
    std::unique_ptr<FolderSelection> folderSelection_;
    std::unique_ptr<ui::Apply> apply_;
    bool waitCursor_ = false;
    bool unloaded_ = false;
    ULONGLONG lastPump_ = 0;
    platform::ThrottledText status_, subDirsCount_;
};

} // namespace ui
