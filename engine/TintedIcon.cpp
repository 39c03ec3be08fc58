#include "engine/TintedIcon.h"

#include "platform/TextCompare.h"

#include <algorithm>
#include <cmath>
#include <cfloat>
#include <map>

namespace engine {

namespace {

std::uint32_t ReadU32(const Bytes& data, size_t at) {
    return static_cast<std::uint32_t>(data[at]) | static_cast<std::uint32_t>(data[at + 1]) << 8 |
           static_cast<std::uint32_t>(data[at + 2]) << 16 |
           static_cast<std::uint32_t>(data[at + 3]) << 24;
}
std::uint16_t ReadU16(const Bytes& data, size_t at) {
    return static_cast<std::uint16_t>(data[at] | data[at + 1] << 8);
}
void PutU16(Bytes& out, unsigned value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}
void PutU32(Bytes& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<std::uint8_t>((value >> shift) & 0xFF));
}

bool IsPng(const Bytes& data) {
    static const std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    return data.size() >= 8 && std::equal(kSignature, kSignature + 8, data.begin());
}

// Frames beyond this are no icon's.
constexpr unsigned kLargestFrame = 1024;

bool DecodeDib(const Bytes& data, IconFrame& frame) {
    if (data.size() < 40)
        return false;
    const std::uint32_t headerSize = ReadU32(data, 0);
    const auto width = static_cast<std::int32_t>(ReadU32(data, 4));
    const auto doubleHeight = static_cast<std::int32_t>(ReadU32(data, 8));
    const unsigned bits = ReadU16(data, 14);
    const std::uint32_t compression = ReadU32(data, 16);
    const std::uint32_t colorsUsed = ReadU32(data, 32);
    if (headerSize < 40 || headerSize > data.size() || width <= 0 ||
        static_cast<unsigned>(width) > kLargestFrame || doubleHeight != 2 * width)
        return false;
    // BI_RGB, or BI_BITFIELDS with the usual masks of a 32-bit icon.
    if (compression != 0 && !(compression == 3 && bits == 32))
        return false;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return false;
    const auto size = static_cast<unsigned>(width);
    size_t at = headerSize + (compression == 3 && headerSize == 40 ? 12 : 0);
    std::vector<std::uint32_t> palette;
    if (bits <= 8) {
        const size_t entries = colorsUsed != 0 ? std::min<size_t>(colorsUsed, 256) : 1u << bits;
        if (data.size() < at + entries * 4)
            return false;
        for (size_t i = 0; i < entries; ++i)
            palette.push_back(ReadU32(data, at + i * 4));
        at += entries * 4;
    }
    const size_t xorStride = (size_t{size} * bits + 31) / 32 * 4;
    const size_t andStride = (size_t{size} + 31) / 32 * 4;
    if (data.size() < at + xorStride * size)
        return false;
    const size_t andAt = at + xorStride * size;
    // A 32-bit frame may come without its mask; it has its alpha.
    const bool hasMask = data.size() >= andAt + andStride * size;
    if (!hasMask && bits != 32)
        return false;

    frame.size = size;
    frame.sourceBits = bits;
    frame.bgra.assign(size_t{size} * size * 4, 0);
    bool anyAlpha = false;
    for (unsigned y = 0; y < size; ++y) {
        const size_t row = at + xorStride * (size - 1 - y); // stored bottom up
        for (unsigned x = 0; x < size; ++x) {
            std::uint32_t pixel = 0; // 0xAARRGGBB
            if (bits == 32) {
                pixel = ReadU32(data, row + size_t{x} * 4);
            } else if (bits == 24) {
                const size_t p = row + size_t{x} * 3;
                pixel = data[p] | data[p + 1] << 8 | static_cast<std::uint32_t>(data[p + 2]) << 16;
            } else if (bits == 16) {
                const unsigned v = ReadU16(data, row + size_t{x} * 2);
                const unsigned b = (v & 0x1F) * 255 / 31, g = ((v >> 5) & 0x1F) * 255 / 31,
                               r = ((v >> 10) & 0x1F) * 255 / 31;
                pixel = b | g << 8 | r << 16;
            } else {
                const size_t bit = size_t{x} * bits;
                const unsigned byte = data[row + bit / 8];
                const unsigned shift = static_cast<unsigned>(8 - bits - bit % 8);
                const unsigned index = (byte >> shift) & ((1u << bits) - 1);
                pixel = index < palette.size() ? palette[index] & 0xFFFFFF : 0;
            }
            std::uint8_t* out = &frame.bgra[(size_t{y} * size + x) * 4];
            out[0] = static_cast<std::uint8_t>(pixel & 0xFF);
            out[1] = static_cast<std::uint8_t>((pixel >> 8) & 0xFF);
            out[2] = static_cast<std::uint8_t>((pixel >> 16) & 0xFF);
            out[3] = bits == 32 ? static_cast<std::uint8_t>(pixel >> 24) : 0;
            anyAlpha = anyAlpha || out[3] != 0;
        }
    }
    // Depths without alpha, and 32-bit frames whose alpha is all zero (made
    // before XP), take their transparency from the mask.
    if (!anyAlpha) {
        if (!hasMask)
            return false;
        for (unsigned y = 0; y < size; ++y) {
            const size_t row = andAt + andStride * (size - 1 - y);
            for (unsigned x = 0; x < size; ++x) {
                const bool transparent = (data[row + x / 8] >> (7 - x % 8)) & 1;
                frame.bgra[(size_t{y} * size + x) * 4 + 3] = transparent ? 0 : 255;
            }
        }
    }
    return true;
}

// The x87 unit of 32-bit builds rounds to 64 bits of mantissa unless told
// otherwise, which makes a pixel here and there differ by a step from the
// 64-bit build's: a file that the other build would not know as its own.
// Rounded to a double's 53 bits, +, -, * and / give what SSE gives.
#if defined(_M_IX86) || defined(__i386__)
#define QUILLANE_X87
class DoublePrecision {
  public:
    DoublePrecision() : previous_(_controlfp(0, 0)) { _controlfp(_PC_53, _MCW_PC); }
    ~DoublePrecision() { _controlfp(previous_, _MCW_PC); }
    DoublePrecision(const DoublePrecision&) = delete;
    DoublePrecision& operator=(const DoublePrecision&) = delete;

