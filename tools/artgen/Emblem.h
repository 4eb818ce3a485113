#pragma once

#include "Colour.h"
#include "ImageFiles.h"

#include <vector>

namespace artgen {

// The bouncing sprite: 189 x 189, the emblem filling a disc centred on pixel (92, 92).
constexpr int kSpriteSize = 189;
constexpr int kSpriteCentre = 92;
constexpr double kSpriteRadius = 85.5;
// The disc stops one row short of its full height: the bottom row is cut flat.
constexpr int kSpriteLastRow = 176;

struct Sprite {
    IndexedImage image;        // palette index 0 is the black surround
    std::vector<std::uint8_t> mask; // 0 where the sprite is drawn, 1 where the background stays
};

enum class EmblemStyle {
    Main,  // gold rim, gold star
    About, // silver rim, gold star
};

Sprite renderSprite();
IconImage renderIcon(int size, int bitsPerPixel, EmblemStyle style);

} // namespace artgen
