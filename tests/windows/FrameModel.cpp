#include "FrameModel.h"

#include "animation/Resample.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace frame_model {

namespace {

constexpr UINT kBackgroundIds[kFrameCount] = {131, 132, 133, 134};
constexpr UINT kSpriteId = 135;
constexpr UINT kMaskId = 136;

// A sum as the window's 32-bit arithmetic has it: past the int range it wraps round, rather than
// being undefined as a signed overflow would be.
std::int32_t Wrapped(std::int32_t value, std::int32_t add)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value) + static_cast<std::uint32_t>(add));
}

constexpr COLORREF Rgb(std::uint8_t red, std::uint8_t green, std::uint8_t blue)
{
    return (static_cast<COLORREF>(red) << 16) | (static_cast<COLORREF>(green) << 8) | blue;
}

// A bitmap resource as stored: its header, colour table and rows, nothing interpreted by GDI.
struct StoredBitmap {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    std::vector<COLORREF> colourTable;
    // Colour index (1 and 8 bits) or colour (24 bits) of each pixel, top row first.
    std::vector<std::uint32_t> values;
};

std::optional<StoredBitmap> ReadStoredBitmap(HMODULE module, UINT id, std::string& error)
{
    const std::string name = "bitmap " + std::to_string(id);
    HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(2));  // RT_BITMAP
    HGLOBAL loaded = found ? ::LoadResource(module, found) : nullptr;
    const auto* bytes = loaded ? static_cast<const std::uint8_t*>(::LockResource(loaded)) : nullptr;
    if (!bytes) {
        error = name + ": not among the resources";
        return std::nullopt;
    }
    const std::size_t size = ::SizeofResource(module, found);
    BITMAPINFOHEADER header{};
    if (size < sizeof header) {
        error = name + ": shorter than its header";
        return std::nullopt;
    }
    std::memcpy(&header, bytes, sizeof header);
    if (header.biSize < sizeof header || header.biCompression != BI_RGB || header.biPlanes != 1 ||
        (header.biBitCount != 1 && header.biBitCount != 8 && header.biBitCount != 24) || header.biWidth <= 0 ||
        header.biHeight == 0) {
        error = name + ": not an uncompressed 1-, 8- or 24-bit bitmap";
        return std::nullopt;
    }

    StoredBitmap bitmap;
    bitmap.width = header.biWidth;
    bitmap.height = header.biHeight > 0 ? header.biHeight : -header.biHeight;
    bitmap.bitsPerPixel = header.biBitCount;
    const bool bottomUp = header.biHeight > 0;

    std::size_t offset = header.biSize;
    if (bitmap.bitsPerPixel <= 8) {
        const std::size_t entries = header.biClrUsed ? header.biClrUsed : (std::size_t{1} << bitmap.bitsPerPixel);
        if (offset + entries * sizeof(RGBQUAD) > size) {
            error = name + ": colour table cut short";
            return std::nullopt;
        }
        for (std::size_t i = 0; i < entries; ++i, offset += sizeof(RGBQUAD)) {
            RGBQUAD entry{};
            std::memcpy(&entry, bytes + offset, sizeof entry);
            bitmap.colourTable.push_back(Rgb(entry.rgbRed, entry.rgbGreen, entry.rgbBlue));
        }
    }

    const std::size_t stride = ((static_cast<std::size_t>(bitmap.width) * bitmap.bitsPerPixel + 31) / 32) * 4;
    if (offset + stride * bitmap.height > size) {
        error = name + ": pixel rows cut short";
        return std::nullopt;
    }
    bitmap.values.reserve(static_cast<std::size_t>(bitmap.width) * bitmap.height);
    for (int y = 0; y < bitmap.height; ++y) {
        const std::uint8_t* row = bytes + offset + stride * static_cast<std::size_t>(bottomUp ? bitmap.height - 1 - y : y);
        for (int x = 0; x < bitmap.width; ++x) {
            switch (bitmap.bitsPerPixel) {
            case 1:
                bitmap.values.push_back((row[x / 8] >> (7 - x % 8)) & 1u);
                break;
            case 8:
                bitmap.values.push_back(row[x]);
                break;
            default:  // 24 bits: blue, green, red
                bitmap.values.push_back(Rgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]));
                break;
            }
        }
    }
    return bitmap;
}

