#pragma once
// Putting one frame together from the artwork, into any device context.
#include "animation/Scale.h"
#include "framework/Gdi.h"

namespace compose {

inline constexpr DWORD kMaskedCopy = 0xCCAA0020;  // mask 0: the sprite's pixel; mask 1: unchanged

// Where the pieces of a frame come from in their bitmaps, and how large they are drawn.
struct Geometry {
    int tileWidth;
    int tileHeight;
    int tileSourceX;
    int spriteSize;
};

// The artwork as stored, drawn at 96 DPI: each tile is columns 1-124 of its frame (the frames'
// column 0 and 125 are never shown), the sprite its first 188 columns and rows.
inline constexpr Geometry kStoredGeometry{124, 157, 1, 188};

// The artwork redrawn for another scale: each tile is a whole bitmap of its own, every size the
// stored one times dpi / 96.
inline Geometry ScaledGeometry(std::uint32_t dpi)
{
    return Geometry{scale::ToPixels(kStoredGeometry.tileWidth, dpi), scale::ToPixels(kStoredGeometry.tileHeight, dpi),
                    0, scale::ToPixels(kStoredGeometry.spriteSize, dpi)};
}

// Tiles the background frame selected in source over width x height pixels of target.
template <bool t_owned>
void TileBackground(const framework::CDCT<t_owned>& target, const framework::CDC& source, int width, int height,
                    const Geometry& geometry)
{
    for (int row = 0; row < height; row += geometry.tileHeight)
        for (int column = 0; column < width; column += geometry.tileWidth)
            target.BitBlt(column, row, geometry.tileWidth, geometry.tileHeight, source, geometry.tileSourceX, 0,
                          SRCCOPY);
}

}  // namespace compose
