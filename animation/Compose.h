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
    // How the sprite goes over the flames: through its 1-bit mask (false), or as a cut-out, its
    // pixels black around the emblem, with the mask a picture of its own, black where the emblem
    // shows and white elsewhere (true).
    bool cutOut;
};

// The artwork as stored, drawn at 96 DPI: each tile is columns 1-124 of its frame (the frames'
// column 0 and 125 are never shown), the sprite its first 188 columns and rows, through its mask.
inline constexpr Geometry kStoredGeometry{124, 157, 1, 188, false};

// The artwork redrawn for another scale: each tile is a whole bitmap of its own, every size the
// stored one times dpi / 96, and the sprite a cut-out.
inline Geometry ScaledGeometry(std::uint32_t dpi)
{
    return Geometry{scale::ToPixels(kStoredGeometry.tileWidth, dpi), scale::ToPixels(kStoredGeometry.tileHeight, dpi),
                    0, scale::ToPixels(kStoredGeometry.spriteSize, dpi), true};
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

// Draws the sprite selected in sprite at (x, y) of target: through mask, or as a cut-out with
// its mask's picture selected in maskPicture, as the geometry says.
//
// The masked copy costs the platform bitmaps and contexts of its own on every call and several
// passes over every pixel it covers, and those grow with the square of the scale. A cut-out is
// two plain passes instead, with the same pixels for a result: ANDing the mask's picture clears
// the emblem's place and leaves the rest as it was, then ORing the sprite puts the emblem there
// and adds nothing elsewhere. The artwork as stored keeps its masked copy: its sprite has a
// surround of its own, and a mask of one bit a pixel.
template <bool t_owned>
void DrawSprite(const framework::CDCT<t_owned>& target, int x, int y, const framework::CDC& sprite,
                const framework::CBitmap& mask, const framework::CDC& maskPicture, const Geometry& geometry)
{
    const int size = geometry.spriteSize;
    if (geometry.cutOut) {
        target.BitBlt(x, y, size, size, maskPicture, 0, 0, SRCAND);
        target.BitBlt(x, y, size, size, sprite, 0, 0, SRCPAINT);
    } else {
        target.MaskBlt(x, y, size, size, sprite, 0, 0, mask, 0, 0, kMaskedCopy);
    }
}

}  // namespace compose