std::optional<Image> ReadColourImage(HMODULE module, UINT id, std::string& error)
{
    std::optional<StoredBitmap> stored = ReadStoredBitmap(module, id, error);
    if (!stored)
        return std::nullopt;
    Image image{stored->width, stored->height, {}};
    image.pixels.reserve(stored->values.size());
    for (std::uint32_t value : stored->values) {
        if (stored->bitsPerPixel == 24) {
            image.pixels.push_back(value);
        } else if (value < stored->colourTable.size()) {
            image.pixels.push_back(stored->colourTable[value]);
        } else {
            error = "bitmap " + std::to_string(id) + ": colour index beyond its table";
            return std::nullopt;
        }
    }
    return image;
}

std::optional<Mask> ReadMask(HMODULE module, UINT id, std::string& error)
{
    std::optional<StoredBitmap> stored = ReadStoredBitmap(module, id, error);
    if (!stored)
        return std::nullopt;
    // The window turns the mask into a monochrome bitmap, which keeps the stored bits only when
    // index 0 is black and index 1 white; with any other table the bits would mean something else.
    if (stored->bitsPerPixel != 1 || stored->colourTable.size() != 2 || stored->colourTable[0] != Rgb(0, 0, 0) ||
        stored->colourTable[1] != Rgb(255, 255, 255)) {
        error = "bitmap " + std::to_string(id) + ": not a 1-bit black-and-white mask";
        return std::nullopt;
    }
    Mask mask{stored->width, stored->height, {}};
    mask.bits.assign(stored->values.begin(), stored->values.end());
    return mask;
}

}  // namespace

std::optional<Artwork> LoadArtwork(HMODULE module, std::string& error)
{
    Artwork artwork;
    for (int frame = 0; frame < kFrameCount; ++frame) {
        std::optional<Image> background = ReadColourImage(module, kBackgroundIds[frame], error);
        if (!background)
            return std::nullopt;
        if (background->width < kTileSourceColumn + kTileWidth || background->height < kTileHeight) {
            error = "a flame frame is smaller than one tile";
            return std::nullopt;
        }
        artwork.backgrounds[frame] = std::move(*background);
    }
    std::optional<Image> sprite = ReadColourImage(module, kSpriteId, error);
    std::optional<Mask> mask = sprite ? ReadMask(module, kMaskId, error) : std::nullopt;
    if (!mask)
        return std::nullopt;
    if (sprite->width < kSpriteSize || sprite->height < kSpriteSize || mask->width < kSpriteSize ||
        mask->height < kSpriteSize) {
        error = "the sprite or its mask is smaller than the sprite's drawn size";
        return std::nullopt;
    }
    artwork.sprite = std::move(*sprite);
    artwork.mask = std::move(*mask);
    RECT& bounds = artwork.visibleSprite;
    bounds = RECT{kSpriteSize, kSpriteSize, 0, 0};
    for (int y = 0; y < kSpriteSize; ++y)
        for (int x = 0; x < kSpriteSize; ++x)
            if (artwork.mask.ShowsSprite(x, y)) {
                bounds.left = std::min<LONG>(bounds.left, x);
                bounds.top = std::min<LONG>(bounds.top, y);
                bounds.right = std::max<LONG>(bounds.right, x + 1);
                bounds.bottom = std::max<LONG>(bounds.bottom, y + 1);
            }
    if (bounds.left >= bounds.right) {
        error = "the mask lets no sprite pixel through";
        return std::nullopt;
    }
    return artwork;
}

