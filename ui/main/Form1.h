#pragma once
#include "QuillaneVersion.h"
#include "engine/FolderList.h"
#include "engine/SettingsFile.h"
#include "platform/Dpi.h"
#include "platform/Gdi.h"
#include "platform/Picture.h"
#include "platform/Window.h"
#include "platform/WindowBase.h"
#include "ui/main/Apply.h"
#include "ui/main/Banner.h"
#include "ui/main/BusyLock.h"
#include "ui/main/Controls.h"
#include "ui/main/FolderSelection.h"
#include "ui/main/OperationHost.h"
#include "ui/options/IconPicker.h"
#include "ui/restore/RestoreView.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace engine {
class RestoreRecord;
}

namespace ui {

using quillane::kAppTitle;
using quillane::kVersionMajor;
using quillane::kVersionMinor;

// The main window: every control the user works with and every piece of state
// that lives between clicks.
class Form1 : public platform::WindowBase, private ApplyHost, private BusyLock {
  public:
    using VersionQuery = std::function<int()>;
    using ShellOpener = std::function<void(HWND owner, const std::wstring& target)>;

    // appFolder holds Fldr.dll, Icons, Backgrounds and Help.chm.
    explicit Form1(std::wstring appFolder, VersionQuery versionQuery = GetOSVersion);
    ~Form1() override;

    // Creates the window and starts the start-up sequence; false when the
    // program must end (refused Windows version, or no window). The restore
    // list loads once messages run (the window may show first); until it is
    // read the busy lock holds, and a close ends the program without a save.
    bool Create();
    // Runs messages until the start-up has read the restore list; false when
    // the window went first.
    bool WaitForList();
    bool ListLoaded() const { return listLoaded_; }
    // A folder to take once the list is read and no long operation runs.
    void TakeFolderWhenReady(const std::wstring& folder);
    // The message loop's dialog navigation (Tab, access keys).
    bool PreTranslate(MSG& msg);

    // Windows version code of the running system (0 = unrecognised).
    static int GetOSVersion();
    static int VersionCode(DWORD platformId, DWORD major, DWORD minor);

    // Handlers, named after control and event.
    void cmdClearBgnd_Click();
    void Command3_Click(); // About
    void Command4_Click(); // Exit
    void Image4_Click();   // Help
    void cmdBrwstxtColor_Click();
    void cmdBrwsBgtxtColor_Click();
    void Command5_Click(); // background picture
    void TxtToolTip_GotFocus();
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
    // Fldr.dll in the application folder, or in the user's local application
    // data where the application folder refuses writes (chosen at start-up).
    const std::wstring& ListFilePath() const override;
    // Writes the restore list; on failure tells the user and keeps the list
    // box as it is, to be tried again at the next save. Saves nothing before
    // the start-up has read the list, nor where changes cannot be recorded.
    bool SaveRestoreList() override;
    // The start-up has read the list, and changes to folders can be recorded.
    bool CanRecord() const;
    std::wstring IdleText() const;
    bool PictureFeatureAvailable() const { return pictureFeature_; }
    bool Busy() const { return busyHolders_ > 0; }

    // The hidden option values.
    std::wstring lblColor, lblBgColor, Path;
    IconPicker& iconPicker() { return *iconPicker_; }
    RestoreView& restoreView() { return *restoreView_; }
    FolderSelection& folderSelection() { return *folderSelection_; }
    ui::Apply& apply() { return *apply_; }

    // Test seams: called after every yield to the message loop, and after
    // every yield that did pump messages; how Help opens.
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
    // While the window is busy or loads its list, a command of a control the
    // busy lock or the restore view's lock holds, or of a hidden control, is
    // dropped whoever sent it; one that does not come from its own enabled
    // control never runs (WindowBase).
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
    // The colour dialog for the sample caption: the choice goes to hex and show.
    void ChooseSampleColor(std::wstring& hex, void (*show)(HWND, std::int32_t));
    // What the sample caption and the picture preview tell a screen reader:
    // the chosen colours and the chosen picture.
    void DescribeChoices();
    // Keeps the focused control for the next activation.
    void RememberFocus();
    // Focus: the control given if it can take it, else the next sensible one.
    bool CanTakeFocus(HWND control) const;
    HWND SensibleFocus(HWND wanted) const;
    // At the end of an operation, back to the control that started it unless
    // the user has put the focus somewhere since.
    void GiveFocusBack(HWND starter);

