// The tinted folder icons: frames read from the system, the tint, the .ico
// written, and the one shared file per colour.
#include "engine/SharedIcon.h"
#include "engine/TintedIcon.h"
#include "platform/FolderIcon.h"
#include "platform/Files.h"
#include "platform/SystemApi.h"
#include "ui/common/FolderColour.h"
#include "tests/support/FileAsserts.h"
#include "tests/support/TempDir.h"
#include "tests/support/UnixSide.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

using namespace engine;
using namespace testing_support;

namespace {

struct IcoEntry {
    unsigned size = 0, bits = 0;
    Bytes data;
};

std::uint32_t U32(const Bytes& data, size_t at) {
    return data[at] | data[at + 1] << 8 | data[at + 2] << 16 | std::uint32_t{data[at + 3]} << 24;
}

std::vector<IcoEntry> ReadIco(const Bytes& ico) {
    std::vector<IcoEntry> entries;
    if (ico.size() < 6 || ico[0] != 0 || ico[1] != 0 || ico[2] != 1 || ico[3] != 0)
        return entries;
    const size_t count = ico[4] | ico[5] << 8;
    for (size_t i = 0; i < count && ico.size() >= 6 + (i + 1) * 16; ++i) {
        const size_t at = 6 + i * 16;
        IcoEntry entry;
        entry.size = ico[at] == 0 ? 256 : ico[at];
        entry.bits = ico[at + 6] | ico[at + 7] << 8;
        const size_t length = U32(ico, at + 8), offset = U32(ico, at + 12);
        if (offset + length <= ico.size())
            entry.data.assign(ico.begin() + static_cast<std::ptrdiff_t>(offset),
                              ico.begin() + static_cast<std::ptrdiff_t>(offset + length));
        entries.push_back(entry);
    }
    return entries;
}

bool IsPng(const Bytes& data) {
    return data.size() > 8 && data[1] == 'P' && data[2] == 'N' && data[3] == 'G';
}

double HueDistance(double a, double b) {
    const double d = std::fabs(a - b);
    return std::min(d, 360 - d);
}

// The system's folder icon, read once for the whole program.
class SystemIcon : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(platform::ReadSystemFolderIcon(resources_));
        codec_ = new platform::PngCodec;
        if (codec_->available())
            decode_ = [](const std::uint8_t* png, size_t size, unsigned& w, unsigned& h,
                         Bytes& bgra) { return codec_->Decode(png, size, w, h, bgra); };
        for (const Bytes& data : resources_) {
            IconFrame frame;
            if (DecodeIconFrame(data, decode_, frame))
                largest_ = std::max(largest_, frame.size);
        }
    }
    static void TearDownTestSuite() {
        delete codec_;
        codec_ = nullptr;
    }

    static std::vector<Bytes> resources_;
    static platform::PngCodec* codec_;
    static PngDecoder decode_;
    static unsigned largest_;
};
std::vector<Bytes> SystemIcon::resources_;
platform::PngCodec* SystemIcon::codec_ = nullptr;
PngDecoder SystemIcon::decode_;
unsigned SystemIcon::largest_ = 0;

} // namespace

TEST(FolderIconSource, AStubThatNamesTheDocumentIconForEveryIdIsPassedOver) {
    std::wstring module;
    int index = -1;
    platform::SystemFolderIconLocation(module, index);
    std::wstring stockFolder, stockDocument;
    int folderIndex = 0, documentIndex = 0;
    const bool stub = platform::StockIconLocation(3, stockFolder, folderIndex) &&
                      platform::StockIconLocation(0, stockDocument, documentIndex) &&
                      folderIndex == documentIndex &&
                      _wcsicmp(stockFolder.c_str(), stockDocument.c_str()) == 0;
    if (stub || stockFolder.empty()) {
        EXPECT_EQ(index, -4);
        EXPECT_TRUE(module.size() > 12 &&
                    _wcsicmp(module.c_str() + module.size() - 12, L"\\shell32.dll") == 0)
            << Narrow(module);
    } else {
        EXPECT_EQ(module, stockFolder);
        EXPECT_EQ(index, folderIndex);
    }
    // As on XP, where there are no stock icons.
    platform::ScopedLegacyApis xp(platform::NoStockIconInfo);
    const unsigned before = platform::LegacyPathRuns(platform::NoStockIconInfo);
    platform::SystemFolderIconLocation(module, index);
    EXPECT_GT(platform::LegacyPathRuns(platform::NoStockIconInfo), before);
    EXPECT_EQ(index, -4);
    std::vector<Bytes> frames;
    EXPECT_TRUE(platform::ReadIconGroup(module, index, frames));
    EXPECT_FALSE(frames.empty());
}

