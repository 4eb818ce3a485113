#include "Fire.h"

#include "DetMath.h"
#include "Noise.h"

#include <cmath>

namespace artgen {

namespace {

constexpr double kTileW = kFireTileWidth;
constexpr double kTileH = kFireTileHeight;

// Gradient noise that wraps with the tile, stacked twice down it and rising one period per
// loop (half the tile's height, about 20 pixels a frame), so that frame 3 leads back into
// frame 0 exactly.
class RisingNoise {
public:
    RisingNoise(int cellsX, int cellsY, std::uint32_t seed) : noise_(cellsX, cellsY, seed) {}

    double at(double px, double py, int frame) const
    {
        const double u = px / kTileW * noise_.periodX();
        const double v = (py / kTileH * 2.0 + static_cast<double>(frame) / kFireFrameCount) * noise_.periodY();
        return noise_.at(u, v);
    }

private:
    PeriodicNoise noise_;
};

double wrapAround(double d, double period)
{
    return d - period * static_cast<double>(floorToInt(d / period + 0.5));
}

double unitHash(std::uint32_t seed, std::uint32_t a, std::uint32_t b)
{
    return static_cast<double>(hashCombine(hashCombine(seed, a), b)) / 4294967296.0;
}

// One tongue of flame: it flares up, climbs kTongueClimb pixels over its life while it
// stretches, dies down, and is born again where it started. Its life is one loop long, so the
// loop closes by itself; tongues are at different points of their lives, so on every frame
// some are young and bright and some are dying away.
struct Tongue {
    double x;      // centre of the base at birth
    double y;      // base at birth (rows grow downwards)
    double width;  // half-width at the widest point
    double height; // length from base to tip at birth
    double heat;   // peak brightness
    double phase;  // point of its life at frame 0, in [0, 1)
    double swayAt; // column of the sway field that bends it
};

constexpr int kTongueColumns = 6;
constexpr int kTongueRows = 4;
// A row and a half, about 15 pixels a frame: reborn that much lower, a tongue comes up
// between the rows of the grid, not on another row's bases, so the tongues in full flame
// never gather into bands across the tile. The licks and sways rise a little faster, and
// run up the tongues.
constexpr double kTongueClimb = 1.5 * kTileH / kTongueRows;

// The bits of `row` in reverse order, as a fraction: 0, 1/2, 1/4, 3/4, 1/8, 5/8, ...
double rowShift(int row)
{
    double shift = 0.0;
    double weight = 0.5;
    for (int bits = row; bits > 0; bits /= 2, weight /= 2.0)
        shift += weight * (bits % 2);
    return shift;
}

std::vector<Tongue> tongues()
{
    // A jittered, staggered grid: every part of the tile gets its share of tongues, so no
    // region of it is much brighter or darker than another once it is tiled.
    std::vector<Tongue> result;
    const double columnStep = kTileW / kTongueColumns;
    const double rowStep = kTileH / kTongueRows;
    for (int row = 0; row < kTongueRows; ++row) {
        for (int column = 0; column < kTongueColumns; ++column) {
            const std::uint32_t r = static_cast<std::uint32_t>(row);
            const std::uint32_t c = static_cast<std::uint32_t>(column);
            Tongue t;
            // Rows are shifted against each other in the order 0, 1/2, 1/4, 3/4, 1/8, ... of a
            // step: neighbouring rows never stack their tongues into long columns, a gap in one
            // row is filled by the rows around it, and unlike an even slant the shifts line up
            // along no diagonal either.
            t.x = (column + rowShift(row) + 0.5 * (unitHash(11u, r, c) - 0.5)) * columnStep;
            t.y = (row + 0.4 * unitHash(12u, r, c)) * rowStep;
            t.width = 6.5 + 2.0 * unitHash(13u, r, c);
            t.height = 40.0 + 25.0 * unitHash(14u, r, c);
            t.heat = 0.95 + 0.05 * unitHash(15u, r, c);
            // A tongue's point of life goes with its row's shift, and neighbouring columns are
            // half a life apart: then any four tongues side by side, and any two neighbours in
            // a row, are at points of their lives whose brightness adds up to about the same
            // on every frame, so no stripe down the tile nor band across it is brighter than
            // the rest. The eighth of a life on top shows every tongue at 1/8, 3/8, 5/8 and 7/8
            // of it: twice in full flame, twice half lit, never just born or dead.
            t.phase = 0.125 + rowShift(row) + 0.5 * (column % 2) + 0.1 * (unitHash(16u, r, c) - 0.5);
            t.phase -= static_cast<double>(floorToInt(t.phase));
            // The grid holds where the bases are on the first frame, not where they were born:
            // so every row of the grid has its share of young and of full-grown tongues at
            // every frame, and no band across the tile is left without bright ones.
            t.y += kTongueClimb * t.phase;
            t.swayAt = kTileW * unitHash(17u, r, c);
            result.push_back(t);
        }
    }
    return result;
}

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

class FireField {
public:
    FireField() : tongues_(tongues()), sway_(6, 3, 301), flicker_(16, 6, 304), licks_(14, 5, 302), glow_(10, 4, 303) {}

