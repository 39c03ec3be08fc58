#pragma once
// A folder icon in a colour of the user's, made from this system's own folder
// icon and kept once per colour where every account finds it.
#include "engine/FolderMark.h"
#include "engine/SharedIcon.h"
#include "engine/TintedIcon.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ui {

// Quillane\Icons under the application data shared by every account, and
// under the current user's local application data; empty where unknown.
std::wstring SharedIconFolder();
std::wstring PerUserIconFolder();

// The .ico file of the colour, as FolderIconFile writes it. False where the
// system's folder icon could not be read.
bool FolderIconBytes(engine::Colour colour, std::vector<std::uint8_t>& ico);
// The same for a colour and a mark (look.Plain() fails: nothing to make).
bool FolderIconBytes(const engine::IconLook& look, std::vector<std::uint8_t>& ico);

// The colour's icon file, found or written: in the shared folder, or where
// that cannot be written, the per-user one (result.perUser, with the reason).
bool FolderIconFile(engine::Colour colour, engine::SharedIcon& result);
// The same in the given folders.
bool FolderIconFile(engine::Colour colour, const std::wstring& sharedFolder,
                    const std::wstring& perUserFolder, engine::SharedIcon& result);
// The same for a colour and a mark, named FolderIconBaseName(look).
bool FolderIconFile(const engine::IconLook& look, engine::SharedIcon& result);
bool FolderIconFile(const engine::IconLook& look, const std::wstring& sharedFolder,
                    const std::wstring& perUserFolder, engine::SharedIcon& result);

// engine::PrepareSharedIconFolder and engine::RemoveSharedIconFiles on
// SharedIconFolder(), for setup and the uninstaller (run elevated); where
// they fail, problem says what was not done and why.
bool PrepareSharedIconFolder(std::wstring& problem);
bool RemoveSharedIconFiles(std::wstring& problem);

} // namespace ui
