// Marks: the names that carry a colour and a mark, and the emblems drawn into
// the system's folder icon at each of its sizes.
#include "engine/FolderMark.h"
#include "engine/TintedIcon.h"
#include "platform/FolderIcon.h"
#include "ui/common/FolderColour.h"
#include "tests/support/FileAsserts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

using namespace engine;
using namespace testing_support;

namespace {

std::vector<IconLook> EveryLook() {
    std::vector<std::optional<Colour>> colours{std::nullopt, Colour{0x1E, 0x90, 0xFF}};
    for (const ColourPreset& preset : ColourPresets())
        colours.emplace_back(preset.colour);
    std::vector<IconLook> looks;
    for (const std::optional<Colour>& colour : colours) {
        looks.push_back({colour, FolderMark::None});
        for (const MarkInfo& info : FolderMarks())
            looks.push_back({colour, info.mark});
    }
    return looks;
}

// WCAG's relative luminance and contrast ratio.
double Luminance(const std::uint8_t* bgr) {
    const auto linear = [](std::uint8_t value) {
        const double unit = value / 255.0;
        return unit <= 0.04045 ? unit / 12.92 : std::pow((unit + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(bgr[2]) + 0.7152 * linear(bgr[1]) + 0.0722 * linear(bgr[0]);
}
double Contrast(const std::uint8_t* one, const std::uint8_t* other) {
    const double a = Luminance(one), b = Luminance(other);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

const std::uint8_t kBlack[4] = {0, 0, 0, 255}, kWhite[4] = {255, 255, 255, 255};

size_t At(int x, int y, int size) {
    return (static_cast<size_t>(y) * static_cast<size_t>(size) + static_cast<size_t>(x)) * 4;
}

IconFrame ClearFrame(unsigned size) {
    IconFrame frame;
    frame.size = size;
    frame.bgra.assign(size_t{size} * size * 4, 0);
    return frame;
}

// What a mark changed in a frame, and how it meets what it did not change.
struct Change {
    explicit Change(const IconFrame& before, const IconFrame& after)
        : size(static_cast<int>(before.size)), after_(after), changed_(before.bgra.size() / 4) {
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                const size_t i = At(x, y, size);
                if (std::equal(before.bgra.data() + i, before.bgra.data() + i + 4,
                               after.bgra.data() + i))
                    continue;
                changed_[i / 4] = true;
                ++pixels;
                left = std::min(left, x);
                top = std::min(top, y);
            }
    }
    bool Changed(int x, int y) const {
        return x >= 0 && y >= 0 && x < size && y < size && changed_[At(x, y, size) / 4];
    }
    // Unchanged, with a changed pixel among its eight neighbours.
    bool Beside(int x, int y) const {
        if (Changed(x, y))
            return false;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (Changed(x + dx, y + dy))
                    return true;
        return false;
    }
    // Changed pixels of that colour at the edge of the change: the outline's.
    int AtEdge(const std::uint8_t* bgra) const {
        int count = 0;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                if (!Changed(x, y) ||
                    !std::equal(bgra, bgra + 4, after_.bgra.data() + At(x, y, size)))
                    continue;
                bool edge = false;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx)
                        edge = edge || (x + dx >= 0 && y + dy >= 0 && x + dx < size &&
                                        y + dy < size && !Changed(x + dx, y + dy));
                if (edge)
                    ++count;
            }
        return count;
    }

    int size, pixels = 0, left = size, top = size;

  private:
    const IconFrame& after_;
    std::vector<bool> changed_;
};

// The system's folder icon, read once, plain and in the colours drawn on.
class MarkedIcon : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        std::vector<Bytes> resources;
        ASSERT_TRUE(platform::ReadSystemFolderIcon(resources));
        codec_ = new platform::PngCodec;
        if (codec_->available())
            decode_ = [](const std::uint8_t* png, size_t size, unsigned& w, unsigned& h,
                         Bytes& bgra) { return codec_->Decode(png, size, w, h, bgra); };
        plain_ = FolderIconFrames(resources, decode_);
    }
    static void TearDownTestSuite() {
        delete codec_;
        codec_ = nullptr;
    }
    // The frame of that size in the preset's colour (none: plain), or an empty one.
    static IconFrame Frame(unsigned size, const wchar_t* preset) {
        std::vector<IconFrame>& frames = tinted_[preset ? preset : L""];
        if (frames.empty()) {
            frames = plain_;
            if (preset)
                TintFrames(frames, FindColourPreset(preset)->colour);
        }
        for (const IconFrame& frame : frames)
            if (frame.size == size)
                return frame;
        return {};
    }

