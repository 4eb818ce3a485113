#pragma once
// Putting one frame together from the artwork, into any device context.
#include "framework/Gdi.h"

namespace compose {

inline constexpr int kTileWidth = 124;
inline constexpr int kTileHeight = 157;
inline constexpr int kTileSourceX = 1;  // the frames' column 0 and 125 are never shown
inline constexpr DWORD kMaskedCopy = 0xCCAA0020;  // mask 0: the sprite's pixel; mask 1: unchanged

// Tiles the background frame selected in source over width x height pixels of target.
template <bool t_owned>
void TileBackground(const framework::CDCT<t_owned>& target, const framework::CDC& source, int width, int height)
{
    for (int row = 0; row < height; row += kTileHeight)
        for (int column = 0; column < width; column += kTileWidth)
            target.BitBlt(column, row, kTileWidth, kTileHeight, source, kTileSourceX, 0, SRCCOPY);
}

}  // namespace compose
