#include "ui/common/FolderColour.h"

#include "platform/FolderIcon.h"
#include "platform/Files.h"
#include "platform/Shell.h"

namespace ui {

namespace {
std::wstring IconsBelow(const std::wstring& root) {
    return root.empty() ? root : root + L"\\Quillane\\Icons";
}

bool Said(bool done, const std::wstring& what, std::wstring& problem) {
    if (!done)
        problem = what + L": " + platform::ErrorText(GetLastError());
    return done;
}
} // namespace

std::wstring SharedIconFolder() {
    return IconsBelow(platform::CommonAppDataFolder());
}

std::wstring PerUserIconFolder() {
    return IconsBelow(platform::LocalAppDataFolder());
}

bool FolderIconBytes(engine::Colour colour, std::vector<std::uint8_t>& ico) {
    return FolderIconBytes(engine::IconLook{colour, engine::FolderMark::None}, ico);
}

bool FolderIconBytes(const engine::IconLook& look, std::vector<std::uint8_t>& ico) {
    if (look.Plain()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    std::vector<engine::Bytes> resources;
    if (!platform::ReadSystemFolderIcon(resources))
        return false;
    const platform::PngCodec codec;
    engine::PngDecoder decode;
    engine::PngEncoder encode;
    if (codec.available()) {
        decode = [&codec](const std::uint8_t* png, size_t size, unsigned& width, unsigned& height,
                          engine::Bytes& bgra) {
            return codec.Decode(png, size, width, height, bgra);
        };
        encode = [&codec](unsigned width, unsigned height, const engine::Bytes& bgra,
                          engine::Bytes& png) { return codec.Encode(width, height, bgra, png); };
    }
    std::vector<engine::IconFrame> frames = engine::FolderIconFrames(resources, decode);
    if (frames.empty()) {
        SetLastError(ERROR_INVALID_DATA);
        return false;
    }
    if (look.colour)
        engine::TintFrames(frames, *look.colour);
    for (engine::IconFrame& frame : frames)
        engine::DrawMark(frame, look.mark);
    ico = engine::IcoFileBytes(frames, encode);
    return true;
}

bool FolderIconFile(engine::Colour colour, engine::SharedIcon& result) {
    return FolderIconFile(colour, SharedIconFolder(), PerUserIconFolder(), result);
}

bool FolderIconFile(engine::Colour colour, const std::wstring& sharedFolder,
                    const std::wstring& perUserFolder, engine::SharedIcon& result) {
    return FolderIconFile(engine::IconLook{colour, engine::FolderMark::None}, sharedFolder,
                          perUserFolder, result);
}

bool FolderIconFile(const engine::IconLook& look, engine::SharedIcon& result) {
    return FolderIconFile(look, SharedIconFolder(), PerUserIconFolder(), result);
}

bool FolderIconFile(const engine::IconLook& look, const std::wstring& sharedFolder,
                    const std::wstring& perUserFolder, engine::SharedIcon& result) {
    std::vector<std::uint8_t> ico;
    if (!FolderIconBytes(look, ico))
        return false;
    return engine::PlaceSharedIcon(sharedFolder, perUserFolder, engine::FolderIconBaseName(look),
                                   ico, result);
}

bool PrepareSharedIconFolder(std::wstring& problem) {
    const std::wstring folder = SharedIconFolder();
    if (folder.empty())
        SetLastError(ERROR_PATH_NOT_FOUND);
    return Said(!folder.empty() && engine::PrepareSharedIconFolder(folder),
                L"The shared icon folder " + folder + L" could not be prepared", problem);
}

bool RemoveSharedIconFiles(std::wstring& problem) {
    const std::wstring folder = SharedIconFolder();
    unsigned left = 0;
    return folder.empty() ||
           Said(engine::RemoveSharedIconFiles(folder, left),
                L"Icon files stay in " + folder + L" (" + std::to_wstring(left) + L")", problem);
}

} // namespace ui
