#pragma once

#include <cstdint>
#include <vector>

namespace artgen {

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;

    friend bool operator==(const Rgb& a, const Rgb& b) { return a.r == b.r && a.g == b.g && a.b == b.b; }
    friend bool operator!=(const Rgb& a, const Rgb& b) { return !(a == b); }
};

using Palette = std::vector<Rgb>;

// A colour in linear floating point, used while shading before anything is quantised.
struct Colour {
    double r = 0.0;
    double g = 0.0;
    double b = 0.0;
};

inline Colour operator+(const Colour& a, const Colour& b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
inline Colour operator*(const Colour& a, double s) { return {a.r * s, a.g * s, a.b * s}; }
inline Colour mix(const Colour& a, const Colour& b, double t) { return a * (1.0 - t) + b * t; }

// One stop of a piecewise linear colour ramp; positions must increase.
struct RampStop {
    double at;
    Colour colour;
};

Colour sampleRamp(const std::vector<RampStop>& ramp, double t);
Rgb toRgb(const Colour& c);

// An 8-bit image with its palette, rows stored top-down.
struct IndexedImage {
    int width = 0;
    int height = 0;
    Palette palette;
    std::vector<std::uint8_t> pixels;

    std::uint8_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// A true-colour image, rows stored top-down.
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels;

    Rgb& at(int x, int y) { return pixels[static_cast<std::size_t>(y) * width + x]; }
    const Rgb& at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

} // namespace artgen
