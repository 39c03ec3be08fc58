#pragma once
// Driving the main window as the program's message loop does, and timing its
// operations with the longest stretch between two turns of that loop.
#include "bench/Report.h"
#include "ui/main/Form1.h"

#include <functional>
#include <memory>
#include <string>

namespace bench {

// A main window on the application folder, as on Windows XP.
std::unique_ptr<ui::Form1> NewForm(const std::wstring& app);
// Shows it and runs the messages that wait.
void Show(ui::Form1& form);
// The number a control's text starts with.
size_t Count(ui::Form1& form, int id);
// Runs the loop until the window's busy lock is off.
void WaitUntilIdle(ui::Form1& form);
// Seconds from the action's start until the window is idle again; the
// figure keeps the longest gap between yields and where it lay.
// fromFirstYield: the window's creation before its first answer is no gap.
double TimedWithGaps(ui::Form1& form, Figure& figure, const std::function<void()>& action,
                     bool fromFirstYield = false);

} // namespace bench
