#include "platform/CommandTable.h"

namespace platform {

void CommandTable::Add(int id, int code, Handler handler) {
    commands_.push_back({id, code, std::move(handler)});
}

void CommandTable::AddScroll(int id, ScrollHandler handler) {
    scrolls_.emplace_back(id, std::move(handler));
}

bool CommandTable::Run(int id, int code) const {
    for (const Command& command : commands_) {
        if (command.id == id && command.code == code) {
            // A handler may add rows while it runs.
            const Handler handler = command.handler;
            handler();
            return true;
        }
    }
    return false;
}

bool CommandTable::RunScroll(int id, int code, int position) const {
    for (const auto& [scrollId, handler] : scrolls_) {
        if (scrollId == id) {
            const ScrollHandler run = handler;
            run(code, position);
            return true;
        }
    }
    return false;
}

} // namespace platform
