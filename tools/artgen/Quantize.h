#pragma once

#include "Colour.h"

#include <vector>

namespace artgen {

// A palette of exactly `size` entries: the `reserved` colours first, in order, then
// colours found by median cut over `pixels` (pixels equal to a reserved colour are left
// out of the cut, they already have an entry).
Palette buildPalette(const std::vector<Rgb>& pixels, std::size_t size, const Palette& reserved);

// Closest palette entry; ties go to the lowest index so the result never depends on order
// of evaluation.
std::uint8_t nearestIndex(const Palette& palette, const Rgb& colour);

} // namespace artgen
