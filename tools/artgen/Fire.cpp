#include "Fire.h"

#include "DetMath.h"
#include "Noise.h"

#include <cmath>

namespace artgen {

namespace {

// A noise layer that changes over the loop in two ways: it drifts upwards by a whole
// number of its own periods per loop, and it morphs along a circle in "noise time"
// (A + m (B cos t + C sin t)), so that frame 3 leads back into frame 0 as smoothly as
// any other step.
struct Layer {
    int cellsX;        // lattice cells across one tile
    int cellsY;        // lattice cells per vertical period
    int repeatsY;      // vertical periods stacked in one tile
    int riseQuarters;  // periods risen per loop, in quarter steps
    double morph;      // strength of the circular change
    std::uint32_t seed;
};

class LayerField {
public:
    explicit LayerField(const Layer& layer)
        : layer_(layer),
          a_(layer.cellsX, layer.cellsY, layer.seed * 3u + 1u),
          b_(layer.cellsX, layer.cellsY, layer.seed * 3u + 2u),
          c_(layer.cellsX, layer.cellsY, layer.seed * 3u + 3u)
    {
    }

    // (u, v) are tile fractions in [0, 1); phase is the frame's point on the time circle.
    double at(double u, double v, double cosT, double sinT, int frame) const
    {
        const double x = u * layer_.cellsX;
        const double y = v * layer_.cellsY * layer_.repeatsY +
                         layer_.cellsY * layer_.riseQuarters * 0.25 * frame;
        const double m = layer_.morph;
        const double value = a_.at(x, y) + m * (cosT * b_.at(x, y) + sinT * c_.at(x, y));
        // cos^2 + sin^2 = 1, so every frame has the same contrast.
        return value / std::sqrt(1.0 + m * m);
    }

private:
    Layer layer_;
    PeriodicNoise a_;
    PeriodicNoise b_;
    PeriodicNoise c_;
};

// The four frames sit a quarter turn apart on the time circle; these are exact.
const double kCos[kFireFrameCount] = {1.0, 0.0, -1.0, 0.0};
const double kSin[kFireFrameCount] = {0.0, 1.0, 0.0, -1.0};

const std::vector<RampStop>& fireRamp()
{
    static const std::vector<RampStop> ramp = {
        {0.00, {0.015, 0.000, 0.000}},
        {0.18, {0.140, 0.010, 0.002}},
        {0.40, {0.400, 0.040, 0.005}},
        {0.60, {0.700, 0.150, 0.010}},
        {0.76, {0.900, 0.340, 0.030}},
        {0.90, {0.990, 0.600, 0.120}},
        {1.00, {1.000, 0.880, 0.450}},
    };
    return ramp;
}

// Intensity of the fire at tile position (x, y) in pixels, in [0, 1].
//
// Rising turbulence marks hot spots; every hot spot sends a tongue upwards. A pixel
// looks down its column for the hottest spot below it, and the further away that spot
// is, the hotter it must be to still reach: so tongues narrow into tips as they climb.
// The tongues sway sideways with height. Every layer wraps with the tile and rises by a
// whole number of its own periods per loop, so both the tiling and the loop are exact.
class FireField {
public:
    FireField()
        : sway_({4, 1, 2, 1, 0.25, 101}),
          body_({9, 2, 2, 1, 0.25, 201}),
          licks_({17, 3, 2, 1, 0.35, 202}),
          glow_({5, 2, 1, 0, 0.3, 203})
    {
    }

    double at(double px, double py, int frame) const
    {
        const double c = kCos[frame];
        const double s = kSin[frame];
        double best = 0.0;
        for (int step = 0; step <= kReachSteps; ++step) {
            const double climb = step * kStep; // pixels below the pixel being lit
            const double y = py + climb;
            const double v = y / kFireTileHeight;
            // Sway is read at the height of this pixel's neighbour below, so a tongue bends
            // as a whole rather than smearing.
            const double u = (px + 7.0 * sway_.at(px / kFireTileWidth, v, c, s, frame)) / kFireTileWidth;
            const double heat = 0.5 + 0.5 * (0.75 * body_.at(u, v, c, s, frame) + 0.35 * licks_.at(u, v, c, s, frame));
            const double reach = heat - 0.42 - 0.55 * climb / kReach;
            if (reach > best)
                best = reach;
        }
        const double v = py / kFireTileHeight;
        const double ember = 0.5 + 0.5 * glow_.at(px / kFireTileWidth, v, c, s, frame);
        return clamp01(best * 2.6 + 0.16 * ember * ember);
    }

private:
    static constexpr double kReach = 44.0;
    static constexpr double kStep = 1.5;
    static constexpr int kReachSteps = 29;

    LayerField sway_;
    LayerField body_;
    LayerField licks_;
    LayerField glow_;
};

} // namespace

Palette firePalette()
{
    Palette palette;
    for (int i = 0; i < 256; ++i)
        palette.push_back(toRgb(sampleRamp(fireRamp(), i / 255.0)));
    return palette;
}

IndexedImage fireFrame(int frame)
{
    static const FireField field;
    IndexedImage image;
    image.width = kFireBitmapWidth;
    image.height = kFireBitmapHeight;
    image.palette = firePalette();
    image.pixels.resize(static_cast<std::size_t>(image.width) * image.height);
    for (int y = 0; y < kFireTileHeight; ++y) {
        for (int x = 0; x < kFireTileWidth; ++x) {
            const double intensity = field.at(x + 0.5, y + 0.5, frame);
            image.pixels[static_cast<std::size_t>(y) * image.width + x + 1] =
                static_cast<std::uint8_t>(floorToInt(intensity * 255.0 + 0.5));
        }
        // The outer columns are never on screen; repeat the wrapped neighbours so the
        // bitmap still looks continuous in an image viewer.
        std::uint8_t* row = &image.pixels[static_cast<std::size_t>(y) * image.width];
        row[0] = row[kFireTileWidth];
        row[kFireBitmapWidth - 1] = row[1];
    }
    return image;
}

} // namespace artgen