    static LRESULT CALLBACK StatusLineProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                           UINT_PTR id, DWORD_PTR self);
    // The yield of every long operation: false once the window has gone.
    bool DoEvents();
    // What the subsystems need of the window (OperationHost, ApplyHost).
    bool YieldToMessages() override { return DoEvents(); }
    void SetWaitCursor(bool wait) override;
    void SetStatus(const std::wstring& text) override;
    void ShowProgress(const std::wstring& text) override;
    void UpdateRestoreCount(bool soon = false) override;
    void ShowRestoreCountSoon(size_t count) override {
        restoreCount_.ShowSoon(std::to_wstring(count));
    }
    engine::FolderOptions ReadOptions() const override;
    // The busy lock (EnableMainControls).
    static bool LockedWhileBusy(int id);
    void HoldBusy() override;
    void ReleaseBusy() override;
    const platform::ThrottledText* Throttled(int id) const;
    platform::ThrottledText* Throttled(int id) {
        return const_cast<platform::ThrottledText*>(std::as_const(*this).Throttled(id));
    }
    void TakePendingFolder();
    static constexpr UINT kTakePendingFolder = WM_APP + 1;
    static constexpr UINT kLoadRestoreList = WM_APP + 2;
    void LoadRestoreList();
    bool LoadRestoreListSteps(bool& journalFound);
    // The load ran out of memory or failed: the window works, records nothing
    // and saves nothing, and says so.
    void LoadFailed(unsigned long error);
    void ReportCannotRecord(unsigned long error);
    // ApplyHost
    bool CanRecord(unsigned long& reason) const override;
    void KeepJournal(bool keep) override { keepJournal_ = keep; }
    void AddWaitingItem(const std::wstring& folder) override { waitingItems_.push_back(folder); }
    // Customized folders of a long run that have not joined the list box yet;
    // they join before any save.
    void JoinWaitingItems() override;

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
    std::unique_ptr<RestoreView> restoreView_;
    std::unique_ptr<IconPicker> iconPicker_;
    std::unique_ptr<FolderSelection> folderSelection_;
    std::unique_ptr<ui::Apply> apply_;
    bool pictureFeature_ = false;
    int busyHolders_ = 0;
    // The session asked to end during a long operation: save when it is over.
    bool saveWhenIdle_ = false;
    std::wstring pendingFolder_;
    std::wstring listFile_;
    std::unique_ptr<engine::RestoreRecord> record_;
    // No save, and no journal removed, before the start-up has read the list.
    bool listLoaded_ = false;
    // From the window's creation to the end of the start-up's load.
    bool loading_ = false;
    // Why the load failed; 0 when it did not.
    unsigned long loadError_ = 0;
    // A save leaves the journal while an Apply writes it, and after a run
    // that may have missed a folder's line in the list.
    bool keepJournal_ = false;
    bool saving_ = false;
    std::vector<std::wstring> waitingItems_;
    bool waitCursor_ = false;
    // The control whose command runs now; the control that started the
    // operation under the busy lock; the focus when the window was last active.
    HWND commandSource_ = nullptr;
    HWND busyFocus_ = nullptr;
    HWND lastFocus_ = nullptr;
    bool unloaded_ = false;
    ULONGLONG lastPump_ = 0;
    platform::ThrottledText status_, subDirsCount_, restoreCount_;
};

using platform::TwipsToPixels;

// The folder of the running executable, without a trailing backslash.
std::wstring ExecutableFolder();

} // namespace ui
