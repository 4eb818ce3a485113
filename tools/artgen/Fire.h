#pragma once

#include "Colour.h"

#include <vector>

namespace artgen {

// The background is shown as tiles of kFireTileWidth x kFireTileHeight taken from
// columns 1..kFireTileWidth of a bitmap that is two columns wider.
constexpr int kFireBitmapWidth = 126;
constexpr int kFireBitmapHeight = 157;
constexpr int kFireTileWidth = 124;
constexpr int kFireTileHeight = 157;
constexpr int kFireFrameCount = 4;

// Black-red through ember red and orange to pale yellow; shared by every frame.
Palette firePalette();

// Frame `frame` of the looping animation as palette indices into firePalette().
IndexedImage fireFrame(int frame);

} // namespace artgen
