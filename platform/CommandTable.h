#pragma once
// Which handler answers which notification of which control: rows of
// {control id, notification code, handler}. A window keeps one table; the
// window and every object that handles some of its controls add their rows.
#include "platform/WindowPart.h"

#include <windows.h>

#include <functional>
#include <cstddef>
#include <utility>
#include <vector>

namespace platform {

class CommandTable {
  public:
    using Handler = std::function<void()>;
    // A scroll bar's notification (SB_LINELEFT, SB_THUMBTRACK, ...) and the
    // position that comes with it.
    using ScrollHandler = std::function<void(int code, int position)>;

    // A row that names a member of the object that adds it:
    // {cmdRestore, BN_CLICKED, &RestoreView::cmdRestore_Click}.
    template <typename Object> struct Row {
        int id;
        int code;
        void (Object::*handler)();
    };

    void Add(int id, int code, Handler handler);
    template <typename Object, size_t N> void Add(Object& object, const Row<Object> (&rows)[N]) {
        for (const Row<Object>& row : rows)
            Add(row.id, row.code, [&object, handler = row.handler] { (object.*handler)(); });
    }
    // The scroll bar's WM_HSCROLL and WM_VSCROLL.
    void AddScroll(int id, ScrollHandler handler);

    // Runs the handler of the control's notification; false when no row has it.
    bool Run(int id, int code) const;
    bool RunScroll(int id, int code, int position) const;

  private:
    struct Command {
        int id;
        int code;
        Handler handler;
    };
    std::vector<Command> commands_;
    std::vector<std::pair<int, ScrollHandler>> scrolls_;
};

} // namespace platform
