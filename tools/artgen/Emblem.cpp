#include "Emblem.h"

#include "DetMath.h"
#include "Quantize.h"

#include <cmath>

namespace artgen {

namespace {

struct Vec3 {
    double x, y, z;
};

Vec3 normalised(const Vec3& v)
{
    const double length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    return {v.x / length, v.y / length, v.z / length};
}

double dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

Vec3 cross(const Vec3& a, const Vec3& b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

// Light from the upper left, slightly in front; y grows downwards.
const Vec3 kLight = normalised({-0.55, -0.75, 0.75});
const Vec3 kHalfway = normalised({kLight.x, kLight.y, kLight.z + 1.0});

const std::vector<RampStop> kGold = {
    {0.00, {0.09, 0.045, 0.010}}, {0.30, {0.38, 0.21, 0.05}}, {0.55, {0.72, 0.48, 0.15}},
    {0.75, {0.93, 0.74, 0.32}},   {0.90, {1.00, 0.90, 0.58}}, {1.00, {1.00, 0.98, 0.86}},
};
const std::vector<RampStop> kBronze = {
    {0.00, {0.08, 0.035, 0.010}}, {0.30, {0.33, 0.16, 0.05}}, {0.55, {0.64, 0.38, 0.13}},
    {0.75, {0.88, 0.62, 0.27}},   {0.90, {0.98, 0.84, 0.52}}, {1.00, {1.00, 0.97, 0.84}},
};
const std::vector<RampStop> kSilver = {
    {0.00, {0.05, 0.05, 0.06}}, {0.30, {0.25, 0.26, 0.29}}, {0.55, {0.52, 0.54, 0.58}},
    {0.75, {0.76, 0.78, 0.82}}, {0.90, {0.91, 0.92, 0.95}}, {1.00, {1.00, 1.00, 1.00}},
};
const Colour kOutline = {0.05, 0.025, 0.008};
const Colour kFieldDeep = {0.012, 0.016, 0.040};
const Colour kFieldLit = {0.050, 0.062, 0.120};

// Polished metal: a broad diffuse term for the body colour plus a tight highlight.
Colour metal(const std::vector<RampStop>& ramp, const Vec3& normal)
{
    const double diffuse = clamp01(dot(normal, kLight));
    double shine = clamp01(dot(normal, kHalfway));
    shine *= shine;
    shine *= shine;
    shine *= shine;
    shine *= shine;
    shine *= shine; // ^32
    return sampleRamp(ramp, clamp01(0.08 + 0.72 * diffuse + 0.45 * shine));
}

// A surface tilted by `tilt` towards the direction (dx, dy).
Vec3 tilted(double dx, double dy, double tilt) { return normalised({dx * tilt, dy * tilt, 1.0}); }

struct Design {
    double pixelsPerUnit;  // how many pixels the emblem radius spans
    double rimInner;       // inner edge of the metal rim
    double starLong;       // reach of the four main points
    double starShort;      // reach of the four diagonal points
    double starWaist;      // radius of the notches between points
    double bossRadius;
    double starOutlinePx;  // dark line around the star, in pixels
    bool rivets;
    bool engraving;        // sunburst in the field and a thin inner ring
    const std::vector<RampStop>* rimMetal;
    const std::vector<RampStop>* starMetal;
};

constexpr int kPoints = 8;

struct StarHit {
    bool inside;
    Vec3 normal;
    double edgeDistance; // from the outline of the star, in emblem units
};

StarHit star(const Design& d, double x, double y)
{
    const double r = std::sqrt(x * x + y * y);
    if (r > d.starLong)
        return {false, {0, 0, 1}, 0.0};
    // Points start at the top and go round clockwise (on screen) every 45 degrees.
    const double step = 2.0 * kPi / kPoints;
    const double angle = detAtan2(y, x) + kPi / 2.0; // 0 at the top
    long long sector = floorToInt(angle / step + 0.5);
    const double offset = angle - static_cast<double>(sector) * step;
    sector = ((sector % kPoints) + kPoints) % kPoints;
    const double tipAngle = static_cast<double>(sector) * step - kPi / 2.0;
    const double reach = sector % 2 == 0 ? d.starLong : d.starShort;
    const double side = offset < 0.0 ? -1.0 : 1.0;
    const double notchAngle = tipAngle + side * step / 2.0;

    const Vec3 tip = {reach * detCos(tipAngle), reach * detSin(tipAngle), 0.0};
    const Vec3 notch = {d.starWaist * detCos(notchAngle), d.starWaist * detSin(notchAngle), 0.0};
    // The outer edge runs from tip to notch; the centre lies on its inner side.
    const double ex = notch.x - tip.x;
    const double ey = notch.y - tip.y;
    const double edgeLength = std::sqrt(ex * ex + ey * ey);
    const double towardsCentre = (ex * (0.0 - tip.y) - ey * (0.0 - tip.x)) / edgeLength;
    const double here = (ex * (y - tip.y) - ey * (x - tip.x)) / edgeLength;
    const double inside = towardsCentre > 0.0 ? here : -here;
    if (inside < 0.0)
        return {false, {0, 0, 1}, inside};

    // Each half point is a flat facet from the raised spine down to the outer edge.
    const Vec3 apex = {0.0, 0.0, 0.22 * reach};
    Vec3 n = cross({tip.x - apex.x, tip.y - apex.y, tip.z - apex.z},
                   {notch.x - apex.x, notch.y - apex.y, notch.z - apex.z});
    if (n.z < 0.0)
        n = {-n.x, -n.y, -n.z};
    return {true, normalised(n), inside};
}

Colour shade(const Design& d, double x, double y)
{
    const double px = 1.0 / d.pixelsPerUnit; // one pixel in emblem units
    const double r = std::sqrt(x * x + y * y);
    const double rimOuter = 1.0 - 1.3 * px;
    if (r >= rimOuter)
        return kOutline;
    const double dx = r > 0.0 ? x / r : 0.0;
    const double dy = r > 0.0 ? y / r : 0.0;

    if (r >= d.rimInner) {
        // Three machined faces: an inner bevel, a flat band, an outer bevel.
        const double t = (r - d.rimInner) / (rimOuter - d.rimInner);
        if (d.rivets) {
            const double rivetRadius = 0.045;
            const double ring = (d.rimInner + rimOuter) / 2.0;
            for (int i = 0; i < kPoints; ++i) {
                const double a = (i + 0.5) * 2.0 * kPi / kPoints - kPi / 2.0;
                const double ox = x - ring * detCos(a);
                const double oy = y - ring * detSin(a);
                const double q = std::sqrt(ox * ox + oy * oy) / rivetRadius;
                if (q < 1.0) {
                    if (q > 0.82)
                        return metal(*d.rimMetal, tilted(-ox, -oy, 3.0)) * 0.45; // seat
                    const double h = std::sqrt(1.0 - q * q);
                    return metal(*d.starMetal, normalised({ox / rivetRadius, oy / rivetRadius, h}));
                }
            }
        }
        Vec3 n;
        if (t < 0.28)
            n = tilted(-dx, -dy, 1.1);
        else if (t > 0.70)
            n = tilted(dx, dy, 1.3);
        else
            n = tilted(dx, dy, (t - 0.49) * 1.2);
        Colour c = metal(*d.rimMetal, n);
        // A fine groove on the flat band.
        if (d.engraving && std::fabs(t - 0.49) < 0.6 * px / (rimOuter - d.rimInner))
            c = c * 0.55;
        return c;
    }

    // Inner field: dark enamel, lit a little from the top left, with a shadow cast by
    // the rim just inside its edge.
    const double lit = clamp01(0.5 - 0.35 * (x * 0.6 + y * 0.8) / d.rimInner);
    Colour field = mix(kFieldDeep, kFieldLit, lit * (1.0 - 0.6 * r / d.rimInner));
    if (d.engraving) {
        const double rays = 48.0;
        const double a = detAtan2(y, x) / (2.0 * kPi) * rays;
        const double frac = a - static_cast<double>(floorToInt(a));
        field = field * (frac < 0.5 ? 1.18 : 0.88);
        const double innerRing = d.rimInner - 0.055;
        const double ringDist = std::fabs(r - innerRing);
        if (ringDist < 0.012)
            field = metal(*d.rimMetal, tilted(dx, dy, (r - innerRing) / 0.012 * 0.9)) * 0.8;
    }
    const double rimShadow = smoothstep(d.rimInner - 0.06, d.rimInner, r);
    field = field * (1.0 - 0.7 * rimShadow);

    const StarHit hit = star(d, x, y);
    if (hit.inside) {
        if (r < d.bossRadius) {
            const double q = r / d.bossRadius;
            if (q > 0.86)
                return kOutline;
            const double h = std::sqrt(1.0 - q * q * 0.8);
            return metal(*d.rimMetal, normalised({x / d.bossRadius, y / d.bossRadius, h}));
        }
        if (hit.edgeDistance < d.starOutlinePx * px)
            return kOutline;
        return metal(*d.starMetal, hit.normal);
    }
    // The raised star throws a soft shadow down and to the right.
    const double shadowShift = 0.035;
    const StarHit shadow = star(d, x + shadowShift * 0.6, y + shadowShift * 0.8);
    if (shadow.inside)
        field = field * 0.35;
    return field;
}

Design designFor(double pixelsPerUnit, EmblemStyle style)
{
    Design d{};
    d.pixelsPerUnit = pixelsPerUnit;
    const bool large = pixelsPerUnit > 40.0;
    d.rimInner = large ? 0.80 : (pixelsPerUnit > 20.0 ? 0.76 : 0.72);
    // Small sizes get a fatter star that reaches the rim: thin points would melt into the
    // field at a handful of pixels.
    d.starLong = large ? 0.70 : d.rimInner - 0.01;
    d.starShort = large ? 0.49 : 0.52;
    d.starWaist = large ? 0.19 : 0.27;
    d.bossRadius = large ? 0.085 : 0.0;
    d.starOutlinePx = large ? 0.9 : 0.35;
    d.rivets = large;
    d.engraving = large;
    d.rimMetal = style == EmblemStyle::About ? &kSilver : &kBronze;
    d.starMetal = &kGold;
    return d;
}

// Averages an n x n grid of samples over the pixel whose centre is (cx, cy) in emblem units.
Colour supersample(const Design& d, double cx, double cy, double pixel, int n)
{
    Colour sum;
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i)
            sum = sum + shade(d, cx + ((i + 0.5) / n - 0.5) * pixel, cy + ((j + 0.5) / n - 0.5) * pixel);
    return sum * (1.0 / (n * n));
}

// Pixels of the shape that touch the outside get the dark outline, so the hard mask edge
// is always a clean dark line against whatever lies behind.
void outlineEdges(std::vector<Rgb>& colours, const std::vector<std::uint8_t>& outside, int width, int height)
{
    const Rgb outline = toRgb(kOutline);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (outside[static_cast<std::size_t>(y) * width + x])
                continue;
            bool edge = false;
            for (int oy = -1; oy <= 1 && !edge; ++oy) {
                for (int ox = -1; ox <= 1 && !edge; ++ox) {
                    const int nx = x + ox;
                    const int ny = y + oy;
                    edge = nx < 0 || ny < 0 || nx >= width || ny >= height ||
                           outside[static_cast<std::size_t>(ny) * width + nx] != 0;
                }
            }
            if (edge)
                colours[static_cast<std::size_t>(y) * width + x] = outline;
        }
    }
}

} // namespace