  private:
    unsigned previous_;
};
#endif

double Clamp01(double value) {
    return std::clamp(value, 0.0, 1.0);
}

std::uint8_t ToByte(double unit) {
    return static_cast<std::uint8_t>(std::lround(Clamp01(unit) * 255.0));
}

double HueChannel(double p, double q, double t) {
    if (t < 0)
        t += 1;
    if (t > 1)
        t -= 1;
    if (t < 1.0 / 6)
        return p + (q - p) * 6 * t;
    if (t < 0.5)
        return q;
    if (t < 2.0 / 3)
        return p + (q - p) * (2.0 / 3 - t) * 6;
    return p;
}

void FromHsl(const Hsl& hsl, std::uint8_t* bgr) {
    const double s = hsl.saturation, l = hsl.lightness;
    if (s <= 0) {
        bgr[0] = bgr[1] = bgr[2] = ToByte(l);
        return;
    }
    const double q = l < 0.5 ? l * (1 + s) : l + s - l * s;
    const double p = 2 * l - q;
    const double h = hsl.hue / 360.0;
    bgr[2] = ToByte(HueChannel(p, q, h + 1.0 / 3));
    bgr[1] = ToByte(HueChannel(p, q, h));
    bgr[0] = ToByte(HueChannel(p, q, h - 1.0 / 3));
}

// The lightness a body may be shifted to: beyond these a black or white
// folder would lose its shading and its shape with it.
constexpr double kDarkestBody = 0.12;
constexpr double kLightestBody = 0.9;

void TintFrame(IconFrame& frame, const Hsl& target) {
    const size_t pixels = size_t{frame.size} * frame.size;
    std::vector<Hsl> hsl(pixels);
    std::vector<bool> body(pixels, false);
    double weight = 0, saturationSum = 0, lightnessSum = 0;
    double darkest = 1, lightest = 0;
    for (size_t i = 0; i < pixels; ++i) {
        const std::uint8_t* p = &frame.bgra[i * 4];
        if (p[3] == 0)
            continue;
        hsl[i] = ToHsl(p[2], p[1], p[0]);
        if (hsl[i].saturation < kBodySaturation)
            continue;
        body[i] = true;
        const double alpha = p[3] / 255.0;
        weight += alpha;
        saturationSum += alpha * hsl[i].saturation;
        lightnessSum += alpha * hsl[i].lightness;
        darkest = std::min(darkest, hsl[i].lightness);
        lightest = std::max(lightest, hsl[i].lightness);
    }
    if (weight <= 0)
        return;
    const double meanSaturation = saturationSum / weight;
    const double meanLightness = lightnessSum / weight;
    const double goal = std::clamp(target.lightness, kDarkestBody, kLightestBody);
    // A shift, narrowed only as far as keeps the darkest and lightest pixels
    // in range, so that the shading's order survives.
    double spread = 1;
    if (meanLightness - darkest > 0)
        spread = std::min(spread, goal / (meanLightness - darkest));
    if (lightest - meanLightness > 0)
        spread = std::min(spread, (1 - goal) / (lightest - meanLightness));
    const double saturationScale = target.saturation / meanSaturation;
    for (size_t i = 0; i < pixels; ++i) {
        if (!body[i])
            continue;
        Hsl tinted;
        tinted.hue = target.hue;
        tinted.saturation = Clamp01(hsl[i].saturation * saturationScale);
        tinted.lightness = Clamp01(goal + (hsl[i].lightness - meanLightness) * spread);
        FromHsl(tinted, &frame.bgra[i * 4]);
    }
}

void PutDib(Bytes& out, const IconFrame& frame) {
    const unsigned size = frame.size;
    const size_t andStride = (size_t{size} + 31) / 32 * 4;
    PutU32(out, 40);
    PutU32(out, size);
    PutU32(out, size * 2);
    PutU16(out, 1);
    PutU16(out, 32);
    PutU32(out, 0);
    PutU32(out, static_cast<std::uint32_t>(size_t{size} * size * 4 + andStride * size));
    for (int i = 0; i < 4; ++i)
        PutU32(out, 0);
    for (unsigned y = size; y-- > 0;) {
        const auto row = frame.bgra.begin() + static_cast<std::ptrdiff_t>(size_t{y} * size * 4);
        out.insert(out.end(), row, row + static_cast<std::ptrdiff_t>(size_t{size} * 4));
    }
    for (unsigned y = size; y-- > 0;) {
        Bytes mask(andStride, 0);
        for (unsigned x = 0; x < size; ++x)
            if (frame.bgra[(size_t{y} * size + x) * 4 + 3] == 0)
                mask[x / 8] = static_cast<std::uint8_t>(mask[x / 8] | (0x80u >> (x % 8)));
        out.insert(out.end(), mask.begin(), mask.end());
    }
}

} // namespace

