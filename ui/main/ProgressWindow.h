#pragma once
// The small window of a batch run (/restore-all, /apply): it names the folder
// being worked on and shows the final message over itself.
#include "platform/Window.h"
#include "platform/WindowBase.h"
#include "ui/common/Timing.h"

#include <windows.h>

#include <string>

namespace ui {

// The progress text's control id.
inline constexpr int kProgressTextId = 100;

class ProgressWindow : public platform::WindowBase {
  public:
    // A window of its own class (the tests find a run's window by it).
    explicit ProgressWindow(const wchar_t* className) : className_(className) {}
    bool Create();
    // The text reaches the screen at most every 50 ms: a text is a round trip
    // to the window system that costs more than many a folder's work.
    void Progress(const std::wstring& text);
    // The final text, in the window and in a message box over it.
    void Finish(const std::wstring& text, UINT icon);

  protected:
    // A folder left halfway would be worse than a wait: the run always ends.
    void OnClose() override {}

  private:
    const wchar_t* className_;
    platform::ThrottledText text_{kTextRepaintMs};
    ULONGLONG lastPump_ = 0;
};

} // namespace ui