    // Intensity in [0, 1] at tile position (px, py) in pixels.
    double at(double px, double py, int frame) const
    {
        // Where tongues overlap they add up softly, but mostly the hotter one shows: two hot
        // cores crossing must not flare into one outstanding highlight.
        double dark = 1.0; // product of (1 - contribution)
        double hottest = 0.0;
        for (const Tongue& t : tongues_) {
            double life = t.phase + static_cast<double>(frame) / kFireFrameCount;
            life -= static_cast<double>(floorToInt(life));
            const double fade = smoothstep(0.0, 0.25, life) * (1.0 - smoothstep(0.75, 1.0, life));
            const double baseY = t.y - kTongueClimb * life;
            const double length = t.height * (0.8 + 0.4 * life);
            const double rise = wrapAround(baseY - py, kTileH); // pixels above the base
            const double along = rise / length;                 // 0 at the base, 1 at the tip
            const double below = rise / (2.0 * t.width);        // 0 at the base, -1 under it
            if (below <= -1.0 || along >= 1.0)
                continue;
            // A round base, as wide as the tongue, below a body that narrows to a point; the
            // base grows out of a glow that fades away below it.
            const double halfWidth = along < 0.0 ? t.width * std::sqrt(1.0 - below * below)
                                                  : t.width * (1.0 - along) * (1.0 + 0.5 * along);
            // The tip sways further than the base, and each tongue sways on its own, so
            // tongues never bunch up into brighter patches.
            const double bend = (2.0 + 6.0 * along) * sway_.at(t.swayAt, py, frame) + flicker_.at(t.x, py, frame);
            const double across = wrapAround(px - bend - t.x, kTileW) / halfWidth;
            if (across <= -1.0 || across >= 1.0)
                continue;
            // Hottest in the base, cooling on the way up to a deep red tip that thins away;
            // the upper part is torn by licks, so the tips flicker and split. Across, the body
            // is full and its edges soft.
            const double heat = 1.0 - 0.6 * smoothstep(0.15, 1.0, along);
            const double torn = 1.0 - 0.4 * along * (0.5 + 0.5 * licks_.at(px, py, frame));
            const double tip = 1.0 - smoothstep(0.7, 1.0, along);
            const double side = 1.0 - 0.5 * across * across * (1.0 + across * across);
            const double core = 0.78 * side * heat * torn * tip * smoothstep(-1.0, 0.0, below);
            const double contribution = clamp01(t.heat * fade * core);
            dark *= 1.0 - contribution;
            hottest = contribution > hottest ? contribution : hottest;
        }
        const double flames = 0.7 * hottest + 0.3 * (1.0 - dark);
        const double ember = 0.5 + 0.5 * glow_.at(px, py, frame);
        const double ground = 0.04 + 0.16 * ember;
        return clamp01(flames + ground * (1.0 - flames));
    }

private:
    std::vector<Tongue> tongues_;
    RisingNoise sway_;
    RisingNoise flicker_;
    RisingNoise licks_;
    RisingNoise glow_;
};

// The tile's slowest waves, up to a few cycles across and down it: the large bright and
// dark regions that tiling turns into a grid.
std::vector<double> slowWaves(const std::vector<double>& field)
{
    constexpr int kWavesAcross = 3;
    constexpr int kWavesDown = 4;
    const int w = kFireTileWidth;
    const int h = kFireTileHeight;
    std::vector<double> cosX(static_cast<std::size_t>(w)), sinX(cosX.size());
    std::vector<double> cosY(static_cast<std::size_t>(h)), sinY(cosY.size());
    std::vector<double> waves(field.size(), 0.0);
    for (int kx = 0; kx <= kWavesAcross; ++kx) {
        for (int x = 0; x < w; ++x) {
            cosX[x] = detCos(2.0 * kPi * kx * x / w);
            sinX[x] = detSin(2.0 * kPi * kx * x / w);
        }
        for (int ky = kx == 0 ? 1 : -kWavesDown; ky <= kWavesDown; ++ky) {
            for (int y = 0; y < h; ++y) {
                cosY[y] = detCos(2.0 * kPi * ky * y / h);
                sinY[y] = detSin(2.0 * kPi * ky * y / h);
            }
            // Each wave and its mirror image (-kx, -ky) together: twice the real part.
            double re = 0.0, im = 0.0;
            for (int y = 0; y < h; ++y) {
                for (int x = 0; x < w; ++x) {
                    const double v = field[static_cast<std::size_t>(y) * w + x];
                    re += v * (cosX[x] * cosY[y] - sinX[x] * sinY[y]);
                    im += v * (sinX[x] * cosY[y] + cosX[x] * sinY[y]);
                }
            }
            const double scale = 2.0 / static_cast<double>(field.size());
            for (int y = 0; y < h; ++y) {
                for (int x = 0; x < w; ++x) {
                    const double c = cosX[x] * cosY[y] - sinX[x] * sinY[y];
                    const double s = sinX[x] * cosY[y] + cosX[x] * sinY[y];
                    waves[static_cast<std::size_t>(y) * w + x] += scale * (re * c + im * s);
                }
            }
        }
    }
    return waves;
}

double luminance(const Colour& c) { return 0.3 * c.r + 0.59 * c.g + 0.11 * c.b; }

// Where the highlights begin: the hot cores of the tongues in full flame reach just past it.
constexpr double kKnee = 0.78;

// Eases the hot cores off towards one orange, so that no single pixel flares up white and
// no tongue outshines the others as a dot repeated on every tile.
double softenHighlights(double intensity)
{
    constexpr double kHeadroom = 0.03;
    if (intensity <= kKnee)
        return intensity;
    const double over = intensity - kKnee;
    return kKnee + kHeadroom * over / (over + kHeadroom);
}

// What the eye sees of an intensity: the luminance of its colour on the ramp.
double lightOf(double intensity)
{
    return luminance(sampleRamp(fireRamp(), clamp01(softenHighlights(intensity))));
}

// A running mean over 17 neighbours, wrapping around: the drift of a profile, without the
// step from one row or column to the next that single tongues make.
std::vector<double> smoothedAround(const std::vector<double>& profile, int reach)
{
    const int n = static_cast<int>(profile.size());
    std::vector<double> smoothed(profile.size(), 0.0);
    for (int i = 0; i < n; ++i)
        for (int d = -reach; d <= reach; ++d)
            smoothed[i] += profile[static_cast<std::size_t>((i + d + n) % n)] / (2 * reach + 1);
    return smoothed;
}

// The intensity whose light is `light`: lightOf runs up steadily from black to the
// highlights' orange, so a table of it read backwards, with straight lines between its
// entries, undoes it.
class LightInverse {
public:
    LightInverse()
    {
        for (int i = 0; i <= kSteps; ++i)
            lights_.push_back(lightOf(static_cast<double>(i) / kSteps));
    }

