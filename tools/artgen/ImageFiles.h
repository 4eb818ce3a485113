#pragma once

#include "Colour.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace artgen {

using Bytes = std::vector<std::uint8_t>;

// Returns the palette index (or, at 24 bits per pixel, 0xRRGGBB) of pixel (x, y), y from the top.
using PixelSource = std::function<std::uint32_t(int x, int y)>;

Bytes encodeBmp24(const RgbImage& image);
Bytes encodeBmp8(const IndexedImage& image);
// A two-colour bitmap; bits[y * width + x] is the palette index of each pixel.
Bytes encodeBmp1(int width, int height, const std::vector<std::uint8_t>& bits, const Palette& palette);

// One picture of an icon: square, drawn through `pixels` (palette indices), with the
// AND mask set to 1 wherever `transparent` says so.
struct IconImage {
    int size = 0;
    int bitsPerPixel = 0;
    Palette palette;
    std::vector<std::uint8_t> pixels;      // size * size palette indices, top-down
    std::vector<std::uint8_t> transparent; // size * size, 1 = screen shows through
};

Bytes encodeIco(const std::vector<IconImage>& images);
// A cursor that draws nothing at all, hot spot at its top-left corner.
Bytes encodeBlankCursor();

} // namespace artgen