TEST_F(SystemIcon, TheFileHasEveryFrameAt32BitsAndEachLoadsAtItsSize) {
    ASSERT_GE(largest_, 32u);
    Bytes ico;
    ASSERT_TRUE(ui::FolderIconBytes({0xD3, 0x2F, 0x2F}, ico));
    const std::vector<IcoEntry> entries = ReadIco(ico);
    std::set<unsigned> sizes;
    for (const IcoEntry& entry : entries) {
        SCOPED_TRACE(entry.size);
        sizes.insert(entry.size);
        EXPECT_LE(entry.size, largest_);
        EXPECT_EQ(entry.bits, 32u);
        ASSERT_FALSE(entry.data.empty());
        if (entry.size <= 48) {
            // XP reads only the uncompressed form.
            ASSERT_FALSE(IsPng(entry.data));
            EXPECT_EQ(U32(entry.data, 0), 40u);
            EXPECT_EQ(U32(entry.data, 8), entry.size * 2);
            EXPECT_EQ(entry.data[14], 32);
        } else {
            EXPECT_EQ(IsPng(entry.data), codec_->available());
        }
        IconFrame frame;
        ASSERT_TRUE(DecodeIconFrame(entry.data, decode_, frame));
        EXPECT_EQ(frame.size, entry.size);
        bool clear = false, softEdge = false;
        for (size_t i = 3; i < frame.bgra.size(); i += 4) {
            clear = clear || frame.bgra[i] == 0;
            softEdge = softEdge || (frame.bgra[i] > 0 && frame.bgra[i] < 255);
        }
        EXPECT_TRUE(clear && softEdge) << "no alpha between clear and opaque";
        HICON icon = CreateIconFromResourceEx(
            const_cast<BYTE*>(entry.data.data()), static_cast<DWORD>(entry.data.size()), TRUE,
            0x00030000, static_cast<int>(entry.size), static_cast<int>(entry.size), 0);
        EXPECT_NE(icon, nullptr);
        if (icon)
            DestroyIcon(icon);
    }
    EXPECT_EQ(sizes.size(), entries.size()) << "a size twice";
    for (unsigned wanted : {16u, 20u, 24u, 32u, 40u, 48u, 64u})
        if (wanted < largest_ || wanted == 16 || wanted == 32) {
            EXPECT_EQ(sizes.count(wanted), 1u) << wanted;
        }
}

TEST_F(SystemIcon, EveryPresetTintsTheBodyAndKeepsTheRest) {
    const std::vector<IconFrame> source = FolderIconFrames(resources_, decode_);
    ASSERT_FALSE(source.empty());
    ASSERT_GE(ColourPresets().size(), 12u);
    for (const ColourPreset& preset : ColourPresets()) {
        SCOPED_TRACE(Narrow(preset.name));
        const Hsl target = ToHsl(preset.colour.red, preset.colour.green, preset.colour.blue);
        std::vector<IconFrame> tinted = source;
        TintFrames(tinted, preset.colour);
        for (size_t f = 0; f < source.size(); ++f) {
            SCOPED_TRACE(source[f].size);
            const Bytes &before = source[f].bgra, &after = tinted[f].bgra;
            ASSERT_EQ(before.size(), after.size());
            size_t bodyPixels = 0, offHue = 0;
            double saturation = 0, lightness = 0;
            std::vector<std::pair<double, double>> shading; // source, tinted lightness
            for (size_t i = 0; i < before.size(); i += 4) {
                ASSERT_EQ(before[i + 3], after[i + 3]) << "alpha at " << i / 4;
                if (before[i + 3] == 0)
                    continue;
                const Hsl was = ToHsl(before[i + 2], before[i + 1], before[i]);
                if (was.saturation < kBodySaturation) {
                    ASSERT_TRUE(std::equal(&before[i], &before[i + 4], &after[i]))
                        << "pixel outside the body changed at " << i / 4;
                    continue;
                }
                const Hsl is = ToHsl(after[i + 2], after[i + 1], after[i]);
                ++bodyPixels;
                saturation += is.saturation;
                lightness += is.lightness;
                shading.emplace_back(was.lightness, is.lightness);
                const int chroma = std::max({after[i], after[i + 1], after[i + 2]}) -
                                   std::min({after[i], after[i + 1], after[i + 2]});
                // Below a few steps of colour the hue is rounding's.
                if (after[i + 3] == 255 && target.saturation > 0.1 && chroma >= 12 &&
                    HueDistance(is.hue, target.hue) > 8)
                    ++offHue;
            }
            ASSERT_GT(bodyPixels, 0u);
            EXPECT_EQ(offHue, 0u);
            saturation /= double(bodyPixels);
            lightness /= double(bodyPixels);
            if (preset.colour == Colour{0x80, 0x80, 0x80}) {
                EXPECT_LT(saturation, 0.02);
            }
            if (preset.colour == Colour{0, 0, 0}) {
                EXPECT_LT(lightness, 0.2);
            }
            if (target.lightness > 0.2 && target.lightness < 0.8) {
                EXPECT_NEAR(lightness, target.lightness, 0.06);
            }
            std::sort(shading.begin(), shading.end());
            for (size_t i = 1; i < shading.size(); ++i)
                if (shading[i].first > shading[i - 1].first) {
                    ASSERT_GE(shading[i].second, shading[i - 1].second - 2.0 / 255)
                        << "shading out of order at lightness " << shading[i].first;
                }
        }
    }
}