    double operator()(double light) const
    {
        if (light <= lights_.front())
            return 0.0;
        if (light >= lights_.back())
            return 1.0;
        int low = 0, high = kSteps;
        while (high - low > 1) {
            const int middle = (low + high) / 2;
            (lights_[static_cast<std::size_t>(middle)] <= light ? low : high) = middle;
        }
        const double from = lights_[static_cast<std::size_t>(low)], to = lights_[static_cast<std::size_t>(high)];
        return (low + (to > from ? (light - from) / (to - from) : 0.0)) / kSteps;
    }

private:
    static constexpr int kSteps = 1024;
    std::vector<double> lights_;
};

// Repeated every 124 and 157 pixels, even a faintly brighter or darker region of the tile
// becomes a grid that the eye finds at once, and so does a column or a row that is a little
// darker than the others: it runs on unbroken down or across the whole screen. With two
// dozen tongues to a tile, some stretches of it always hold more hot bases than others. So
// the light the eye sees is divided by the tile's slowest waves and by the drift of its
// column and row means, a few times over until it is even: the flames and the gaps of a
// bright stretch are dimmed by the same share, those of a dim one lifted, so the gaps stay
// dark. The hot cores stay at the highlights' one orange either way: lifted, they cannot
// pass it; dimmed below it, the cores of the bright stretches would leave those of the dim
// ones standing out as brighter drops. Every frame is brought to the same mean light,
// `target`, so that the whole screen does not pulse from one frame to the next.
void evenOut(std::vector<double>& intensity, double target)
{
    constexpr int kPasses = 4;
    const LightInverse intensityOf;
    const int w = kFireTileWidth;
    const int h = kFireTileHeight;
    std::vector<double> light(intensity.size());
    for (int pass = 0; pass < kPasses; ++pass) {
        double mean = 0.0;
        for (std::size_t i = 0; i < intensity.size(); ++i) {
            light[i] = lightOf(intensity[i]);
            mean += light[i];
        }
        mean /= static_cast<double>(light.size());
        const std::vector<double> waves = slowWaves(light);
        std::vector<double> column(static_cast<std::size_t>(w), 0.0), row(static_cast<std::size_t>(h), 0.0);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const std::size_t i = static_cast<std::size_t>(y) * w + x;
                column[x] += (light[i] - waves[i] - mean) / h;
                row[y] += (light[i] - waves[i] - mean) / w;
            }
        }
        column = smoothedAround(column, 3);
        row = smoothedAround(row, 8);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const std::size_t i = static_cast<std::size_t>(y) * w + x;
                const double local = mean + waves[i] + column[x] + row[y];
                const double evened = intensityOf(light[i] * target / (local > 0.5 * mean ? local : 0.5 * mean));
                const double held = evened < intensity[i] ? smoothstep(kKnee - 0.15, kKnee, intensity[i]) : 0.0;
                intensity[i] = evened + (intensity[i] - evened) * held;
            }
        }
    }
}