const std::vector<ColourPreset>& ColourPresets() {
    static const std::vector<ColourPreset> presets = {
        {L"Red", {0xD3, 0x2F, 0x2F}},    {L"Orange", {0xF5, 0x7C, 0x00}},
        {L"Yellow", {0xFB, 0xC0, 0x2D}}, {L"Lime", {0x9E, 0xD1, 0x2A}},
        {L"Green", {0x2E, 0x7D, 0x32}},  {L"Teal", {0x00, 0x89, 0x7B}},
        {L"Sky", {0x29, 0xB6, 0xF6}},    {L"Blue", {0x1E, 0x56, 0xD8}},
        {L"Purple", {0x7B, 0x1F, 0xA2}}, {L"Pink", {0xEC, 0x40, 0x7A}},
        {L"Brown", {0x79, 0x55, 0x48}},  {L"Grey", {0x80, 0x80, 0x80}},
        {L"Black", {0x00, 0x00, 0x00}},
    };
    return presets;
}

const ColourPreset* FindColourPreset(const std::wstring& name) {
    for (const ColourPreset& preset : ColourPresets())
        if (platform::CompareNoCase(preset.name, name) == 0)
            return &preset;
    return nullptr;
}

std::wstring ColourText(Colour colour) {
    static const wchar_t kDigits[] = L"0123456789ABCDEF";
    std::wstring text;
    for (unsigned value : {colour.red, colour.green, colour.blue}) {
        text += kDigits[value >> 4];
        text += kDigits[value & 0xF];
    }
    return text;
}

