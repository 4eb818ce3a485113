#pragma once

#include <cstdint>

namespace artgen {

// Gradient noise on a lattice that wraps after `periodX` by `periodY` cells, so that any
// texture built from it tiles without a seam. Output is roughly in [-1, 1].
class PeriodicNoise {
public:
    PeriodicNoise(int periodX, int periodY, std::uint32_t seed);

    double at(double u, double v) const;

    int periodX() const { return periodX_; }
    int periodY() const { return periodY_; }

private:
    double cornerDot(long long ix, long long iy, double dx, double dy) const;

    int periodX_;
    int periodY_;
    std::uint32_t seed_;
};

} // namespace artgen
