#include "Noise.h"

#include "DetMath.h"

namespace artgen {

namespace {

constexpr int kGradientCount = 16;

struct Gradient {
    double x;
    double y;
};

// Sixteen evenly spread unit vectors; more directions than the classic eight avoid the
// faint diagonal grain that shows in flat, slowly varying areas.
const Gradient* gradients()
{
    static const Gradient* table = [] {
        static Gradient g[kGradientCount];
        for (int i = 0; i < kGradientCount; ++i) {
            const double a = 2.0 * kPi * (i + 0.5) / kGradientCount;
            g[i] = {detCos(a), detSin(a)};
        }
        return g;
    }();
    return table;
}

double fade(double t) { return t * t * t * (t * (t * 6.0 - 15.0) + 10.0); }

long long wrap(long long i, int period)
{
    const long long m = i % period;
    return m < 0 ? m + period : m;
}

} // namespace

PeriodicNoise::PeriodicNoise(int periodX, int periodY, std::uint32_t seed)
    : periodX_(periodX), periodY_(periodY), seed_(hash32(seed * 0x27D4EB2Du + 0x165667B1u))
{
}

double PeriodicNoise::cornerDot(long long ix, long long iy, double dx, double dy) const
{
    const std::uint32_t h = hashCombine(hashCombine(seed_, static_cast<std::uint32_t>(wrap(ix, periodX_))),
                                        static_cast<std::uint32_t>(wrap(iy, periodY_)));
    const Gradient& g = gradients()[h % kGradientCount];
    return g.x * dx + g.y * dy;
}

double PeriodicNoise::at(double u, double v) const
{
    const long long ix = floorToInt(u);
    const long long iy = floorToInt(v);
    const double fx = u - static_cast<double>(ix);
    const double fy = v - static_cast<double>(iy);
    const double n00 = cornerDot(ix, iy, fx, fy);
    const double n10 = cornerDot(ix + 1, iy, fx - 1.0, fy);
    const double n01 = cornerDot(ix, iy + 1, fx, fy - 1.0);
    const double n11 = cornerDot(ix + 1, iy + 1, fx - 1.0, fy - 1.0);
    const double sx = fade(fx);
    const double sy = fade(fy);
    // sqrt(2) brings the extreme values of 2-D gradient noise out to about +-1.
    return 1.4142135623730951 * lerp(lerp(n00, n10, sx), lerp(n01, n11, sx), sy);
}

} // namespace artgen
