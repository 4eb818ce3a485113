#pragma once
// The animation's sizes at a display scale. The picture is drawn for 96 dots per inch; at any
// other scale it is the same picture enlarged, so every size and position is kept in units of a
// 96-DPI pixel and turned into the screen's pixels only where it is drawn.
#include <cstdint>

namespace scale {

inline constexpr std::uint32_t kDesignDpi = 96;

namespace detail {
inline std::int64_t FloorDivide(std::int64_t numerator, std::int64_t denominator)
{
    const std::int64_t quotient = numerator / denominator;
    return (numerator % denominator != 0 && numerator < 0) ? quotient - 1 : quotient;
}
}  // namespace detail

// A length or position in design units as screen pixels at dpi: round(units x dpi / 96), a half
// rounded up, so that -7 at 144 DPI is -10 and 157 is 236.
inline std::int32_t ToPixels(std::int32_t units, std::uint32_t dpi)
{
    const std::int64_t twice = 2 * static_cast<std::int64_t>(units) * dpi + kDesignDpi;
    return static_cast<std::int32_t>(detail::FloorDivide(twice, 2 * std::int64_t{kDesignDpi}));
}

// The fewest design units that reach across pixels screen pixels: a position x in units lies at
// or beyond an edge `pixels` away exactly when x >= ToUnits(pixels), as x x dpi / 96 >= pixels.
inline std::int32_t ToUnits(std::int32_t pixels, std::uint32_t dpi)
{
    const std::int64_t scaled = static_cast<std::int64_t>(pixels) * kDesignDpi;
    return static_cast<std::int32_t>(-detail::FloorDivide(-scaled, dpi));
}

}  // namespace scale