bool ParseColourText(const std::wstring& text, Colour& colour) {
    if (text.size() != 6)
        return false;
    unsigned values[3] = {};
    for (size_t i = 0; i < 6; ++i) {
        const wchar_t c = text[i];
        unsigned digit = 0;
        if (c >= L'0' && c <= L'9')
            digit = static_cast<unsigned>(c - L'0');
        else if (c >= L'A' && c <= L'F')
            digit = static_cast<unsigned>(c - L'A' + 10);
        else if (c >= L'a' && c <= L'f')
            digit = static_cast<unsigned>(c - L'a' + 10);
        else
            return false;
        values[i / 2] = values[i / 2] * 16 + digit;
    }
    colour = {static_cast<std::uint8_t>(values[0]), static_cast<std::uint8_t>(values[1]),
              static_cast<std::uint8_t>(values[2])};
    return true;
}

std::wstring FolderIconBaseName(Colour colour) {
    for (const ColourPreset& preset : ColourPresets())
        if (preset.colour == colour)
            return std::wstring(L"Folder ") + preset.name + L" " + ColourText(colour);
    return L"Folder " + ColourText(colour);
}

Hsl ToHsl(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    const double r = red / 255.0, g = green / 255.0, b = blue / 255.0;
    const double high = std::max({r, g, b}), low = std::min({r, g, b});
    Hsl hsl;
    hsl.lightness = (high + low) / 2;
    const double chroma = high - low;
    if (chroma <= 0)
        return hsl;
    hsl.saturation = chroma / (1 - std::fabs(2 * hsl.lightness - 1));
    double hue = 0;
    if (high == r)
        hue = std::fmod((g - b) / chroma, 6.0);
    else if (high == g)
        hue = (b - r) / chroma + 2;
    else
        hue = (r - g) / chroma + 4;
    hue *= 60;
    hsl.hue = hue < 0 ? hue + 360 : hue;
    hsl.saturation = Clamp01(hsl.saturation);
    return hsl;
}

bool DecodeIconFrame(const Bytes& data, const PngDecoder& decodePng, IconFrame& frame) {
    if (!IsPng(data))
        return DecodeDib(data, frame);
    unsigned width = 0, height = 0;
    Bytes bgra;
    if (!decodePng || !decodePng(data.data(), data.size(), width, height, bgra))
        return false;
    if (width == 0 || width != height || width > kLargestFrame ||
        bgra.size() != size_t{width} * height * 4)
        return false;
    frame.size = width;
    frame.sourceBits = 32;
    frame.bgra = std::move(bgra);
    return true;
}

IconFrame ScaleDown(const IconFrame& frame, unsigned size) {
    const unsigned from = frame.size;
    if (size == 0 || size >= from)
        return size == from ? frame : IconFrame();
    // Whole numbers throughout, so that every build gives the same pixels: an
    // edge is from * size units long, a new pixel from units and an old one size.
    struct Share {
        unsigned index;
        std::uint64_t part;
    };
    std::vector<std::vector<Share>> shares(size);
    for (unsigned o = 0; o < size; ++o) {
        const unsigned begin = o * from, end = (o + 1) * from;
        for (unsigned i = begin / size; i < from && i * size < end; ++i) {
            const unsigned part = std::min(end, (i + 1) * size) - std::max(begin, i * size);
            if (part > 0)
                shares[o].push_back({i, part});
        }
    }
    // Alpha-weighted colour and alpha, across first, then down.
    std::vector<std::uint64_t> across(size_t{from} * size * 4, 0);
    for (unsigned y = 0; y < from; ++y)
        for (unsigned o = 0; o < size; ++o) {
            std::uint64_t* sum = &across[(size_t{y} * size + o) * 4];
            for (const Share& share : shares[o]) {
                const std::uint8_t* p = &frame.bgra[(size_t{y} * from + share.index) * 4];
                const std::uint64_t a = p[3] * share.part;
                sum[0] += p[0] * a;
                sum[1] += p[1] * a;
                sum[2] += p[2] * a;
                sum[3] += a;
            }
        }
    IconFrame scaled;
    scaled.size = size;
    scaled.sourceBits = frame.sourceBits;
    scaled.bgra.assign(size_t{size} * size * 4, 0);
    const auto rounded = [](std::uint64_t value, std::uint64_t divisor) {
        return (2 * value + divisor) / (2 * divisor);
    };
    const std::uint64_t area = std::uint64_t{from} * from;
    for (unsigned o = 0; o < size; ++o)
        for (unsigned x = 0; x < size; ++x) {
            std::uint64_t sum[4] = {};
            for (const Share& share : shares[o]) {
                const std::uint64_t* row = &across[(size_t{share.index} * size + x) * 4];
                for (int c = 0; c < 4; ++c)
                    sum[c] += row[c] * share.part;
            }
            std::uint8_t* out = &scaled.bgra[(size_t{o} * size + x) * 4];
            const std::uint64_t alpha = rounded(sum[3], area);
            if (alpha == 0 || sum[3] == 0)
                continue;
            for (int c = 0; c < 3; ++c)
                out[c] = static_cast<std::uint8_t>(
                    std::min<std::uint64_t>(rounded(sum[c], sum[3]), 255));
            out[3] = static_cast<std::uint8_t>(std::min<std::uint64_t>(alpha, 255));
        }
    return scaled;
}

