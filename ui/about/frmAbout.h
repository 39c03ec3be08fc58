#pragma once
// The About window: title, version, vendor picture and links, and the
// system-information launcher. One instance at a time, modeless.
#include "platform/Gdi.h"
#include "platform/WindowBase.h"
#include "ui/common/ControlTable.h"

#include <functional>
#include <string>

namespace ui {

inline constexpr wchar_t kVendorHomePage[] = L"https://www.example.com/";
inline constexpr wchar_t kVendorMailingListPage[] = L"https://www.example.com/mailing-list";

// Opens a web page on behalf of a window. The default asks the shell to
// "open" the address; tests put a recorder in its place.
using PageOpener = std::function<void(HWND owner, const std::wstring& address)>;
void OpenPageWithShell(HWND owner, const std::wstring& address);
// Replaces the opener; an empty function restores the shell's.
void SetPageOpener(PageOpener opener);

class frmAbout : public platform::WindowBase {
  public:
    frmAbout() = default;
    ~frmAbout() override;
    // Creates the window (hidden) owned by owner, centred on the screen, and
    // runs the load step.
    bool Create(HWND owner);

    void StartSysInfo();
    HWND Control(int id) const { return FindControl(controls_, id); }

    // Control ids, named after the window's controls.
    enum ControlId : int {
        picIcon = 1100,
        lblTitle,
        lblVersion,
        Frame2,
        lblDescription,
        Command1,
        Command2,
        Frame1,
        lblDisclaimer,
        Command3,
        Command4,
    };

  protected:
    void OnClose() override;
    void OnNcDestroy() override;
    bool OnActivate(bool active) override;
    bool OnDpiChanged(UINT dpi, const RECT& suggested) override;
    bool OnSetCursor(HWND over) override;
    HBRUSH OnColorStatic(HDC dc, HWND control) override;

  private:
    void Form_Load();
    void CreateControls();
    void CreateFonts(UINT dpi);
    void AddCommands();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void picIcon_Click();

    platform::FontHandle formFont_;
    platform::FontHandle titleFont_;
    platform::BitmapHandle vendorPicture_;
    ControlMap controls_;
    HWND tooltip_ = nullptr;
    HWND lastFocus_ = nullptr;
    UINT dpi_ = 96;
};

// Creates the About window owned by owner and shows it, or brings the open
// one forward without loading it again.
void ShowAbout(HWND owner);
// Closes the About window if it is open (the main window calls this when it
// unloads).
void CloseAbout();
// The open About window, or nullptr.
HWND AboutWindow();
// Keyboard navigation and access keys for the modeless window: call from the
// message loop before TranslateMessage; true when the message was used.
bool IsAboutMessage(MSG* msg);

// Starts the system-information program that the registry names, without
// waiting for it; tells the user when there is none. owner parents the message.
void StartSysInfo(HWND owner);

// Reads a REG_SZ value (its text) or a REG_DWORD value ("&h" and eight
// upper-case hexadecimal digits) into result. True when the value was read;
// a value of any other type leaves result as it was and still gives true.
// On failure result is emptied.
bool GetKeyValue(HKEY root, const std::wstring& key, const std::wstring& valueName,
                 std::wstring& result);

// "Version 1.0.0" and the like.
std::wstring VersionText();

} // namespace ui