namespace {

// Length or place v of the 96-DPI picture at dpi, to the nearest pixel, halves rounded up.
int Scaled(int v, UINT dpi) { return static_cast<int>(std::floor(v * (dpi / 96.0) + 0.5)); }

resample::Image Block(const Image& image, int left, int width, int height)
{
    resample::Image block{width, height, {}};
    for (int y = 0; y < height; ++y)
        for (int x = left; x < left + width; ++x)
            block.pixels.push_back(image.At(x, y));
    return block;
}

}  // namespace

Artwork AtScale(const Artwork& stored, UINT dpi)
{
    Artwork scaled = stored;
    scaled.dpi = dpi;
    scaled.tileWidth = Scaled(kTileWidth, dpi);
    scaled.tileHeight = Scaled(kTileHeight, dpi);
    scaled.tileSourceColumn = 0;
    scaled.spriteSize = Scaled(kSpriteSize, dpi);
    const int size = scaled.spriteSize;
    for (int frame = 0; frame < kFrameCount; ++frame) {
        const resample::Image tile =
            resample::Resize(Block(stored.backgrounds[frame], kTileSourceColumn, kTileWidth, kTileHeight),
                             scaled.tileWidth, scaled.tileHeight, resample::Edges::Repeat);
        scaled.backgrounds[frame] = Image{tile.width, tile.height, {tile.pixels.begin(), tile.pixels.end()}};
    }
    resample::Shape emblem{kSpriteSize, kSpriteSize, {}};
    for (int y = 0; y < kSpriteSize; ++y)
        for (int x = 0; x < kSpriteSize; ++x)
            emblem.inside.push_back(stored.mask.ShowsSprite(x, y) ? 1 : 0);
    const resample::Image sprite =
        resample::ResizeCutOut(Block(stored.sprite, 0, kSpriteSize, kSpriteSize), emblem, size, size);
    scaled.sprite = Image{size, size, {sprite.pixels.begin(), sprite.pixels.end()}};
    const resample::Shape shape = resample::Resize(emblem, size, size);
    scaled.mask = Mask{size, size, {}};
    for (std::uint8_t inside : shape.inside)
        scaled.mask.bits.push_back(inside ? 0 : 1);
    return scaled;
}

Image Compose(const Artwork& artwork, int width, int height, int frame, std::optional<POINT> spritePosition)
{
    const Image& background = artwork.backgrounds[frame];
    const int size = artwork.spriteSize;
    Image result{width, height, {}};
    result.pixels.reserve(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            COLORREF pixel =
                background.At(artwork.tileSourceColumn + x % artwork.tileWidth, y % artwork.tileHeight);
            if (spritePosition) {
                const int spriteX = x - Scaled(spritePosition->x, artwork.dpi);
                const int spriteY = y - Scaled(spritePosition->y, artwork.dpi);
                if (spriteX >= 0 && spriteX < size && spriteY >= 0 && spriteY < size &&
                    artwork.mask.ShowsSprite(spriteX, spriteY))
                    pixel = artwork.sprite.At(spriteX, spriteY);
            }
            result.pixels.push_back(pixel);
        }
    }
    return result;
}

int Tick(State& state, int width, int height, UINT dpi)
{
    // The edges as far off as they are in the 96-DPI picture: a place x lies beyond an edge
    // `width` pixels away once x x dpi / 96 reaches it.
    width = static_cast<int>(std::ceil(width * 96.0 / dpi));
    height = static_cast<int>(std::ceil(height * 96.0 / dpi));
    const int frame = Paint(state);
    state.x = Wrapped(state.x, state.speed);
    if (state.x >= width) {
        state.x = -kSpriteSize;
        state.y = Wrapped(state.y, 168);
    }
    if (state.y >= height)
        state.y = -7;
    return frame;
}

int Paint(State& state)
{
    const int frame = static_cast<int>(static_cast<std::uint32_t>(state.counter) % kFrameCount);
    state.counter = Wrapped(state.counter, 1);
    return frame;
}

}  // namespace frame_model
