#pragma once
#include "platform/WindowBase.h"

#include <string>

namespace ui {

inline constexpr wchar_t kAppTitle[] = L"Quillane";

// The main window.
class Form1 : public platform::WindowBase {
  public:
    // appFolder holds Fldr.dll, Icons, Backgrounds and Help.chm.
    explicit Form1(std::wstring appFolder);
    bool Create();
    const std::wstring& AppFolder() const { return appFolder_; }

  protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    std::wstring appFolder_;
};

// Twips of the window layout to pixels at the given DPI (15 twips a pixel at 96).
int TwipsToPixels(int twips, unsigned dpi);

// The folder of the running executable, without a trailing backslash.
std::wstring ExecutableFolder();

} // namespace ui
