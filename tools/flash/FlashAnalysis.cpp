#include "tools/flash/FlashAnalysis.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <stdexcept>
#include <utility>

namespace flash {

namespace {

struct Linear {
    double r, g, b;
};

// The sRGB transfer function undone, for each 8-bit value.
const std::array<double, 256>& LinearChannel()
{
    static const std::array<double, 256> table = [] {
        std::array<double, 256> t{};
        for (std::size_t i = 0; i < t.size(); ++i) {
            const double s = static_cast<double>(i) / 255.0;
            t[i] = s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
        }
        return t;
    }();
    return table;
}

Linear ToLinear(Srgb c)
{
    const std::array<double, 256>& linear = LinearChannel();
    return {linear[c.r], linear[c.g], linear[c.b]};
}

double RelativeLuminance(const Linear& c) { return 0.2126 * c.r + 0.7152 * c.g + 0.0722 * c.b; }

bool SaturatedRed(const Linear& c)
{
    const double sum = c.r + c.g + c.b;
    return sum > 0.0 && c.r / sum >= 0.8;
}

double BroadcastRed(const Linear& c) { return std::max(0.0, c.r - c.g - c.b) * 320.0; }

struct Chromaticity {
    double u, v;
};

// CIE 1976 UCS (u', v') of a linear sRGB colour, through CIE XYZ (sRGB primaries, D65 white).
// Black has no chromaticity of its own; it takes the white point's, as every grey has.
Chromaticity UcsChromaticity(const Linear& c)
{
    const auto uv = [](double x, double y, double z) {
        const double d = x + 15.0 * y + 3.0 * z;
        return Chromaticity{4.0 * x / d, 9.0 * y / d};
    };
    const double x = 0.4124 * c.r + 0.3576 * c.g + 0.1805 * c.b;
    const double y = 0.2126 * c.r + 0.7152 * c.g + 0.0722 * c.b;
    const double z = 0.0193 * c.r + 0.1192 * c.g + 0.9505 * c.b;
    if (x + 15.0 * y + 3.0 * z <= 0.0)
        return uv(0.4124 + 0.3576 + 0.1805, 1.0, 0.0193 + 0.1192 + 0.9505);
    return uv(x, y, z);
}

int Sign(double d) { return (d > 0.0) - (d < 0.0); }

// The transitions of a looping plot: the changes between its adjacent peaks and valleys, each
// as the indices of its two states. A flat stretch is one state; a flat loop has none.
std::vector<std::pair<std::size_t, std::size_t>> TransitionsAroundLoop(const std::vector<double>& values)
{
    const std::size_t n = values.size();
    const auto step = [&](std::size_t k) { return Sign(values[(k + 1) % n] - values[k]); };
    int direction = 0; // of the last change before frame 0, going round
    for (std::size_t k = n; k-- > 0 && direction == 0;)
        direction = step(k);
    // A turning point is the first frame of a change that goes the other way than the one before.
    std::vector<std::size_t> turns;
    for (std::size_t k = 0; k < n; ++k) {
        const int s = step(k);
        if (s != 0 && s != direction) {
            turns.push_back(k);
            direction = s;
        }
    }
    std::vector<std::pair<std::size_t, std::size_t>> transitions;
    for (std::size_t i = 0; i < turns.size(); ++i)
        transitions.emplace_back(turns[i], turns[(i + 1) % turns.size()]);
    return transitions;
}

// The largest share of flagged pixels in any fieldWidth x fieldHeight rectangle of the plane
// that the width x height tile repeats over (every place of it is one of width x height).
double WorstFieldShare(const std::vector<char>& flagged, int width, int height, int fieldWidth, int fieldHeight)
{
    // Sums over fieldWidth pixels of each row from each column, then over fieldHeight of those
    // down each column: whole tiles times the tile's total, plus the rest from prefix sums.
    const auto windowSums = [](const std::vector<long>& line, int length) {
        const int n = static_cast<int>(line.size());
        std::vector<long> prefix(2 * static_cast<std::size_t>(n) + 1, 0);
        for (int i = 0; i < 2 * n; ++i)
            prefix[i + 1] = prefix[i] + line[i % n];
        std::vector<long> sums(line.size());
        for (int i = 0; i < n; ++i)
            sums[i] = (length / n) * prefix[n] + prefix[i + length % n] - prefix[i];
        return sums;
    };
    std::vector<long> across(flagged.size());
    for (int y = 0; y < height; ++y) {
        const auto row = flagged.begin() + static_cast<std::ptrdiff_t>(y) * width;
        const std::vector<long> sums = windowSums(std::vector<long>(row, row + width), fieldWidth);
        std::copy(sums.begin(), sums.end(), across.begin() + static_cast<std::ptrdiff_t>(y) * width);
    }
    long most = 0;
    for (int x = 0; x < width; ++x) {
        std::vector<long> column(static_cast<std::size_t>(height));
        for (int y = 0; y < height; ++y)
            column[y] = across[static_cast<std::size_t>(y) * width + x];
        for (long sum : windowSums(column, fieldHeight))
            most = std::max(most, sum);
    }
    return static_cast<double>(most) / (static_cast<double>(fieldWidth) * fieldHeight);
}

} // namespace

FlashRates PixelFlashRates(const std::vector<Srgb>& states, double framesPerSecond)
{
    const std::size_t n = states.size();
    std::vector<Linear> linear;
    std::vector<double> luminance, broadcast;
    for (Srgb s : states) {
        linear.push_back(ToLinear(s));
        luminance.push_back(RelativeLuminance(linear.back()));
        broadcast.push_back(BroadcastRed(linear.back()));
    }
    int general = 0, red = 0, redBroadcast = 0;
    for (const auto& [from, to] : TransitionsAroundLoop(luminance)) {
        general += std::abs(luminance[to] - luminance[from]) >= 0.1 && std::min(luminance[from], luminance[to]) < 0.8;
    }
    for (const auto& [from, to] : TransitionsAroundLoop(broadcast)) {
        redBroadcast += std::abs(broadcast[to] - broadcast[from]) > 20.0 &&
                        (SaturatedRed(linear[from]) || SaturatedRed(linear[to]));
    }
    for (std::size_t k = 0; k < n; ++k) {
        const Linear& a = linear[k];
        const Linear& b = linear[(k + 1) % n];
        const Chromaticity ca = UcsChromaticity(a), cb = UcsChromaticity(b);
        red += (SaturatedRed(a) || SaturatedRed(b)) && std::hypot(ca.u - cb.u, ca.v - cb.v) > 0.2;
    }
    // Two transitions make a flash; the loop comes round framesPerSecond / n times a second.
    const double flashesPerTransition = n == 0 ? 0.0 : framesPerSecond / static_cast<double>(n) / 2.0;
    return {general * flashesPerTransition, red * flashesPerTransition, redBroadcast * flashesPerTransition};
}

FlashMeasure MeasureFlashes(const TiledLoop& loop, int fieldWidth, int fieldHeight)
{
    const std::size_t pixels = static_cast<std::size_t>(loop.width) * loop.height;
    if (pixels == 0 || fieldWidth <= 0 || fieldHeight <= 0)
        throw std::invalid_argument("an empty tile or visual field");
    for (const auto& frame : loop.frames) {
        if (frame.size() != pixels)
            throw std::invalid_argument("a frame of another size than the tile");
    }
    std::vector<char> general(pixels), red(pixels), redBroadcast(pixels);
    std::vector<Srgb> states(loop.frames.size());
    for (std::size_t p = 0; p < pixels; ++p) {
        for (std::size_t f = 0; f < states.size(); ++f)
            states[f] = loop.frames[f][p];
        const FlashRates rates = PixelFlashRates(states, loop.framesPerSecond);
        general[p] = rates.general > 3.0;
        red[p] = rates.red > 3.0;
        redBroadcast[p] = rates.redBroadcast > 3.0;
    }
    const auto share = [&](const std::vector<char>& flagged) {
        return static_cast<double>(std::count(flagged.begin(), flagged.end(), 1)) / static_cast<double>(pixels);
    };
    const auto worst = [&](const std::vector<char>& flagged) {
        return WorstFieldShare(flagged, loop.width, loop.height, fieldWidth, fieldHeight);
    };
    return {{share(general), share(red), share(redBroadcast)},
            {worst(general), worst(red), worst(redBroadcast)}};
}

std::vector<std::string> MeasuresBeyondThresholds(const FlashMeasure& measure)
{
    constexpr double kMostFlashingShare = 0.25;
    const FlashShares& f = measure.worstField;
    std::vector<std::string> beyond;
    const std::pair<double, const char*> shares[] = {
        {f.general, "general"}, {f.red, "red"}, {f.redBroadcast, "red (broadcast)"}};
    for (const auto& [share, name] : shares) {
        if (share > kMostFlashingShare)
            beyond.push_back(name);
    }
    return beyond;
}

} // namespace flash
