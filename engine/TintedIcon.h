#pragma once
// Folder icons in a colour of the user's: the system's own folder icon with
// its body tinted, written as an .ico file. Pixel work only: the frames come
// as the system keeps them, and PNG goes through a codec the caller hands in.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace engine {

struct Colour {
    std::uint8_t red = 0, green = 0, blue = 0;
    bool operator==(const Colour& other) const = default;
};

struct ColourPreset {
    const wchar_t* name = nullptr;
    Colour colour;
};
// The named colours offered first, distinct at a glance.
const std::vector<ColourPreset>& ColourPresets();
// The preset of that name (ordinal, case-insensitive), or null.
const ColourPreset* FindColourPreset(const std::wstring& name);

// "RRGGBB", red first, as people write colours.
std::wstring ColourText(Colour colour);
// Reads "RRGGBB" (six hexadecimal digits, nothing else).
bool ParseColourText(const std::wstring& text, Colour& colour);
// The icon file's name without its extension: "Folder 1E90FF", or
// "Folder Red D32F2F" for a preset's colour.
std::wstring FolderIconBaseName(Colour colour);

// One square picture of an icon: rows top down, 4 bytes a pixel in the order
// blue, green, red, alpha, the colour not multiplied by the alpha.
struct IconFrame {
    unsigned size = 0;
    unsigned sourceBits = 32; // the depth it was stored with
    std::vector<std::uint8_t> bgra;
};

using Bytes = std::vector<std::uint8_t>;
// Decodes a PNG picture into pixels as IconFrame holds them.
using PngDecoder = std::function<bool(const std::uint8_t* png, size_t size, unsigned& width,
                                      unsigned& height, Bytes& bgra)>;
// Encodes pixels as IconFrame holds them into a PNG picture.
using PngEncoder =
    std::function<bool(unsigned width, unsigned height, const Bytes& bgra, Bytes& png)>;

// One icon resource (RT_ICON, or an .ico entry's data): a DIB of 1 to 32 bits
// with its AND mask, or a PNG picture through decodePng (where there is none,
// PNG frames fail). False for data that is neither, or not square.
bool DecodeIconFrame(const Bytes& data, const PngDecoder& decodePng, IconFrame& frame);

// The icon's frames, one per size (the deepest where a size is stored more
// than once), plus 20, 24, 40 and 64 where missing, each scaled down from the
// next larger frame (never up). Frames that cannot be decoded are left out.
// Sorted by size, smallest first.
std::vector<IconFrame> FolderIconFrames(const std::vector<Bytes>& resources,
                                        const PngDecoder& decodePng);

// The frame scaled down to size by averaging the area each pixel covers, with
// the colour weighted by its alpha. Never up: a larger size gives an empty frame.
IconFrame ScaleDown(const IconFrame& frame, unsigned size);

// Pixels whose saturation (HSL) is at least this belong to the folder's body.
constexpr double kBodySaturation = 0.15;

// Tints every frame: the body's pixels take the colour's hue and a
// saturation scaled so that the body's mean is the colour's; their lightness
// is shifted so that the body's mean is the colour's (kept within reach of
// some shading for black and white). Other pixels and every alpha stay.
void TintFrames(std::vector<IconFrame>& frames, Colour colour);

// A whole .ico file of 32-bit frames: up to 48 pixels as DIBs with their AND
// mask, larger ones as PNG through encodePng where it is given and succeeds.
Bytes IcoFileBytes(const std::vector<IconFrame>& frames, const PngEncoder& encodePng);

// The largest frames an .ico file holds without the PNG form.
constexpr unsigned kLargestDibFrame = 48;

// Hue in degrees [0, 360), saturation and lightness in [0, 1].
struct Hsl {
    double hue = 0, saturation = 0, lightness = 0;
};
Hsl ToHsl(std::uint8_t red, std::uint8_t green, std::uint8_t blue);

} // namespace engine