    static std::vector<IconFrame> plain_;
    static std::map<std::wstring, std::vector<IconFrame>> tinted_;
    static platform::PngCodec* codec_;
    static PngDecoder decode_;
};
std::vector<IconFrame> MarkedIcon::plain_;
std::map<std::wstring, std::vector<IconFrame>> MarkedIcon::tinted_;
platform::PngCodec* MarkedIcon::codec_ = nullptr;
PngDecoder MarkedIcon::decode_;

} // namespace

TEST(FolderMarkName, EveryColourAndMarkReadsBackFromItsFileName) {
    size_t marked = 0;
    for (const IconLook& look : EveryLook()) {
        const std::wstring base = FolderIconBaseName(look);
        SCOPED_TRACE(Narrow(base));
        IconLook read{Colour{1, 2, 3}, FolderMark::Heart};
        if (look.Plain()) {
            EXPECT_EQ(base, L"Folder");
            EXPECT_FALSE(LookFromIconFileName(base + L".ico", read));
            continue;
        }
        ++marked;
        ASSERT_TRUE(LookFromIconFileName(base + L".ico", read));
        EXPECT_EQ(read, look);
        read = {};
        ASSERT_TRUE(
            LookFromIconFileName(L"C:\\ProgramData\\Quillane\\Icons\\" + base + L" (2).ico", read));
        EXPECT_EQ(read, look);
        if (look.colour) {
            EXPECT_EQ(base.rfind(FolderIconBaseName(*look.colour), 0), 0u);
        }
    }
    EXPECT_EQ(marked, (ColourPresets().size() + 2) * (FolderMarks().size() + 1) - 1);

    IconLook look;
    ASSERT_TRUE(LookFromIconFileName(L"Folder Done.ico", look));
    EXPECT_EQ(look, (IconLook{std::nullopt, FolderMark::Done}));
    EXPECT_EQ(FolderIconBaseName(IconLook{Colour{0xD3, 0x2F, 0x2F}, FolderMark::InProgress}),
              L"Folder Red D32F2F InProgress");
    ASSERT_TRUE(LookFromIconFileName(L"folder red d32f2f inprogress (12).ICO", look));
    EXPECT_EQ(look, (IconLook{Colour{0xD3, 0x2F, 0x2F}, FolderMark::InProgress}));

    look = {Colour{9, 9, 9}, FolderMark::Heart};
    for (const wchar_t* foreign :
         {L"Folder Red.ico", L"Folder Red D32F2F Nope.ico", L"notes.ico", L"Folder.ico",
          L"Folder D32F2F.ico", L"Folder Red 1E90FF.ico", L"Folder Done Done.ico",
          L"Folder Done (x).ico", L"Folder Done ().ico", L"Folder  Done.ico",
          L"Folder In progress.ico", L"Folder None.ico", L"Folder Done.ico.txt",
          L"Folder Red D32F2F Done Heart.ico", L"Folder 1E90FF Done (2) (3).ico"}) {
        EXPECT_FALSE(LookFromIconFileName(foreign, look)) << Narrow(foreign);
    }
    EXPECT_EQ(look, (IconLook{Colour{9, 9, 9}, FolderMark::Heart}));

    // Names after /mark and in menus.
    FolderMark mark = FolderMark::Done;
    EXPECT_TRUE(FindFolderMark(L"none", mark));
    EXPECT_EQ(mark, FolderMark::None);
    EXPECT_TRUE(FindFolderMark(L"in progress", mark));
    EXPECT_EQ(mark, FolderMark::InProgress);
    EXPECT_TRUE(FindFolderMark(L"INPROGRESS", mark));
    EXPECT_FALSE(FindFolderMark(L"In  progress", mark));
    EXPECT_FALSE(FindFolderMark(L"", mark));
    EXPECT_EQ(FolderMarks().size(), 8u);
}

