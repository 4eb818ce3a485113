#include "animation/ScaledArtwork.h"

#include "animation/Compose.h"
#include "animation/Resample.h"

#include <cstddef>
#include <new>
#include <vector>

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

// ScaleArtwork without its clearing up: false as soon as one bitmap cannot be made.
bool MakeScaled(const std::array<framework::CBitmap, 6>& artwork, std::uint32_t dpi,
                std::array<framework::CBitmap, 6>& scaled)
{
    constexpr compose::Geometry stored = compose::kStoredGeometry;
    const compose::Geometry target = compose::ScaledGeometry(dpi);
    resample::Image block;
    for (std::size_t frame = 0; frame < 4; ++frame) {
        if (!ReadBlock(artwork[frame], stored.tileSourceX, 0, stored.tileWidth, stored.tileHeight, block))
            return false;
        const resample::Image tile =
            resample::Resize(block, target.tileWidth, target.tileHeight, resample::Edges::Repeat);
        if (!scaled[frame].CreateFromPixels(tile.width, tile.height, tile.pixels))
            return false;
    }

    resample::Image maskBlock;
    if (!ReadBlock(artwork[4], 0, 0, stored.spriteSize, stored.spriteSize, block) ||
        !ReadBlock(artwork[5], 0, 0, stored.spriteSize, stored.spriteSize, maskBlock))
        return false;
    // The mask's black (0) bits are where the emblem shows.
    resample::Shape emblem{maskBlock.width, maskBlock.height, {}};
    for (std::uint32_t pixel : maskBlock.pixels)
        emblem.inside.push_back(pixel == 0 ? 1 : 0);
    const int size = target.spriteSize;
    const resample::Image sprite = resample::ResizeCutOut(block, emblem, size, size);
    const resample::Shape shape = resample::Resize(emblem, size, size);
    // The cut-out and the mask's picture: black around the emblem, black where it shows.
    std::vector<std::uint32_t> cutOut = sprite.pixels;
    std::vector<std::uint32_t> maskPicture(shape.inside.size(), 0);
    for (std::size_t i = 0; i < shape.inside.size(); ++i) {
        if (!shape.inside[i]) {
            cutOut[i] = 0;
            maskPicture[i] = 0xFFFFFF;
        }
    }
    return scaled[4].CreateFromPixels(size, size, cutOut) && scaled[5].CreateFromPixels(size, size, maskPicture);
}

}  // namespace

bool ScaleArtwork(const std::array<framework::CBitmap, 6>& artwork, std::uint32_t dpi,
                  std::array<framework::CBitmap, 6>& scaled) noexcept
{
    bool made = false;
    try {
        made = MakeScaled(artwork, dpi, scaled);
    } catch (const std::bad_alloc&) {
        // The pictures and the filter's planes come to some 30 MB at 500 %: memory that the
        // system may not have to give.
    }
    if (!made) {
        for (framework::CBitmap& bitmap : scaled)
            bitmap.DeleteObject();
    }
    return made;
}
