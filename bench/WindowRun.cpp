#include "bench/WindowRun.h"

#include "bench/Measure.h"

namespace bench {

std::unique_ptr<ui::Form1> NewForm(const std::wstring& app) {
    return std::make_unique<ui::Form1>(app, [] { return 7; }); // Windows XP
}

namespace {
// Each message is a turn of the loop, as in the program's own message loop:
// the gap meter sees every one.
void RunTurn(ui::Form1& form, MSG& msg) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
    if (form.pumpObserver)
        form.pumpObserver();
}

} // namespace

void Show(ui::Form1& form) {
    ShowWindow(form.hwnd(), SW_SHOW);
    UpdateWindow(form.hwnd());
    MSG msg;
    while (form.hwnd() && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        RunTurn(form, msg);
    }
}

size_t Count(ui::Form1& form, int id) {
    return static_cast<size_t>(std::wcstoul(form.Text(id).c_str(), nullptr, 10));
}

// An operation ends when the window is ready for the next one: the busy
// lock comes off a part at a time on turns of the message loop after the
// handler returns.
void WaitUntilIdle(ui::Form1& form) {
    MSG msg;
    while (form.hwnd() && form.Busy() && GetMessageW(&msg, nullptr, 0, 0) > 0)
        RunTurn(form, msg);
}

double TimedWithGaps(ui::Form1& form, Figure& figure, const std::function<void()>& action,
                     bool fromFirstYield) {
    GapMeter gaps(fromFirstYield);
    form.pumpObserver = [&gaps] { gaps.OnYield(); };
    gaps.Start();
    const double seconds = Timed([&] {
        action();
        WaitUntilIdle(form);
    });
    gaps.Stop();
    form.pumpObserver = nullptr;
    if (gaps.LongestMs() > figure.longestGapMs) {
        figure.longestGapMs = gaps.LongestMs();
        figure.gapPlace = "after yield " + std::to_string(gaps.LongestAfterYields()) + " of " +
                          std::to_string(gaps.Yields()) + ", ending " +
                          std::to_string(gaps.LongestEndSeconds()) + " s into " +
                          std::to_string(seconds) + " s";
        if (fromFirstYield)
            figure.gapPlace += "; the window first answered " +
                               std::to_string(gaps.FirstYieldMs()) + " ms after its creation began";
    }
    return seconds;
}

} // namespace bench
