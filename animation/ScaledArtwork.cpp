#include "animation/ScaledArtwork.h"

#include "animation/Compose.h"
#include "animation/Resample.h"

#include <cstddef>

namespace {

// The block of width x height pixels at (x, y) of a bitmap; false when the bitmap is smaller.
bool ReadBlock(const framework::CBitmap& bitmap, int x, int y, int width, int height, resample::Image& block)
{
    SIZE size{};
    const std::vector<std::uint32_t> pixels = bitmap.GetPixels(size);
    if (pixels.empty() || size.cx < x + width || size.cy < y + height)
        return false;
    block = resample::Image{width, height, {}};
    block.pixels.reserve(static_cast<std::size_t>(width) * height);
    for (int row = y; row < y + height; ++row) {
        const auto from = pixels.begin() + static_cast<std::ptrdiff_t>(row) * size.cx + x;
        block.pixels.insert(block.pixels.end(), from, from + width);
    }
    return true;
}

}  // namespace

bool ScaleArtwork(const std::array<framework::CBitmap, 6>& artwork, std::uint32_t dpi,
                  std::array<framework::CBitmap, 6>& scaled)
{
    constexpr compose::Geometry stored = compose::kStoredGeometry;
    const compose::Geometry target = compose::ScaledGeometry(dpi);
    bool made = true;
    resample::Image block;
    for (std::size_t frame = 0; frame < 4 && made; ++frame) {
        made = ReadBlock(artwork[frame], stored.tileSourceX, 0, stored.tileWidth, stored.tileHeight, block);
        if (made) {
            const resample::Image tile =
                resample::Resize(block, target.tileWidth, target.tileHeight, resample::Edges::Repeat);
            made = scaled[frame].CreateFromPixels(tile.width, tile.height, tile.pixels);
        }
    }

    resample::Image maskBlock;
    made = made && ReadBlock(artwork[4], 0, 0, stored.spriteSize, stored.spriteSize, block) &&
           ReadBlock(artwork[5], 0, 0, stored.spriteSize, stored.spriteSize, maskBlock);
    if (made) {
        // The mask's black (0) bits are where the emblem shows.
        resample::Shape emblem{maskBlock.width, maskBlock.height, {}};
        for (std::uint32_t pixel : maskBlock.pixels)
            emblem.inside.push_back(pixel == 0 ? 1 : 0);
        const int size = target.spriteSize;
        const resample::Image sprite = resample::ResizeCutOut(block, emblem, size, size);
        const resample::Shape shape = resample::Resize(emblem, size, size);
        std::vector<std::uint8_t> white(shape.inside.size());
        for (std::size_t i = 0; i < white.size(); ++i)
            white[i] = shape.inside[i] ? 0 : 1;
        made = scaled[4].CreateFromPixels(size, size, sprite.pixels) && scaled[5].CreateMonochrome(size, size, white);
    }

    if (!made) {
        for (framework::CBitmap& bitmap : scaled)
            bitmap.DeleteObject();
    }
    return made;
}