Sprite renderSprite()
{
    const int size = kSpriteSize;
    const Design design = designFor(kSpriteRadius, EmblemStyle::Main);
    std::vector<std::uint8_t> outside(static_cast<std::size_t>(size) * size, 1);
    std::vector<Rgb> colours(outside.size());
    for (int y = 0; y <= kSpriteLastRow; ++y) {
        for (int x = 0; x < size; ++x) {
            const double dx = x - kSpriteCentre;
            const double dy = y - kSpriteCentre;
            if (dx * dx + dy * dy > kSpriteRadius * kSpriteRadius)
                continue;
            const std::size_t i = static_cast<std::size_t>(y) * size + x;
            outside[i] = 0;
            colours[i] = toRgb(supersample(design, dx / kSpriteRadius, dy / kSpriteRadius, 1.0 / kSpriteRadius, 5));
        }
    }
    outlineEdges(colours, outside, size, size);

    std::vector<Rgb> inside;
    for (std::size_t i = 0; i < colours.size(); ++i)
        if (!outside[i])
            inside.push_back(colours[i]);
    Sprite sprite;
    sprite.image.width = size;
    sprite.image.height = size;
    sprite.image.palette = buildPalette(inside, 256, {Rgb{0, 0, 0}});
    sprite.image.pixels.resize(colours.size());
    for (std::size_t i = 0; i < colours.size(); ++i)
        sprite.image.pixels[i] = outside[i] ? 0 : nearestIndex(sprite.image.palette, colours[i]);
    sprite.mask = outside;
    return sprite;
}

