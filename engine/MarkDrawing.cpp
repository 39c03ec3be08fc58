#include "engine/FolderMark.h"

namespace engine {

// Placeholder until the emblems are drawn.
void DrawMark(IconFrame& frame, FolderMark mark) {
    (void)frame;
    (void)mark;
}

} // namespace engine
