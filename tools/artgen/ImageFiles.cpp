#include "ImageFiles.h"

#include "ByteWriter.h"

#include <stdexcept>

namespace artgen {

namespace {

constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kInfoHeaderSize = 40;
// 72 dots per inch, so that programs which care about print size see something sensible.
constexpr std::int32_t kPixelsPerMetre = 2835;

std::uint32_t rowStride(int width, int bitsPerPixel)
{
    return ((static_cast<std::uint32_t>(width) * static_cast<std::uint32_t>(bitsPerPixel) + 31u) / 32u) * 4u;
}

// Packs one row MSB first (the DIB order for depths below 8) and pads it to 4 bytes.
void writeRow(ByteWriter& out, int width, int bitsPerPixel, int y, const PixelSource& source)
{
    const std::uint32_t stride = rowStride(width, bitsPerPixel);
    std::size_t written = 0;
    if (bitsPerPixel == 24) {
        for (int x = 0; x < width; ++x) {
            const std::uint32_t rgb = source(x, y);
            out.u8(rgb);       // blue
            out.u8(rgb >> 8);  // green
            out.u8(rgb >> 16); // red
        }
        written = static_cast<std::size_t>(width) * 3;
    } else {
        const int perByte = 8 / bitsPerPixel;
        const std::uint32_t valueMask = (1u << bitsPerPixel) - 1u;
        for (int x0 = 0; x0 < width; x0 += perByte) {
            unsigned byte = 0;
            for (int i = 0; i < perByte; ++i) {
                const int x = x0 + i;
                const std::uint32_t value = x < width ? (source(x, y) & valueMask) : 0u;
                byte |= value << (8 - bitsPerPixel * (i + 1));
            }
            out.u8(byte);
            ++written;
        }
    }
    out.zeros(stride - written);
}

void writeInfoHeader(ByteWriter& out, int width, int headerHeight, int bitsPerPixel, std::uint32_t imageBytes,
                     std::uint32_t coloursUsed, std::int32_t pixelsPerMetre)
{
    out.u32(kInfoHeaderSize);
    out.i32(width);
    out.i32(headerHeight);
    out.u16(1); // planes
    out.u16(static_cast<unsigned>(bitsPerPixel));
    out.u32(0); // BI_RGB
    out.u32(imageBytes);
    out.i32(pixelsPerMetre);
    out.i32(pixelsPerMetre);
    out.u32(coloursUsed);
    out.u32(0); // all colours important
}

void writePalette(ByteWriter& out, const Palette& palette)
{
    for (const Rgb& c : palette) {
        out.u8(c.b);
        out.u8(c.g);
        out.u8(c.r);
        out.u8(0);
    }
}

Bytes encodeBmp(int width, int height, int bitsPerPixel, const Palette& palette, const PixelSource& source)
{
    if (bitsPerPixel != 24 && palette.size() != (1u << bitsPerPixel))
        throw std::logic_error("a palettised bitmap needs a full palette");
    const std::uint32_t imageBytes = rowStride(width, bitsPerPixel) * static_cast<std::uint32_t>(height);
    const std::uint32_t paletteBytes = static_cast<std::uint32_t>(palette.size()) * 4u;
    const std::uint32_t offset = kFileHeaderSize + kInfoHeaderSize + paletteBytes;

    ByteWriter out;
    out.u8('B');
    out.u8('M');
    out.u32(offset + imageBytes);
    out.u16(0);
    out.u16(0);
    out.u32(offset);
    writeInfoHeader(out, width, height, bitsPerPixel, imageBytes, static_cast<std::uint32_t>(palette.size()),
                    kPixelsPerMetre);
    writePalette(out, palette);
    for (int y = height - 1; y >= 0; --y) // bottom-up
        writeRow(out, width, bitsPerPixel, y, source);
    return out.bytes();
}

} // namespace

Bytes encodeBmp24(const RgbImage& image)
{
    return encodeBmp(image.width, image.height, 24, {}, [&](int x, int y) {
        const Rgb& c = image.at(x, y);
        return (static_cast<std::uint32_t>(c.r) << 16) | (static_cast<std::uint32_t>(c.g) << 8) | c.b;
    });
}

Bytes encodeBmp8(const IndexedImage& image)
{
    return encodeBmp(image.width, image.height, 8, image.palette,
                     [&](int x, int y) { return static_cast<std::uint32_t>(image.at(x, y)); });
}

Bytes encodeBmp1(int width, int height, const std::vector<std::uint8_t>& bits, const Palette& palette)
{
    return encodeBmp(width, height, 1, palette, [&](int x, int y) {
        return static_cast<std::uint32_t>(bits[static_cast<std::size_t>(y) * width + x]);
    });
}

namespace {

// The bitmap part of an icon or cursor resource: header with doubled height, palette,
// colour (XOR) rows, then the AND mask rows, both bottom-up.
Bytes encodeIconBitmap(int size, int bitsPerPixel, const Palette& palette, const PixelSource& colour,
                       const PixelSource& mask)
{
    const std::uint32_t xorBytes = rowStride(size, bitsPerPixel) * static_cast<std::uint32_t>(size);
    const std::uint32_t andBytes = rowStride(size, 1) * static_cast<std::uint32_t>(size);
    ByteWriter out;
    writeInfoHeader(out, size, size * 2, bitsPerPixel, xorBytes + andBytes, 0, 0);
    writePalette(out, palette);
    for (int y = size - 1; y >= 0; --y)
        writeRow(out, size, bitsPerPixel, y, colour);
    for (int y = size - 1; y >= 0; --y)
        writeRow(out, size, 1, y, mask);
    return out.bytes();
}

constexpr std::uint32_t kDirHeaderSize = 6;
constexpr std::uint32_t kDirEntrySize = 16;

} // namespace

Bytes encodeIco(const std::vector<IconImage>& images)
{
    std::vector<Bytes> bitmaps;
    for (const IconImage& image : images) {
        if (image.palette.size() != (1u << image.bitsPerPixel))
            throw std::logic_error("icon palette does not match its depth");
        const int size = image.size;
        bitmaps.push_back(encodeIconBitmap(
            size, image.bitsPerPixel, image.palette,
            [&](int x, int y) { return static_cast<std::uint32_t>(image.pixels[static_cast<std::size_t>(y) * size + x]); },
            [&](int x, int y) {
                return static_cast<std::uint32_t>(image.transparent[static_cast<std::size_t>(y) * size + x]);
            }));
    }

    ByteWriter out;
    out.u16(0);
    out.u16(1); // icon
    out.u16(static_cast<unsigned>(images.size()));
    std::uint32_t offset = kDirHeaderSize + kDirEntrySize * static_cast<std::uint32_t>(images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        const IconImage& image = images[i];
        out.u8(static_cast<unsigned>(image.size)); // 256 would be written as 0
        out.u8(static_cast<unsigned>(image.size));
        out.u8(image.bitsPerPixel >= 8 ? 0u : (1u << image.bitsPerPixel));
        out.u8(0);
        out.u16(1);
        out.u16(static_cast<unsigned>(image.bitsPerPixel));
        out.u32(static_cast<std::uint32_t>(bitmaps[i].size()));
        out.u32(offset);
        offset += static_cast<std::uint32_t>(bitmaps[i].size());
    }
    for (const Bytes& bitmap : bitmaps)
        out.append(bitmap);
    return out.bytes();
}

Bytes encodeBlankCursor()
{
    const int size = 32;
    const Palette blackWhite{{0, 0, 0}, {255, 255, 255}};
    // XOR all zeros and AND all ones: every screen pixel is left exactly as it was.
    const Bytes bitmap = encodeIconBitmap(
        size, 1, blackWhite, [](int, int) { return 0u; }, [](int, int) { return 1u; });

    ByteWriter out;
    out.u16(0);
    out.u16(2); // cursor
    out.u16(1);
    out.u8(size);
    out.u8(size);
    out.u8(2);
    out.u8(0);
    out.u16(0); // hot spot x
    out.u16(0); // hot spot y
    out.u32(static_cast<std::uint32_t>(bitmap.size()));
    out.u32(kDirHeaderSize + kDirEntrySize);
    out.append(bitmap);
    return out.bytes();
}

} // namespace artgen