IconImage renderIcon(int size, int bitsPerPixel, EmblemStyle style)
{
    const double radius = size / 2.0;
    const Design design = designFor(radius, style);
    IconImage icon;
    icon.size = size;
    icon.bitsPerPixel = bitsPerPixel;
    icon.transparent.assign(static_cast<std::size_t>(size) * size, 1);
    std::vector<Rgb> colours(icon.transparent.size());
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const double dx = x + 0.5 - radius;
            const double dy = y + 0.5 - radius;
            if (dx * dx + dy * dy > (radius - 0.3) * (radius - 0.3))
                continue;
            const std::size_t i = static_cast<std::size_t>(y) * size + x;
            icon.transparent[i] = 0;
            colours[i] = toRgb(supersample(design, dx / radius, dy / radius, 1.0 / radius, 6));
        }
    }
    outlineEdges(colours, icon.transparent, size, size);

    std::vector<Rgb> inside;
    for (std::size_t i = 0; i < colours.size(); ++i)
        if (!icon.transparent[i])
            inside.push_back(colours[i]);
    // Index 0 stays black: where the AND mask lets the screen through, the colour must be
    // black so that the XOR leaves the screen unchanged.
    icon.palette = buildPalette(inside, std::size_t{1} << bitsPerPixel, {Rgb{0, 0, 0}});
    icon.pixels.resize(colours.size());
    for (std::size_t i = 0; i < colours.size(); ++i)
        icon.pixels[i] = icon.transparent[i] ? 0 : nearestIndex(icon.palette, colours[i]);
    return icon;
}

} // namespace artgen