TEST_F(MarkedIcon, EachMarkKeepsToItsCornerAndItsOutlineStandsOutFromTheBody) {
    // The real frames under Wine are 16, 32, 48 and 256 pixels.
    for (const unsigned size : {16u, 32u, 48u, 256u}) {
        SCOPED_TRACE(size);
        const IconFrame plain = Frame(size, nullptr);
        ASSERT_EQ(plain.size, size);
        // The body: what the tint takes for it, without the folder's own edge
        // lines and highlights, which stand off its middle lightness.
        std::vector<double> lightness;
        for (size_t i = 0; i < plain.bgra.size(); i += 4) {
            const Hsl hsl = ToHsl(plain.bgra[i + 2], plain.bgra[i + 1], plain.bgra[i]);
            if (plain.bgra[i + 3] == 255 && hsl.saturation >= kBodySaturation)
                lightness.push_back(hsl.lightness);
        }
        ASSERT_FALSE(lightness.empty());
        std::sort(lightness.begin(), lightness.end());
        const double middle = lightness[lightness.size() / 2];
        const auto body = [&plain, middle](size_t i) {
            const Hsl hsl = ToHsl(plain.bgra[i + 2], plain.bgra[i + 1], plain.bgra[i]);
            return plain.bgra[i + 3] == 255 && hsl.saturation >= kBodySaturation &&
                   std::fabs(hsl.lightness - middle) <= 0.1;
        };
        // Every preset; at 256 pixels, where drawing is slow, the light, dark
        // and middling ones.
        std::vector<const wchar_t*> presets{nullptr};
        if (size < 256) {
            for (const ColourPreset& preset : ColourPresets())
                presets.push_back(preset.name);
        } else {
            presets.insert(presets.end(), {L"Red", L"Yellow", L"Black"});
        }
        for (const wchar_t* preset : presets) {
            SCOPED_TRACE(preset ? Narrow(preset) : "plain");
            const IconFrame before = Frame(size, preset);
            for (const MarkInfo& info : FolderMarks()) {
                SCOPED_TRACE(Narrow(info.name));
                IconFrame after = before;
                DrawMark(after, info.mark);
                const Change change(before, after);
                ASSERT_GT(change.pixels, 0);
                // Inside the bottom-right corner's box, and about half the side.
                const int box = static_cast<int>(size) * 57 / 100;
                EXPECT_GE(change.left, change.size - box);
                EXPECT_GE(change.top, change.size - box);
                EXPECT_GE(change.size - change.left, change.size * 45 / 100);
                EXPECT_GE(change.size - change.top, change.size * 45 / 100);
                // A solid outline, black or white.
                const int black = change.AtEdge(kBlack), white = change.AtEdge(kWhite);
                const std::uint8_t* ring = black >= white ? kBlack : kWhite;
                EXPECT_GE(std::max(black, white), change.size / 4);
                int beside = 0;
                double worst = 21;
                for (int y = 0; y < change.size; ++y)
                    for (int x = 0; x < change.size; ++x)
                        if (change.Beside(x, y) && body(At(x, y, change.size))) {
                            ++beside;
                            worst =
                                std::min(worst, Contrast(ring, &after.bgra[At(x, y, change.size)]));
                        }
                EXPECT_GT(beside, 0);
                EXPECT_GE(worst, 3.0) << "outline " << (ring == kBlack ? "black" : "white");
            }
        }
    }
}