TEST(TintedIcon, ScalingWeighsColourByAlphaAndLowDepthsTakeTheMask) {
    // One opaque red pixel among clear green ones: the green must not show.
    IconFrame frame;
    frame.size = 2;
    frame.bgra = {0, 0, 255, 255, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255, 0, 0};
    const IconFrame one = ScaleDown(frame, 1);
    ASSERT_EQ(one.bgra.size(), 4u);
    EXPECT_EQ(one.bgra[0], 0);
    EXPECT_EQ(one.bgra[1], 0);
    EXPECT_EQ(one.bgra[2], 255);
    EXPECT_EQ(one.bgra[3], 64);

    // A 4-bit frame of 8 x 8: palette index 1 (blue) everywhere, the top row masked out.
    Bytes dib(40, 0);
    const auto put32 = [&dib](size_t at, std::uint32_t value) {
        for (int b = 0; b < 4; ++b)
            dib[at + size_t(b)] = static_cast<std::uint8_t>(value >> (8 * b));
    };
    put32(0, 40);
    put32(4, 8);
    put32(8, 16);
    dib[12] = 1;
    dib[14] = 4;
    for (int i = 0; i < 16; ++i)
        dib.insert(dib.end(), {std::uint8_t(i == 1 ? 255 : 0), 0, 0, 0});
    dib.insert(dib.end(), size_t{32}, 0x11); // 8 rows of 4 bytes
    for (int row = 0; row < 8; ++row)        // bottom up: the last row is the top one
        dib.insert(dib.end(), {std::uint8_t(row == 7 ? 0xFF : 0), 0, 0, 0});
    IconFrame decoded;
    ASSERT_TRUE(DecodeIconFrame(dib, {}, decoded));
    EXPECT_EQ(decoded.size, 8u);
    EXPECT_EQ(decoded.sourceBits, 4u);
    EXPECT_EQ(decoded.bgra[3], 0);           // top left, masked
    EXPECT_EQ(decoded.bgra[8 * 4 + 3], 255); // second row
    EXPECT_EQ(decoded.bgra[8 * 4 + 0], 255); // blue
    dib.resize(dib.size() - 1);              // a mask cut short
    EXPECT_FALSE(DecodeIconFrame(dib, {}, decoded));

    Colour colour;
    EXPECT_TRUE(ParseColourText(L"1e90FF", colour));
    EXPECT_EQ(ColourText(colour), L"1E90FF");
    EXPECT_FALSE(ParseColourText(L"#1E90FF", colour));
    EXPECT_EQ(FolderIconBaseName(colour), L"Folder 1E90FF");
    ASSERT_NE(FindColourPreset(L"red"), nullptr);
    EXPECT_EQ(FolderIconBaseName(FindColourPreset(L"red")->colour), L"Folder Red D32F2F");
}