// Where to cut the endless wall into a tile. The wall repeats exactly, so any cut is
// seamless; but some rows and columns hold more edges than others (the round bases of many
// tongues at one height, say), and a cut through such a place makes the tile's edge the
// busiest line in it. So the cut goes where, over all four frames, the step to the next
// row or column is closest to an ordinary one.
struct Cut {
    int column; // the tile's first column, in the wall's own columns
    int row;
};

int calmestBoundary(const std::vector<std::vector<double>>& lights, int count, int stride, int along, int next)
{
    int best = 0;
    double bestScore = 0.0;
    for (int boundary = 0; boundary < count; ++boundary) {
        double score = 0.0;
        for (const std::vector<double>& light : lights) {
            double total = 0.0, here = 0.0;
            for (int b = 0; b < count; ++b) {
                double step = 0.0;
                for (int i = 0; i < along; ++i) {
                    const std::size_t from = static_cast<std::size_t>(b) * stride + static_cast<std::size_t>(i) * next;
                    const std::size_t to = static_cast<std::size_t>((b + 1) % count) * stride + static_cast<std::size_t>(i) * next;
                    step += std::abs(light[from] - light[to]);
                }
                total += step;
                if (b == boundary)
                    here = step;
            }
            const double ratio = here * count / total;
            score = ratio > score ? ratio : score;
        }
        if (boundary == 0 || score < bestScore) {
            bestScore = score;
            best = boundary;
        }
    }
    return (best + 1) % count;
}