TEST_F(MarkedIcon, EachSizeIsDrawnForItselfAndNoTwoMarksLookAlike) {
    for (const unsigned size : {16u, 32u, 48u, 256u}) {
        SCOPED_TRACE(size);
        std::vector<IconFrame> drawn;
        for (const MarkInfo& info : FolderMarks()) {
            SCOPED_TRACE(Narrow(info.name));
            // On a clear corner the emblem still shows, whole.
            IconFrame frame = ClearFrame(size);
            DrawMark(frame, info.mark);
            const int side = static_cast<int>(size);
            const int middle = side - side / 4;
            EXPECT_EQ(frame.bgra[At(middle, middle, side) + 3], 255);
            // Its soft edge is one pixel deep, as a shape drawn at this size
            // has it; an enlarged smaller one blurs over several pixels.
            int soft = 0, sharp = 0;
            std::set<int> levels;
            for (int y = 1; y + 1 < side; ++y)
                for (int x = 1; x + 1 < side; ++x) {
                    const int alpha = frame.bgra[At(x, y, side) + 3];
                    if (alpha == 0 || alpha == 255)
                        continue;
                    ++soft;
                    levels.insert(alpha);
                    bool clear = false, solid = false;
                    for (int dy = -1; dy <= 1; ++dy)
                        for (int dx = -1; dx <= 1; ++dx) {
                            const int next = frame.bgra[At(x + dx, y + dy, side) + 3];
                            clear = clear || next == 0;
                            solid = solid || next == 255;
                        }
                    if (clear && solid)
                        ++sharp;
                }
            EXPECT_GT(soft, 0);
            EXPECT_GE(sharp * 100, soft * 95) << sharp << " of " << soft;
            if (size == 256) {
                EXPECT_GE(levels.size(), 10u);
            }
            drawn.push_back(std::move(frame));
        }
        // No two alike, on the clear corner and on the folder.
        for (const wchar_t* preset : {static_cast<const wchar_t*>(nullptr), L"Yellow"}) {
            const IconFrame folder = Frame(size, preset);
            for (const MarkInfo& info : FolderMarks()) {
                drawn.push_back(folder);
                DrawMark(drawn.back(), info.mark);
            }
        }
        for (size_t a = 0; a < drawn.size(); ++a)
            for (size_t b = a + 1; b < drawn.size(); ++b) {
                if (a / FolderMarks().size() != b / FolderMarks().size())
                    continue;
                const Change change(drawn[a], drawn[b]);
                EXPECT_GE(change.pixels, static_cast<int>(size) / 2) << a << " " << b;
            }
        IconFrame untouched = Frame(size, L"Red");
        DrawMark(untouched, FolderMark::None);
        EXPECT_EQ(untouched.bgra, Frame(size, L"Red").bgra);
    }
}

TEST_F(MarkedIcon, TheIconFileHasTheMarkOnEveryFrameDrawnAfterTheTint) {
    const Colour red = FindColourPreset(L"Red")->colour;
    Bytes plainIco, markedIco;
    ASSERT_TRUE(ui::FolderIconBytes(IconLook{red, FolderMark::None}, plainIco));
    ASSERT_TRUE(ui::FolderIconBytes(IconLook{red, FolderMark::Locked}, markedIco));
    std::vector<IconFrame> tinted = plain_;
    TintFrames(tinted, red);
    // The .ico's entries in the order written: the frames, smallest first.
    const auto frames = [](const Bytes& ico) {
        std::vector<IconFrame> read;
        const size_t count = ico[4] | ico[5] << 8;
        for (size_t i = 0; i < count; ++i) {
            const size_t at = 6 + i * 16;
            const auto u32 = [&ico](size_t from) {
                return size_t{ico[from]} | size_t{ico[from + 1]} << 8 |
                       size_t{ico[from + 2]} << 16 | size_t{ico[from + 3]} << 24;
            };
            const auto begin = ico.begin() + static_cast<std::ptrdiff_t>(u32(at + 12));
            IconFrame frame;
            EXPECT_TRUE(DecodeIconFrame(
                Bytes(begin, begin + static_cast<std::ptrdiff_t>(u32(at + 8))), decode_, frame));
            read.push_back(frame);
        }
        return read;
    };
    const std::vector<IconFrame> plainFrames = frames(plainIco), markedFrames = frames(markedIco);
    ASSERT_EQ(markedFrames.size(), tinted.size());
    ASSERT_EQ(plainFrames.size(), tinted.size());
    for (size_t f = 0; f < tinted.size(); ++f) {
        SCOPED_TRACE(tinted[f].size);
        IconFrame expected = tinted[f];
        DrawMark(expected, FolderMark::Locked);
        EXPECT_EQ(markedFrames[f].bgra, expected.bgra);
        EXPECT_GT(Change(plainFrames[f], markedFrames[f]).pixels, 0);
    }
}