std::vector<IconFrame> FolderIconFrames(const std::vector<Bytes>& resources,
                                        const PngDecoder& decodePng) {
    std::map<unsigned, IconFrame> bySize;
    for (const Bytes& data : resources) {
        IconFrame frame;
        // An .ico entry says 256 at most.
        if (!DecodeIconFrame(data, decodePng, frame) || frame.size > 256)
            continue;
        auto found = bySize.find(frame.size);
        if (found == bySize.end())
            bySize.emplace(frame.size, std::move(frame));
        else if (frame.sourceBits > found->second.sourceBits)
            found->second = std::move(frame);
    }
    for (unsigned wanted : {64u, 40u, 24u, 20u}) {
        if (bySize.contains(wanted))
            continue;
        const auto larger = bySize.upper_bound(wanted);
        if (larger != bySize.end())
            bySize.emplace(wanted, ScaleDown(larger->second, wanted));
    }
    std::vector<IconFrame> frames;
    frames.reserve(bySize.size());
    for (auto& entry : bySize)
        frames.push_back(std::move(entry.second));
    return frames;
}

void TintFrames(std::vector<IconFrame>& frames, Colour colour) {
#ifdef QUILLANE_X87
    const DoublePrecision sameInEveryBuild;
#endif
    const Hsl target = ToHsl(colour.red, colour.green, colour.blue);
    for (IconFrame& frame : frames)
        TintFrame(frame, target);
}

Bytes IcoFileBytes(const std::vector<IconFrame>& frames, const PngEncoder& encodePng) {
    std::vector<Bytes> images;
    for (const IconFrame& frame : frames) {
        Bytes image;
        if (frame.size > kLargestDibFrame && encodePng &&
            encodePng(frame.size, frame.size, frame.bgra, image) && !image.empty()) {
            images.push_back(std::move(image));
            continue;
        }
        image.clear();
        PutDib(image, frame);
        images.push_back(std::move(image));
    }
    Bytes out;
    PutU16(out, 0);
    PutU16(out, 1); // an icon
    PutU16(out, static_cast<unsigned>(frames.size()));
    size_t offset = 6 + 16 * frames.size();
    for (size_t i = 0; i < frames.size(); ++i) {
        const unsigned size = frames[i].size;
        const auto edge = static_cast<std::uint8_t>(size >= 256 ? 0 : size); // 0 stands for 256
        out.push_back(edge);
        out.push_back(edge);
        out.push_back(0); // no palette
        out.push_back(0);
        PutU16(out, 1);
        PutU16(out, 32);
        PutU32(out, static_cast<std::uint32_t>(images[i].size()));
        PutU32(out, static_cast<std::uint32_t>(offset));
        offset += images[i].size();
    }
    for (const Bytes& image : images)
        out.insert(out.end(), image.begin(), image.end());
    return out;
}

} // namespace engine
