#include "DetMath.h"

namespace artgen {

std::uint32_t hash32(std::uint32_t x)
{
    // A well-mixed 32-bit integer finaliser; plenty for lattice gradients and sparkle.
    x ^= x >> 16;
    x *= 0x7FEB352Du;
    x ^= x >> 15;
    x *= 0x846CA68Bu;
    x ^= x >> 16;
    return x;
}

std::uint32_t hashCombine(std::uint32_t seed, std::uint32_t value)
{
    return hash32(seed ^ (value + 0x9E3779B9u + (seed << 6) + (seed >> 2)));
}

long long floorToInt(double x)
{
    long long i = static_cast<long long>(x);
    if (static_cast<double>(i) > x)
        --i;
    return i;
}

namespace {

// Taylor series on [-pi/2, pi/2]; the last term kept is below 1e-9 there.
double sinCore(double x)
{
    const double x2 = x * x;
    double term = x;
    double sum = x;
    for (int n = 1; n <= 7; ++n) {
        term *= -x2 / static_cast<double>((2 * n) * (2 * n + 1));
        sum += term;
    }
    return sum;
}

double atanSmall(double z)
{
    // |z| <= tan(pi/8): the series converges fast enough for artwork precision.
    const double z2 = z * z;
    double power = z;
    double sum = z;
    for (int n = 1; n <= 11; ++n) {
        power *= -z2;
        sum += power / static_cast<double>(2 * n + 1);
    }
    return sum;
}

double atanUnit(double z)
{
    // z in [0, 1]
    const double tanPiOver8 = 0.41421356237309503;
    if (z > tanPiOver8)
        return kPi / 4.0 + atanSmall((z - 1.0) / (z + 1.0));
    return atanSmall(z);
}

} // namespace

double detSin(double x)
{
    const double twoPi = 2.0 * kPi;
    x -= twoPi * static_cast<double>(floorToInt(x / twoPi + 0.5));
    if (x > kPi / 2.0)
        x = kPi - x;
    else if (x < -kPi / 2.0)
        x = -kPi - x;
    return sinCore(x);
}

double detCos(double x) { return detSin(x + kPi / 2.0); }

double detAtan2(double y, double x)
{
    if (x == 0.0 && y == 0.0)
        return 0.0;
    const double ax = x < 0.0 ? -x : x;
    const double ay = y < 0.0 ? -y : y;
    double angle = ay <= ax ? atanUnit(ay / ax) : kPi / 2.0 - atanUnit(ax / ay);
    if (x < 0.0)
        angle = kPi - angle;
    return y < 0.0 ? -angle : angle;
}

double clamp01(double x) { return x < 0.0 ? 0.0 : (x > 1.0 ? 1.0 : x); }

double smoothstep(double edge0, double edge1, double x)
{
    const double t = clamp01((x - edge0) / (edge1 - edge0));
    return t * t * (3.0 - 2.0 * t);
}

double lerp(double a, double b, double t) { return a + (b - a) * t; }

} // namespace artgen