Cut calmestCut(const std::vector<std::vector<double>>& intensities)
{
    std::vector<std::vector<double>> lights;
    for (const std::vector<double>& intensity : intensities) {
        std::vector<double> light;
        for (double v : intensity)
            light.push_back(lightOf(v));
        lights.push_back(light);
    }
    return {calmestBoundary(lights, kFireTileWidth, 1, kFireTileHeight, kFireTileWidth),
            calmestBoundary(lights, kFireTileHeight, kFireTileWidth, kFireTileWidth, 1)};
}

// The four frames' intensities, evened out and cut, row by row over the tile.
const std::vector<std::vector<double>>& frameIntensities()
{
    static const std::vector<std::vector<double>> frames = [] {
        const FireField field;
        std::vector<std::vector<double>> wall;
        double meanLight = 0.0;
        for (int frame = 0; frame < kFireFrameCount; ++frame) {
            std::vector<double> intensity(static_cast<std::size_t>(kFireTileWidth) * kFireTileHeight);
            for (int y = 0; y < kFireTileHeight; ++y)
                for (int x = 0; x < kFireTileWidth; ++x)
                    intensity[static_cast<std::size_t>(y) * kFireTileWidth + x] = field.at(x + 0.5, y + 0.5, frame);
            for (double v : intensity)
                meanLight += lightOf(v) / static_cast<double>(intensity.size() * kFireFrameCount);
            wall.push_back(intensity);
        }
        for (std::vector<double>& intensity : wall)
            evenOut(intensity, meanLight);
        const Cut cut = calmestCut(wall);
        std::vector<std::vector<double>> tiles;
        for (const std::vector<double>& intensity : wall) {
            std::vector<double> tile(intensity.size());
            for (int y = 0; y < kFireTileHeight; ++y) {
                for (int x = 0; x < kFireTileWidth; ++x) {
                    const int wallX = (x + cut.column) % kFireTileWidth;
                    const int wallY = (y + cut.row) % kFireTileHeight;
                    tile[static_cast<std::size_t>(y) * kFireTileWidth + x] =
                        intensity[static_cast<std::size_t>(wallY) * kFireTileWidth + wallX];
                }
            }
            tiles.push_back(tile);
        }
        return tiles;
    }();
    return frames;
}

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
    IndexedImage image;
    image.width = kFireBitmapWidth;
    image.height = kFireBitmapHeight;
    image.palette = firePalette();
    image.pixels.resize(static_cast<std::size_t>(image.width) * image.height);
    const std::vector<double>& intensity = frameIntensities()[static_cast<std::size_t>(frame)];
    for (int y = 0; y < kFireTileHeight; ++y) {
        for (int x = 0; x < kFireTileWidth; ++x) {
            const double shown = clamp01(softenHighlights(intensity[static_cast<std::size_t>(y) * kFireTileWidth + x]));
            image.pixels[static_cast<std::size_t>(y) * image.width + x + 1] =
                static_cast<std::uint8_t>(floorToInt(shown * 255.0 + 0.5));
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