TEST(SharedIconFile, OneFilePerColourNeverAnotherFileAndThePerUserPlaceWhenShut) {
    TempDir temp;
    // The application data folders are there; Quillane\Icons below them are made.
    temp.MakeFolder(L"all");
    temp.MakeFolder(L"user");
    const std::wstring shared = temp / L"all\\Quillane\\Icons";
    const std::wstring perUser = temp / L"user\\Quillane\\Icons";
    const Colour red = FindColourPreset(L"Red")->colour;
    SharedIcon first, second;
    ASSERT_TRUE(ui::FolderIconFile(red, shared, perUser, first));
    EXPECT_EQ(first.path, shared + L"\\Folder Red D32F2F.ico");
    EXPECT_TRUE(first.written);
    EXPECT_FALSE(first.perUser);
    platform::FileStamp stamp;
    ASSERT_TRUE(platform::ReadStamp(first.path, stamp));
    const Bytes bytes = ReadBytes(first.path);
    Sleep(20);
    ASSERT_TRUE(ui::FolderIconFile(red, shared, perUser, second));
    EXPECT_EQ(second.path, first.path);
    EXPECT_FALSE(second.written);
    platform::FileStamp again;
    ASSERT_TRUE(platform::ReadStamp(second.path, again));
    EXPECT_TRUE(again == stamp);
    EXPECT_EQ(ReadBytes(second.path), bytes);

    // Another colour's name held by other bytes: left alone, the next name used.
    const Colour own{0x1E, 0x90, 0xFF};
    WriteBytes(shared + L"\\Folder 1E90FF.ico", "not an icon");
    SharedIcon planted;
    ASSERT_TRUE(ui::FolderIconFile(own, shared, perUser, planted));
    EXPECT_EQ(planted.path, shared + L"\\Folder 1E90FF (2).ico");
    EXPECT_EQ(ReadAnsi(shared + L"\\Folder 1E90FF.ico"), "not an icon");
    SharedIcon plantedAgain;
    ASSERT_TRUE(ui::FolderIconFile(own, shared, perUser, plantedAgain));
    EXPECT_EQ(plantedAgain.path, planted.path);
    EXPECT_FALSE(plantedAgain.written);

    // The shared folder refuses writes: the per-user one, and the caller is told.
    const Colour green = FindColourPreset(L"Green")->colour;
    SharedIcon shut;
    {
        Immutable locked(shared);
        ASSERT_TRUE(locked.ok());
        ASSERT_TRUE(ui::FolderIconFile(green, shared, perUser, shut));
        // What the shared folder holds already is still used.
        SharedIcon found;
        ASSERT_TRUE(ui::FolderIconFile(red, shared, perUser, found));
        EXPECT_EQ(found.path, first.path);
        EXPECT_FALSE(found.perUser);
    }
    EXPECT_TRUE(shut.perUser);
    EXPECT_NE(shut.sharedError, 0u);
    EXPECT_EQ(shut.path, perUser + L"\\Folder Green 2E7D32.ico");
    EXPECT_FALSE(Exists(shared + L"\\Folder Green 2E7D32.ico"));
    EXPECT_TRUE(Exists(shut.path));
    EXPECT_FALSE(Exists(shared + L"\\Folder Green 2E7D32.ico.new"));
}

TEST(SharedIconFile, ALinkAtTheNameIsPassedOverAndNothingIsWrittenThroughIt) {
    TempDir temp;
    const std::wstring shared = temp.MakeFolder(L"Icons");
    const std::wstring outside = temp.MakeFolder(L"Outside");
    const Colour colour{0x20, 0x40, 0x60};
    Bytes ico;
    ASSERT_TRUE(ui::FolderIconBytes(colour, ico));
    const std::wstring base = FolderIconBaseName(colour);
    // The first name leads to someone's file, the second nowhere yet.
    WriteBytes(outside + L"\\theirs.ico", "their bytes");
    ASSERT_TRUE(MakeUnixLink(outside + L"\\theirs.ico", shared + L"\\" + base + L".ico"));
    ASSERT_TRUE(MakeUnixLink(outside + L"\\nowhere.ico", shared + L"\\" + base + L" (2).ico"));
    SharedIcon placed;
    ASSERT_TRUE(PlaceSharedIcon(shared, L"", base, ico, placed));
    EXPECT_EQ(ReadAnsi(outside + L"\\theirs.ico"), "their bytes");
    EXPECT_FALSE(Exists(outside + L"\\nowhere.ico"));
    EXPECT_EQ(placed.path, shared + L"\\" + base + L" (3).ico");
    EXPECT_EQ(ReadBytes(placed.path), ico);

    // Every frame of the written file loads from it at its size, as Explorer asks.
    for (int size : {16, 20, 24, 32, 40, 48}) {
        HICON icon = static_cast<HICON>(
            LoadImageW(nullptr, placed.path.c_str(), IMAGE_ICON, size, size, LR_LOADFROMFILE));
        ASSERT_NE(icon, nullptr) << size;
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP bitmap{};
        GetObjectW(info.hbmColor, sizeof bitmap, &bitmap);
        EXPECT_EQ(bitmap.bmWidth, size);
        EXPECT_EQ(bitmap.bmBitsPixel, 32);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(icon);
    }
}
