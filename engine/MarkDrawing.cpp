#include "engine/FolderMark.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace engine {

namespace {

// Shapes and pixels are whole numbers, so that the 32-bit and the 64-bit
// build draw the same pixels and each knows the other's icon file as its own;
// only the outline's choice of black or white weighs luminances.
using Int = std::int64_t;

// Shapes are laid out on a square of this many units a side: the emblem
// inside its outline.
constexpr Int kGrid = 256;

struct Point {
    Int x = 0, y = 0;
};

// A direction from an arc's centre, about 1024 long; y grows downwards, so
// clockwise on the screen is the growing angle.
constexpr Point kLeft{-1024, 0}, kRight{1024, 0}, kBelowRight40{784, 658};

struct Part {
    enum class Kind { Disc, Stroke, Arc, Box, Polygon };
    Kind kind = Kind::Disc;
    Point a, b;        // Disc: a the centre; Stroke: the ends; Box: the corners; Arc: a the centre
    Int radius = 0;    // Disc; Stroke and Arc: half the width; Box: the corners' rounding
    Int arcRadius = 0; // Arc: of the stroke's middle
    Point from, to;    // Arc: clockwise from one direction to the other, round ends
    std::vector<Point> points; // Polygon; Arc: its ends
};

Part Disc(Int x, Int y, Int radius) {
    Part part;
    part.a = {x, y};
    part.radius = radius;
    return part;
}
Part Stroke(Int x1, Int y1, Int x2, Int y2, Int halfWidth) {
    Part part;
    part.kind = Part::Kind::Stroke;
    part.a = {x1, y1};
    part.b = {x2, y2};
    part.radius = halfWidth;
    return part;
}
Part Arc(Int x, Int y, Int radius, Int halfWidth, Point from, Point to) {
    Part part;
    part.kind = Part::Kind::Arc;
    part.a = {x, y};
    part.arcRadius = radius;
    part.radius = halfWidth;
    part.from = from;
    part.to = to;
    // The ends, where the round caps sit.
    for (const Point direction : {from, to})
        part.points.push_back({x + direction.x * radius / 1024, y + direction.y * radius / 1024});
    return part;
}
Part Box(Int left, Int top, Int right, Int bottom, Int rounding) {
    Part part;
    part.kind = Part::Kind::Box;
    part.a = {left, top};
    part.b = {right, bottom};
    part.radius = rounding;
    return part;
}
Part Polygon(std::vector<Point> points) {
    Part part;
    part.kind = Part::Kind::Polygon;
    part.points = std::move(points);
    return part;
}

struct Layer {
    Colour colour;
    std::vector<Part> parts;
};

constexpr Colour kWhite{255, 255, 255};

// The emblem's layers, bottom first; the outline goes round all of them.
std::vector<Layer> EmblemOf(FolderMark mark) {
    // Square with round corners: its straight edges fall on whole pixels, so
    // that even at 16 pixels the outline is solid along them.
    const Part badge = Box(0, 0, 256, 256, 64);
    switch (mark) {
    case FolderMark::None:
        break;
    case FolderMark::Done:
        return {{{0x2E, 0x7D, 0x32}, {badge}},
                {kWhite, {Stroke(64, 134, 108, 178, 22), Stroke(108, 178, 194, 86, 22)}}};
    case FolderMark::Important:
        return {{{0xEF, 0x6C, 0x00}, {badge}},
                {kWhite, {Stroke(128, 52, 128, 144, 23), Disc(128, 196, 24)}}};
    case FolderMark::InProgress:
        return {
            {{0x15, 0x65, 0xC0}, {badge}},
            {kWhite,
             {Stroke(128, 128, 128, 50, 18), Stroke(128, 128, 184, 160, 18), Disc(128, 128, 24)}}};
    case FolderMark::Favourite:
        return {{{0xF9, 0xA8, 0x25}, {badge}},
                {kWhite,
                 {Polygon({{128, 36},
                           {156, 97},
                           {223, 105},
                           {174, 151},
                           {187, 217},
                           {128, 184},
                           {69, 217},
                           {82, 151},
                           {33, 105},
                           {100, 97}})}}};
    case FolderMark::Question:
        return {{{0x6A, 0x1B, 0x9A}, {badge}},
                {kWhite,
                 {Arc(128, 88, 42, 19, kLeft, kBelowRight40), Stroke(160, 115, 128, 140, 19),
                  Stroke(128, 140, 128, 150, 19), Disc(128, 194, 22)}}};
    case FolderMark::Cancelled:
        return {{{0xC6, 0x28, 0x28}, {badge}},
                {kWhite, {Stroke(78, 78, 178, 178, 24), Stroke(178, 78, 78, 178, 24)}}};
    case FolderMark::Locked:
        return {{{0x45, 0x5A, 0x64}, {badge}},
                {kWhite,
                 {Arc(128, 104, 44, 16, kLeft, kRight), Stroke(84, 104, 84, 128, 16),
                  Stroke(172, 104, 172, 128, 16), Box(52, 122, 204, 226, 16)}},
                {{0x45, 0x5A, 0x64}, {Disc(128, 164, 17), Stroke(128, 164, 128, 196, 9)}}};
    case FolderMark::Heart:
        return {{{0xD8, 0x1B, 0x60}, {badge}},
                {kWhite,
                 {Disc(94, 93, 44), Disc(162, 93, 44),
                  Polygon({{59, 120}, {94, 93}, {162, 93}, {197, 120}, {128, 207}})}}};
    }
    return {};
}

Int Square(Int value) {
    return value * value;
}

Int DistanceSquared(Point p, Point q) {
    return Square(p.x - q.x) + Square(p.y - q.y);
}

Int Cross(Point a, Point b) {
    return a.x * b.y - a.y * b.x;
}

Int ToSegmentSquared(Point p, Point a, Point b) {
    const Point d{b.x - a.x, b.y - a.y};
    const Int along = (p.x - a.x) * d.x + (p.y - a.y) * d.y;
    const Int length = Square(d.x) + Square(d.y);
    if (along <= 0 || length == 0)
        return DistanceSquared(p, a);
    if (along >= length)
        return DistanceSquared(p, b);
    return DistanceSquared(p, {a.x + d.x * along / length, a.y + d.y * along / length});
}

// Even-odd rule: a ray to the right crosses the edges an odd number of times.
bool InsidePolygon(Point p, const std::vector<Point>& points) {
    bool inside = false;
    for (size_t i = 0, j = points.size() - 1; i < points.size(); j = i++) {
        const Point a = points[i], b = points[j];
        if ((a.y > p.y) == (b.y > p.y))
            continue;
        // p.x < where the edge crosses p's row, without dividing.
        const Int side = (b.x - a.x) * (p.y - a.y) - (p.x - a.x) * (b.y - a.y);
        if (b.y > a.y ? side > 0 : side < 0)
            inside = !inside;
    }
    return inside;
}

bool WithinSector(Point v, Point from, Point to) {
    if (Cross(from, to) >= 0)
        return Cross(from, v) >= 0 && Cross(v, to) >= 0;
    return !(Cross(to, v) > 0 && Cross(v, from) > 0);
}

// Whether p lies in the part grown by grow all round; a negative grow
// shrinks it (where that is not worked out exactly, the answer is no).
bool Covers(const Part& part, Point p, Int grow) {
    const Int reach = part.radius + grow;
    switch (part.kind) {
    case Part::Kind::Disc:
        return reach >= 0 && DistanceSquared(p, part.a) <= Square(reach);
    case Part::Kind::Stroke:
        return reach >= 0 && ToSegmentSquared(p, part.a, part.b) <= Square(reach);
    case Part::Kind::Arc: {
        if (reach < 0)
            return false;
        const Point v{p.x - part.a.x, p.y - part.a.y};
        if (WithinSector(v, part.from, part.to)) {
            const Int distance = Square(v.x) + Square(v.y);
            const Int inner = part.arcRadius - reach;
            return distance <= Square(part.arcRadius + reach) &&
                   (inner <= 0 || distance >= Square(inner));
        }
        for (const Point end : part.points)
            if (DistanceSquared(p, end) <= Square(reach))
                return true;
        return false;
    }
    case Part::Kind::Box: {
        if (reach < 0)
            return false;
        const Int r = part.radius;
        const Int dx = std::max({part.a.x + r - p.x, p.x - (part.b.x - r), Int{0}});
        const Int dy = std::max({part.a.y + r - p.y, p.y - (part.b.y - r), Int{0}});
        return Square(dx) + Square(dy) <= Square(reach);
    }
    case Part::Kind::Polygon: {
        const bool inside = InsidePolygon(p, part.points);
        if (grow == 0 || inside != (grow < 0))
            return inside;
        // Grown: outside but near an edge; shrunk: inside and no edge near.
        for (size_t i = 0, j = part.points.size() - 1; i < part.points.size(); j = i++)
            if (ToSegmentSquared(p, part.points[j], part.points[i]) <= Square(grow))
                return grow > 0;
        return grow < 0;
    }
    }
    return false;
}

constexpr size_t kUnsure = static_cast<size_t>(-1);

// What the point shows: 0 nothing, l + 1 layer l, layers.size() + 1 the
// outline. With a margin, the same for every point that near, or kUnsure
// where an edge passes nearer.
size_t Shown(const std::vector<std::vector<Part>>& layers, Point p, Int outline, Int margin) {
    for (size_t l = layers.size(); l-- > 0;) {
        bool near = false;
        for (const Part& part : layers[l]) {
            if (Covers(part, p, -margin))
                return l + 1;
            near = near || (margin > 0 && Covers(part, p, margin));
        }
        if (near)
            return kUnsure;
    }
    bool near = false;
    for (const std::vector<Part>& layer : layers)
        for (const Part& part : layer) {
            if (Covers(part, p, outline - margin))
                return layers.size() + 1;
            near = near || (margin > 0 && Covers(part, p, outline + margin));
        }
    return near ? kUnsure : 0;
}

// The part on the frame's grid of samples: unit is one grid unit's length there.
Part Placed(const Part& part, Int origin, Int unit) {
    Part placed = part;
    const auto at = [origin, unit](Point p) {
        return Point{origin + p.x * unit, origin + p.y * unit};
    };
    placed.a = at(part.a);
    placed.b = at(part.b);
    placed.radius = part.radius * unit;
    placed.arcRadius = part.arcRadius * unit;
    for (Point& point : placed.points)
        point = at(point);
    return placed;
}

// WCAG's relative luminance and contrast ratio.
double Luminance(Colour colour) {
    const auto linear = [](std::uint8_t value) {
        const double unit = value / 255.0;
        return unit <= 0.04045 ? unit / 12.92 : std::pow((unit + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(colour.red) + 0.7152 * linear(colour.green) +
           0.0722 * linear(colour.blue);
}

double ContrastRatio(double one, double other) {
    return (std::max(one, other) + 0.05) / (std::min(one, other) + 0.05);
}

constexpr Colour kDarkOutline{0, 0, 0}, kLightOutline{255, 255, 255};
// 3:1 is asked for; counting from a little more keeps the choice clear of
// the body's shading where both come close.
constexpr double kOutlineContrast = 3.5;

// Of a dark and a light outline, the one that stands out from more of the
// pixels beside it; on a clear corner, the dark one.
Colour OutlineFor(const std::vector<Colour>& colours, const std::vector<std::uint8_t>& alphas) {
    const double dark = Luminance(kDarkOutline), light = Luminance(kLightOutline);
    Int darkShare = 0, lightShare = 0;
    for (size_t i = 0; i < colours.size(); ++i) {
        const double luminance = Luminance(colours[i]);
        if (ContrastRatio(luminance, dark) >= kOutlineContrast)
            darkShare += alphas[i];
        if (ContrastRatio(luminance, light) >= kOutlineContrast)
            lightShare += alphas[i];
    }
    return lightShare > darkShare ? kLightOutline : kDarkOutline;
}

} // namespace

void DrawMark(IconFrame& frame, FolderMark mark) {
    const std::vector<Layer> layers = EmblemOf(mark);
    const Int size = frame.size;
    // Below 8 pixels no emblem would read.
    if (layers.empty() || size < 8 || frame.bgra.size() != static_cast<size_t>(size * size * 4))
        return;
    // The emblem's box: a little over half the side, so that 16 pixels give 9;
    // odd, so that a stroke down the middle fills a column of its own.
    const Int side = ((size * 17 + 16) / 32) | 1;
    // Samples a pixel side: enough for smooth edges, few where pixels are many.
    const Int samples = std::clamp<Int>((160 + side - 1) / side, 4, 16);
    // Sample units: a pixel is 2 * samples * kGrid, and sample k's middle is at
    // (2k + 1) * kGrid, so that the grid's units land on whole numbers.
    const Int pixel = 2 * samples * kGrid;
    // Whole pixels wide, so that the badge's edges fall on whole pixels too.
    const Int outline = std::max<Int>(1, side / 16) * pixel;
    const Int unit = (side * pixel - 2 * outline) / kGrid;

    std::vector<std::vector<Part>> placed(layers.size());
    for (size_t l = 0; l < layers.size(); ++l)
        for (const Part& part : layers[l].parts)
            placed[l].push_back(Placed(part, outline, unit));

    // Per pixel of the box, how many samples each layer shows, the outline's
    // (layer 0) first.
    const size_t layerCount = layers.size() + 1;
    const auto boxPixels = static_cast<size_t>(side * side);
    std::vector<std::uint16_t> counts(boxPixels * layerCount, 0);
    const Int all = samples * samples;
    // A pixel whose middle lies this far from every edge shows one thing
    // throughout (half its diagonal is under three quarters of its side).
    const Int margin = pixel * 3 / 4;
    for (Int y = 0; y < side; ++y)
        for (Int x = 0; x < side; ++x) {
            std::uint16_t* count = &counts[static_cast<size_t>(y * side + x) * layerCount];
            const auto add = [count, layerCount](size_t shown, Int times) {
                if (shown != 0)
                    count[shown == layerCount ? 0 : shown] += static_cast<std::uint16_t>(times);
            };
            const size_t whole =
                Shown(placed, {(2 * x + 1) * samples * kGrid, (2 * y + 1) * samples * kGrid},
                      outline, margin);
            if (whole != kUnsure) {
                add(whole, all);
                continue;
            }
            for (Int sy = 0; sy < samples; ++sy)
                for (Int sx = 0; sx < samples; ++sx)
                    add(Shown(placed,
                              {(2 * (x * samples + sx) + 1) * kGrid,
                               (2 * (y * samples + sy) + 1) * kGrid},
                              outline, 0),
                        1);
        }

    const Int origin = size - side;
    const auto pixelAt = [&frame, size, origin](Int x, Int y) {
        return &frame.bgra[static_cast<size_t>(((origin + y) * size + origin + x) * 4)];
    };
    // The outline is measured against what shows beside it: the pixels the
    // emblem leaves alone next to those it covers, the row above the box and
    // the column to its left among them.
    const auto coverage = [&counts, layerCount, side](Int x, Int y) {
        if (x < 0 || y < 0 || x >= side || y >= side)
            return Int{0};
        const std::uint16_t* count = &counts[static_cast<size_t>(y * side + x) * layerCount];
        Int covered = 0;
        for (size_t l = 0; l < layerCount; ++l)
            covered += count[l];
        return covered;
    };
    std::vector<Colour> beside;
    std::vector<std::uint8_t> besideAlpha;
    for (Int y = origin > 0 ? -1 : 0; y < side; ++y)
        for (Int x = origin > 0 ? -1 : 0; x < side; ++x) {
            if (coverage(x, y) != 0)
                continue;
            bool next = false;
            for (Int dy = -1; dy <= 1 && !next; ++dy)
                for (Int dx = -1; dx <= 1 && !next; ++dx)
                    next = coverage(x + dx, y + dy) != 0;
            const std::uint8_t* p = pixelAt(x, y);
            if (next && p[3] != 0) {
                beside.push_back({p[2], p[1], p[0]});
                besideAlpha.push_back(p[3]);
            }
        }
    std::vector<Colour> colours{OutlineFor(beside, besideAlpha)};
    for (const Layer& layer : layers)
        colours.push_back(layer.colour);

    // The emblem over the frame, with the frame's alpha kept straight.
    for (Int y = 0; y < side; ++y)
        for (Int x = 0; x < side; ++x) {
            const std::uint16_t* count = &counts[static_cast<size_t>(y * side + x) * layerCount];
            Int covered = 0, blue = 0, green = 0, red = 0;
            for (size_t l = 0; l < layerCount; ++l) {
                covered += count[l];
                blue += count[l] * Int{colours[l].blue};
                green += count[l] * Int{colours[l].green};
                red += count[l] * Int{colours[l].red};
            }
            if (covered == 0)
                continue;
            std::uint8_t* p = pixelAt(x, y);
            // Colours weighted by 255 * all; alpha in 1 / all.
            const Int below = Int{p[3]} * (all - covered);
            const Int alpha = covered * 255 + below;
            const auto mixed = [&](Int emblem, std::uint8_t frameValue) {
                const Int sum = emblem * 255 + Int{frameValue} * below;
                return static_cast<std::uint8_t>((2 * sum + alpha) / (2 * alpha));
            };
            p[0] = mixed(blue, p[0]);
            p[1] = mixed(green, p[1]);
            p[2] = mixed(red, p[2]);
            p[3] = static_cast<std::uint8_t>((2 * alpha + all) / (2 * all));
        }
}

} // namespace engine
