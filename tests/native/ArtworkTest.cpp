// Checks the committed artwork from the outside: every file is parsed here with a reader of
// its own, independent of the generator, and the generator must still reproduce the files.

#include "animation/Resample.h"
#include "animation/Scale.h"
#include "tools/flash/FlashAnalysis.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

const char* const kArtworkFiles[] = {"background0.bmp", "background1.bmp", "background2.bmp",
                                     "background3.bmp", "sprite.bmp",      "sprite_mask.bmp",
                                     "blank.cur",       "main.ico",        "about.ico",
                                     "setup_picture.bmp"};

Bytes readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Bytes artwork(const std::string& name) { return readFile(fs::path(ARTWORK_DIR) / name); }

unsigned le16(const Bytes& b, std::size_t at)
{
    if (at + 2 > b.size())
        throw std::out_of_range("read past the end of the file");
    return static_cast<unsigned>(b[at]) | (static_cast<unsigned>(b[at + 1]) << 8);
}

std::uint32_t le32(const Bytes& b, std::size_t at) { return le16(b, at) | (static_cast<std::uint32_t>(le16(b, at + 2)) << 16); }

std::int32_t les32(const Bytes& b, std::size_t at) { return static_cast<std::int32_t>(le32(b, at)); }

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
    bool operator<(const Rgb& o) const { return r != o.r ? r < o.r : (g != o.g ? g < o.g : b < o.b); }
};

// A device-independent bitmap as found after the 14-byte file header of a .bmp, or inside
// an icon or cursor.
struct Dib {
    std::int32_t width = 0;
    std::int32_t headerHeight = 0;
    unsigned planes = 0;
    unsigned bitsPerPixel = 0;
    std::uint32_t compression = 0;
    std::uint32_t sizeImage = 0;
    std::int32_t xPelsPerMeter = 0;
    std::int32_t yPelsPerMeter = 0;
    std::uint32_t coloursUsed = 0;
    std::vector<Rgb> palette;
    std::size_t pixelsAt = 0; // offset of the first (bottom) row in the owning byte array
};

std::uint32_t stride(int width, unsigned bitsPerPixel) { return ((width * bitsPerPixel + 31u) / 32u) * 4u; }

Dib parseDib(const Bytes& b, std::size_t at, std::size_t paletteEntries)
{
    Dib d;
    EXPECT_EQ(le32(b, at), 40u) << "BITMAPINFOHEADER expected";
    d.width = les32(b, at + 4);
    d.headerHeight = les32(b, at + 8);
    d.planes = le16(b, at + 12);
    d.bitsPerPixel = le16(b, at + 14);
    d.compression = le32(b, at + 16);
    d.sizeImage = le32(b, at + 20);
    d.xPelsPerMeter = les32(b, at + 24);
    d.yPelsPerMeter = les32(b, at + 28);
    d.coloursUsed = le32(b, at + 32);
    for (std::size_t i = 0; i < paletteEntries; ++i) {
        const std::size_t p = at + 40 + 4 * i;
        d.palette.push_back({b.at(p + 2), b.at(p + 1), b.at(p)});
    }
    d.pixelsAt = at + 40 + 4 * paletteEntries;
    return d;
}

// Raw value (palette index, or 0xRRGGBB at 24 bits) of pixel (x, y), y counted from the top
// of a bottom-up image `rows` high whose first row starts at `base`.
std::uint32_t rawPixel(const Bytes& b, std::size_t base, int width, int rows, unsigned bpp, int x, int y)
{
    const std::size_t row = base + static_cast<std::size_t>(rows - 1 - y) * stride(width, bpp);
    if (bpp == 24) {
        const std::size_t p = row + 3 * static_cast<std::size_t>(x);
        return (static_cast<std::uint32_t>(b.at(p + 2)) << 16) | (static_cast<std::uint32_t>(b.at(p + 1)) << 8) | b.at(p);
    }
    if (bpp == 8)
        return b.at(row + x);
    const unsigned perByte = 8 / bpp;
    const unsigned byte = b.at(row + x / perByte);
    const unsigned shift = 8 - bpp * (x % perByte + 1);
    return (byte >> shift) & ((1u << bpp) - 1u);
}

struct Bitmap {
    Bytes bytes;
    Dib dib;
    std::uint32_t fileSize = 0;
    std::uint32_t pixelOffset = 0;

    int width() const { return dib.width; }
    int height() const { return dib.headerHeight; }
    std::uint32_t raw(int x, int y) const
    {
        return rawPixel(bytes, pixelOffset, dib.width, dib.headerHeight, dib.bitsPerPixel, x, y);
    }
    Rgb colour(int x, int y) const
    {
        const std::uint32_t v = raw(x, y);
        if (dib.bitsPerPixel == 24)
            return {static_cast<int>(v >> 16), static_cast<int>((v >> 8) & 0xFF), static_cast<int>(v & 0xFF)};
        return dib.palette.at(v);
    }
};

Bitmap loadBmp(const std::string& name)
{
    Bitmap bmp;
    bmp.bytes = artwork(name);
    if (bmp.bytes.size() < 54 || bmp.bytes[0] != 'B' || bmp.bytes[1] != 'M')
        throw std::runtime_error(name + " is not a bitmap");
    bmp.fileSize = le32(bmp.bytes, 2);
    bmp.pixelOffset = le32(bmp.bytes, 10);
    const unsigned bpp = le16(bmp.bytes, 28);
    const std::size_t entries = bpp <= 8 ? le32(bmp.bytes, 46) : 0;
    bmp.dib = parseDib(bmp.bytes, 14, entries);
    return bmp;
}

struct ExpectedBitmap {
    const char* name;
    int width;
    int height;
    unsigned bitsPerPixel;
    std::uint32_t paletteEntries;
};

const ExpectedBitmap kBitmaps[] = {
    {"background0.bmp", 126, 157, 24, 0}, {"background1.bmp", 126, 157, 8, 256}, {"background2.bmp", 126, 157, 8, 256},
    {"background3.bmp", 126, 157, 8, 256}, {"sprite.bmp", 189, 189, 8, 256},     {"sprite_mask.bmp", 189, 189, 1, 2},
    {"setup_picture.bmp", 164, 314, 24, 0},
};

// The part of a background that is ever drawn: columns 1..124, all 157 rows.
constexpr int kTileWidth = 124;
constexpr int kTileHeight = 157;
constexpr int kFrameCount = 4;

const char* const kBackgrounds[kFrameCount] = {"background0.bmp", "background1.bmp", "background2.bmp",
                                               "background3.bmp"};

// Luminance (0.3 R + 0.59 G + 0.11 B, scaled to 0..1) of a frame's drawn part. The screen
// repeats this tile in both directions, so every figure below reads it with wrap-around.
class TileLuminance {
public:
    explicit TileLuminance(const Bitmap& bmp) : values_(static_cast<std::size_t>(kTileWidth) * kTileHeight)
    {
        for (int y = 0; y < kTileHeight; ++y) {
            for (int x = 0; x < kTileWidth; ++x) {
                const Rgb c = bmp.colour(x + 1, y);
                values_[index(x, y)] = (0.3 * c.r + 0.59 * c.g + 0.11 * c.b) / 255.0;
            }
        }
    }

    double at(int x, int y) const { return values_[index(wrap(x, kTileWidth), wrap(y, kTileHeight))]; }
    const std::vector<double>& values() const { return values_; }

private:
    static int wrap(int i, int n) { return ((i % n) + n) % n; }
    static std::size_t index(int x, int y) { return static_cast<std::size_t>(y) * kTileWidth + x; }

    std::vector<double> values_;
};

double mean(const std::vector<double>& v)
{
    double sum = 0.0;
    for (double x : v)
        sum += x;
    return sum / static_cast<double>(v.size());
}

double standardDeviation(const std::vector<double>& v)
{
    const double m = mean(v);
    double sum = 0.0;
    for (double x : v)
        sum += (x - m) * (x - m);
    return std::sqrt(sum / static_cast<double>(v.size()));
}

// How far the step across each tile edge is from the ordinary step between neighbours
// inside the tile: 1 means the edge cannot be told from any other column or row.
struct SeamRatios {
    double leftRight;
    double topBottom;
};

SeamRatios seamRatios(const TileLuminance& tile)
{
    double inside = 0.0, seam = 0.0;
    for (int y = 0; y < kTileHeight; ++y) {
        for (int x = 0; x + 1 < kTileWidth; ++x)
            inside += std::abs(tile.at(x, y) - tile.at(x + 1, y));
        seam += std::abs(tile.at(kTileWidth - 1, y) - tile.at(0, y));
    }
    const double leftRight = (seam / kTileHeight) / (inside / ((kTileWidth - 1) * kTileHeight));

    inside = 0.0;
    seam = 0.0;
    for (int x = 0; x < kTileWidth; ++x) {
        for (int y = 0; y + 1 < kTileHeight; ++y)
            inside += std::abs(tile.at(x, y) - tile.at(x, y + 1));
        seam += std::abs(tile.at(x, kTileHeight - 1) - tile.at(x, 0));
    }
    const double topBottom = (seam / kTileWidth) / (inside / (kTileWidth * (kTileHeight - 1)));
    return {leftRight, topBottom};
}

// What is left of the contrast once a 33 x 33 box blur has smoothed away the flames
// themselves: big bright and dark regions, which the tiling turns into a visible grid.
double blurredContrastShare(const TileLuminance& tile)
{
    constexpr int kRadius = 16;
    std::vector<double> rows(static_cast<std::size_t>(kTileWidth) * kTileHeight);
    for (int y = 0; y < kTileHeight; ++y) {
        for (int x = 0; x < kTileWidth; ++x) {
            double sum = 0.0;
            for (int d = -kRadius; d <= kRadius; ++d)
                sum += tile.at(x + d, y);
            rows[static_cast<std::size_t>(y) * kTileWidth + x] = sum;
        }
    }
    std::vector<double> blurred(rows.size());
    for (int y = 0; y < kTileHeight; ++y) {
        for (int x = 0; x < kTileWidth; ++x) {
            double sum = 0.0;
            for (int d = -kRadius; d <= kRadius; ++d) {
                const int yy = ((y + d) % kTileHeight + kTileHeight) % kTileHeight;
                sum += rows[static_cast<std::size_t>(yy) * kTileWidth + x];
            }
            blurred[static_cast<std::size_t>(y) * kTileWidth + x] = sum / ((2 * kRadius + 1) * (2 * kRadius + 1));
        }
    }
    return standardDeviation(blurred) / standardDeviation(tile.values());
}

// The brightest 5% of the pixels (with everything as bright as the last of them), and the
// share of them that the largest 4-connected patch holds. A big patch repeated on every
// tile is the lattice of bright dots that the eye picks out of the wall at once.
double largestHighlightShare(const TileLuminance& tile)
{
    std::vector<double> sorted = tile.values();
    std::sort(sorted.begin(), sorted.end(), std::greater<double>());
    const double threshold = sorted[sorted.size() / 20 - 1];

    std::vector<char> bright(sorted.size());
    std::size_t brightCount = 0;
    for (std::size_t i = 0; i < bright.size(); ++i) {
        bright[i] = tile.values()[i] >= threshold;
        brightCount += bright[i];
    }
    std::vector<char> seen(bright.size(), 0);
    std::size_t largest = 0;
    for (std::size_t start = 0; start < bright.size(); ++start) {
        if (!bright[start] || seen[start])
            continue;
        std::size_t size = 0;
        std::vector<std::size_t> pending = {start};
        seen[start] = 1;
        while (!pending.empty()) {
            const std::size_t p = pending.back();
            pending.pop_back();
            ++size;
            const int x = static_cast<int>(p % kTileWidth);
            const int y = static_cast<int>(p / kTileWidth);
            const std::size_t neighbours[] = {
                static_cast<std::size_t>(y) * kTileWidth + (x + 1) % kTileWidth,
                static_cast<std::size_t>(y) * kTileWidth + (x + kTileWidth - 1) % kTileWidth,
                static_cast<std::size_t>((y + 1) % kTileHeight) * kTileWidth + x,
                static_cast<std::size_t>((y + kTileHeight - 1) % kTileHeight) * kTileWidth + x,
            };
            for (std::size_t n : neighbours) {
                if (bright[n] && !seen[n]) {
                    seen[n] = 1;
                    pending.push_back(n);
                }
            }
        }
        largest = std::max(largest, size);
    }
    return static_cast<double>(largest) / static_cast<double>(brightCount);
}

// The shapes the hottest tenth of the pixels makes (4-connected, wrapping, at least 9 pixels
// tall or wide): a wall of fire shows them as tongues, tall and narrow, broad at their hot
// base and drawn out to a point above it. Round drops read as a speckled carpet instead.
struct FlameCharacter {
    std::size_t tongues;
    double medianHeight;
    double medianTallness; // height / width
    double narrowerAtTopShare;
};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : (v[(v.size() - 1) / 2] + v[v.size() / 2]) / 2.0;
}

FlameCharacter flameCharacter(const TileLuminance& tile)
{
    std::vector<double> sorted = tile.values();
    std::sort(sorted.begin(), sorted.end(), std::greater<double>());
    const double threshold = sorted[sorted.size() / 10 - 1];
    std::vector<char> seen(sorted.size(), 0);
    const auto reach = [&](int x, int y) { // true the first time a hot pixel is reached
        char& s = seen[static_cast<std::size_t>((y + kTileHeight) % kTileHeight * kTileWidth + (x + kTileWidth) % kTileWidth)];
        if (s || tile.at(x, y) < threshold)
            return false;
        s = 1;
        return true;
    };
    std::vector<double> heights, tallness;
    std::size_t narrowerAtTop = 0;
    for (int start = 0; start < kTileWidth * kTileHeight; ++start) {
        const int x0 = start % kTileWidth, y0 = start / kTileWidth;
        if (!reach(x0, y0))
            continue;
        // Coordinates run on past the tile's edges, so a shape across one keeps its extent.
        std::vector<std::pair<int, int>> shape, pending = {{x0, y0}};
        int left = x0, right = x0, top = y0, bottom = y0;
        while (!pending.empty()) {
            const auto [x, y] = pending.back();
            pending.pop_back();
            shape.push_back({x, y});
            left = std::min(left, x), right = std::max(right, x), top = std::min(top, y), bottom = std::max(bottom, y);
            for (const auto& [nx, ny] : {std::pair{x + 1, y}, {x - 1, y}, {x, y + 1}, {x, y - 1}})
                if (reach(nx, ny))
                    pending.push_back({nx, ny});
        }
        const int height = bottom - top + 1, width = right - left + 1;
        if (height < 9 && width < 9)
            continue;
        heights.push_back(height);
        tallness.push_back(static_cast<double>(height) / width);
        int upper = 0, lower = 0;
        for (const auto& [x, y] : shape) {
            upper += y < top + height / 3;
            lower += y > bottom - height / 3;
        }
        narrowerAtTop += upper < lower;
    }
    return {heights.size(), median(heights), median(tallness),
            heights.empty() ? 0.0 : static_cast<double>(narrowerAtTop) / heights.size()};
}

// How much brighter the brightest pixel is than the brightest percent of the pixels begins:
// a tongue whose core outshines the cores of all the others is one drop per tile, and the
// screen shows a grid of them.
double brightestOverTopPercentile(const TileLuminance& tile)
{
    std::vector<double> sorted = tile.values();
    std::sort(sorted.begin(), sorted.end());
    return sorted.back() / sorted[sorted.size() * 99 / 100];
}

// Mean absolute change of luminance from one frame to another.
double meanChange(const TileLuminance& a, const TileLuminance& b)
{
    double sum = 0.0;
    for (std::size_t i = 0; i < a.values().size(); ++i)
        sum += std::abs(a.values()[i] - b.values()[i]);
    return sum / static_cast<double>(a.values().size());
}

// The upward shift (in rows) that best carries frame `from` onto frame `to`: the rows of
// `to` are compared with the rows `shift` further down in `from`.
int bestUpwardShift(const TileLuminance& from, const TileLuminance& to)
{
    int best = 0;
    double bestDifference = 0.0;
    for (int shift = -kTileHeight / 4; shift <= kTileHeight / 4; ++shift) {
        double difference = 0.0;
        for (int y = 0; y < kTileHeight; ++y)
            for (int x = 0; x < kTileWidth; ++x)
                difference += std::abs(to.at(x, y) - from.at(x, y + shift));
        if (shift == -kTileHeight / 4 || difference < bestDifference) {
            bestDifference = difference;
            best = shift;
        }
    }
    return best;
}


// The background as the saver shows it at a display scale: the drawn part of each frame (enlarged
// for the scale the way the saver enlarges it), one frame a tick, a tick every 125 ms.
flash::TiledLoop backgroundLoop(std::uint32_t dpi)
{
    flash::TiledLoop loop{scale::ToPixels(kTileWidth, dpi), scale::ToPixels(kTileHeight, dpi), 8.0, {}};
    for (const char* name : kBackgrounds) {
        const Bitmap bmp = loadBmp(name);
        resample::Image tile{kTileWidth, kTileHeight, {}};
        for (int y = 0; y < kTileHeight; ++y) {
            for (int x = 1; x <= kTileWidth; ++x) {
                const Rgb c = bmp.colour(x, y);
                tile.pixels.push_back(static_cast<std::uint32_t>(c.r << 16 | c.g << 8 | c.b));
            }
        }
        if (dpi != scale::kDesignDpi)
            tile = resample::Resize(tile, loop.width, loop.height, resample::Edges::Repeat);
        loop.frames.emplace_back();
        for (std::uint32_t p : tile.pixels)
            loop.frames.back().push_back({static_cast<std::uint8_t>(p >> 16), static_cast<std::uint8_t>(p >> 8), static_cast<std::uint8_t>(p)});
    }
    return loop;
}

} // namespace

TEST(ArtworkTest, GeneratorReproducesCommittedFilesExactly)
{
    const fs::path folder = fs::path(ARTWORK_SCRATCH_DIR) / "regenerated";
    fs::remove_all(folder);
    fs::create_directories(folder);
    const std::string command = std::string("\"") + ARTGEN_EXE + "\" \"" + folder.string() + "\"";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;

    std::set<std::string> written;
    for (const auto& entry : fs::directory_iterator(folder))
        written.insert(entry.path().filename().string());
    const std::set<std::string> expected(std::begin(kArtworkFiles), std::end(kArtworkFiles));
    EXPECT_EQ(written, expected);

    for (const char* name : kArtworkFiles) {
        const Bytes committed = artwork(name);
        ASSERT_FALSE(committed.empty()) << name << " is missing from the resources";
        EXPECT_TRUE(readFile(folder / name) == committed) << name << " no longer matches what the generator writes";
    }
}

TEST(ArtworkTest, BitmapHeadersDescribeUncompressedBottomUpImages)
{
    for (const ExpectedBitmap& e : kBitmaps) {
        SCOPED_TRACE(e.name);
        const Bitmap bmp = loadBmp(e.name);
        EXPECT_EQ(bmp.fileSize, bmp.bytes.size());
        EXPECT_EQ(bmp.dib.width, e.width);
        EXPECT_EQ(bmp.dib.headerHeight, e.height); // positive: stored bottom-up
        EXPECT_EQ(bmp.dib.planes, 1u);
        EXPECT_EQ(bmp.dib.bitsPerPixel, e.bitsPerPixel);
        EXPECT_EQ(bmp.dib.compression, 0u);
        EXPECT_EQ(bmp.dib.coloursUsed, e.paletteEntries);
        EXPECT_TRUE(bmp.dib.xPelsPerMeter == 0 || bmp.dib.xPelsPerMeter == 2835);
        EXPECT_EQ(bmp.dib.yPelsPerMeter, bmp.dib.xPelsPerMeter);
        EXPECT_EQ(bmp.pixelOffset, 14u + 40u + 4u * e.paletteEntries);
        const std::uint32_t imageBytes = stride(e.width, e.bitsPerPixel) * static_cast<std::uint32_t>(e.height);
        EXPECT_EQ(bmp.bytes.size(), bmp.pixelOffset + imageBytes);
        EXPECT_TRUE(bmp.dib.sizeImage == 0 || bmp.dib.sizeImage == imageBytes);
    }
}

TEST(ArtworkTest, SpriteMaskIsTheFilledClippedDisc)
{
    const Bitmap mask = loadBmp("sprite_mask.bmp");
    ASSERT_EQ(mask.dib.palette.size(), 2u);
    EXPECT_EQ(mask.dib.palette[0], (Rgb{0, 0, 0}));
    EXPECT_EQ(mask.dib.palette[1], (Rgb{255, 255, 255}));

    int left = 1000, right = -1, top = 1000, bottom = -1;
    for (int y = 0; y < 189; ++y) {
        for (int x = 0; x < 189; ++x) {
            const bool drawn = mask.raw(x, y) == 0;
            if (drawn) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
            const int dx = x - 92;
            const int dy = y - 92;
            if (dx * dx + dy * dy <= 80 * 80) {
                EXPECT_TRUE(drawn) << "hole in the disc at " << x << "," << y;
            }
            if (y <= 6 || y == 188 || x == 188) {
                EXPECT_FALSE(drawn) << "stray sprite pixel at " << x << "," << y;
            }
        }
    }
    EXPECT_EQ(left, 7);
    EXPECT_EQ(right, 177);
    EXPECT_EQ(top, 7);
    EXPECT_EQ(bottom, 176);

    // The disc is a disc: each row of it is one unbroken run, widest in the middle.
    for (int y = top; y <= bottom; ++y) {
        int runs = 0;
        bool inside = false;
        for (int x = 0; x < 189; ++x) {
            const bool drawn = mask.raw(x, y) == 0;
            if (drawn && !inside)
                ++runs;
            inside = drawn;
        }
        EXPECT_EQ(runs, 1) << "row " << y;
    }
}

TEST(ArtworkTest, SpriteHasSolidSurroundAndDetailedEmblem)
{
    const Bitmap sprite = loadBmp("sprite.bmp");
    const Bitmap mask = loadBmp("sprite_mask.bmp");
    const Rgb surround = sprite.colour(0, 0);
    std::set<Rgb> emblemColours;
    for (int y = 0; y < 189; ++y) {
        for (int x = 0; x < 189; ++x) {
            if (mask.raw(x, y) == 1) {
                EXPECT_EQ(sprite.colour(x, y), surround) << x << "," << y;
            } else {
                emblemColours.insert(sprite.colour(x, y));
            }
        }
    }
    // A shaded emblem uses most of its palette; a flat or broken render would not.
    EXPECT_GT(emblemColours.size(), 150u);
    // The pixels on the disc's edge are a dark outline, so the hard mask edge reads cleanly.
    for (int x = 84; x <= 100; ++x) {
        const Rgb edge = sprite.colour(x, 176);
        EXPECT_LT(edge.r + edge.g + edge.b, 120) << "bottom edge at column " << x;
    }
    const Rgb leftEdge = sprite.colour(7, 92);
    EXPECT_LT(leftEdge.r + leftEdge.g + leftEdge.b, 120);
}

TEST(ArtworkTest, BackgroundsShareOneFireRamp)
{
    const Bitmap first = loadBmp("background1.bmp");
    const std::set<Rgb> ramp(first.dib.palette.begin(), first.dib.palette.end());
    for (const char* name : {"background2.bmp", "background3.bmp"}) {
        const Bitmap other = loadBmp(name);
        EXPECT_TRUE(other.dib.palette == first.dib.palette) << name;
    }
    // Frame 0 is stored in true colour but must hold nothing but the ramp's colours.
    const Bitmap frame0 = loadBmp("background0.bmp");
    for (int y = 0; y < kTileHeight; ++y)
        for (int x = 1; x <= kTileWidth; ++x)
            ASSERT_EQ(ramp.count(frame0.colour(x, y)), 1u) << "off-palette colour at " << x << "," << y;
}

// Tiled over a whole screen, every frame must read as one wall of flames in dark reds: no
// seams at the tile edges, no large bright or dark regions and no single standout highlight
// that the repetition would turn into a grid.
TEST(ArtworkTest, EveryFrameTilesAsOneEvenWallOfDarkRedFlames)
{
    for (const char* name : kBackgrounds) {
        SCOPED_TRACE(name);
        const Bitmap bmp = loadBmp(name);
        const TileLuminance tile(bmp);

        double red = 0.0, green = 0.0;
        for (int y = 0; y < kTileHeight; ++y) {
            for (int x = 1; x <= kTileWidth; ++x) {
                red += bmp.colour(x, y).r;
                green += bmp.colour(x, y).g;
            }
        }
        const SeamRatios seams = seamRatios(tile);
        const double blurShare = blurredContrastShare(tile);
        const double highlightShare = largestHighlightShare(tile);
        const double brightest = brightestOverTopPercentile(tile);
        const double meanLuminance = mean(tile.values());
        const FlameCharacter flames = flameCharacter(tile);
        std::printf("%s: seams %.2f (left/right) %.2f (top/bottom), blurred contrast %.3f, largest highlight "
                    "%.3f, brightest/99th percentile %.2f, red/green %.2f, mean luminance %.3f\n"
                    "%s: %zu tongues, median height %.1f px, median height/width %.2f, %.0f%% narrower at the top\n",
                    name, seams.leftRight, seams.topBottom, blurShare, highlightShare, brightest, red / green,
                    meanLuminance, name, flames.tongues, flames.medianHeight, flames.medianTallness,
                    100.0 * flames.narrowerAtTopShare);

        EXPECT_GT(standardDeviation(tile.values()), 0.05) << "the texture has hardly any detail";
        EXPECT_LE(seams.leftRight, 1.5);
        EXPECT_LE(seams.topBottom, 1.5);
        EXPECT_LE(blurShare, 0.15);
        EXPECT_LE(highlightShare, 0.15);
        EXPECT_LE(brightest, 1.1) << "one tongue outshines all the others";
        EXPECT_GE(red, 2.0 * green);
        EXPECT_LE(meanLuminance, 0.25);
        EXPECT_TRUE(flames.tongues >= 12 && flames.tongues <= 45) << flames.tongues << " tongue shapes";
        EXPECT_GE(flames.medianHeight, 14.0) << "the flames are drops, not tongues";
        EXPECT_GE(flames.medianTallness, 2.2) << "the flames are round, not tall";
        EXPECT_GE(flames.narrowerAtTopShare, 0.6) << "the flames do not taper upwards";
    }
}

TEST(ArtworkTest, FramesRiseAndLoopSmoothly)
{
    std::vector<TileLuminance> frames;
    for (const char* name : kBackgrounds)
        frames.emplace_back(loadBmp(name));
    double changes[kFrameCount];
    for (int i = 0; i < kFrameCount; ++i) {
        const int next = (i + 1) % kFrameCount;
        changes[i] = meanChange(frames[i], frames[next]);
        const int rise = bestUpwardShift(frames[i], frames[next]);
        std::printf("frame %d to %d: change %.4f, rises %d rows\n", i, next, changes[i], rise);
        EXPECT_GT(changes[i], 0.02) << "frame " << i << " to " << next << " hardly changes";
        // The flames climb 15 to 20 rows a frame.
        EXPECT_GE(rise, 10) << "frame " << i << " to " << next;
        EXPECT_LE(rise, 30) << "frame " << i << " to " << next;
    }
    const double ordinary = (changes[0] + changes[1] + changes[2]) / 3.0;
    for (int i = 0; i + 1 < kFrameCount; ++i)
        EXPECT_LE(changes[i], 1.5 * ordinary) << "frame " << i << " jumps";
    // The wrap from the last frame back to the first is just another step.
    std::printf("loop: frame 3 to 0 changes %.2f times as much as an ordinary step\n", changes[3] / ordinary);
    EXPECT_GE(changes[3], 0.6 * ordinary);
    EXPECT_LE(changes[3], 1.4 * ordinary);
}

// The flames change frame 8 times a second over the whole screen: WCAG 2.3.1 allows no more than
// three flashes a second over more than a quarter of any 10-degree visual field (scaled with the
// display, as the picture is), by the general, the red and the broadcast red measure.
TEST(ArtworkTest, FlamesStayWithinTheFlashThresholds)
{
    // First one pixel, going round four frames at 8 a second, at the edges of each measure.
    struct Case {
        std::vector<flash::Srgb> states;
        double general, red, redBroadcast; // flashes a second
    };
    const flash::Srgb black{0, 0, 0}, white{255, 255, 255}, red{255, 0, 0};
    const Case cases[] = {
        {{black, {89, 89, 89}, black, {89, 89, 89}}, 0, 0, 0},            // luminance 0.0999 apart
        {{black, {90, 90, 90}, black, {90, 90, 90}}, 4, 0, 0},            // 0.1022
        {{black, {90, 90, 90}, white, {90, 90, 90}}, 2, 0, 0},             // one rise, one fall
        {{{90, 90, 90}, white, black, {90, 90, 90}}, 2, 0, 0},             // the rise held over the wrap
        {{{231, 231, 231}, white, {231, 231, 231}, white}, 4, 0, 0},       // darker state 0.7991
        {{{232, 232, 232}, white, {232, 232, 232}, white}, 0, 0, 0},       // 0.8070
        {{red, {255, 187, 0}, red, {255, 187, 0}}, 4, 0, 4},               // (u', v') 0.1997 apart
        {{red, {255, 188, 0}, red, {255, 188, 0}}, 4, 4, 4},               // 0.2006
        {{black, {70, 0, 0}, black, {70, 0, 0}}, 0, 4, 0},                 // (R - G - B) x 320 = 19.60
        {{black, {71, 0, 0}, black, {71, 0, 0}}, 0, 4, 4},                 // 20.16
        {{white, {255, 99, 99}, white, {255, 99, 99}}, 4, 0, 4},           // R / (R + G + B) = 0.8003
        {{white, {255, 100, 100}, white, {255, 100, 100}}, 4, 0, 0},       // 0.7969
    };
    for (const Case& c : cases) {
        const flash::FlashRates rates = flash::PixelFlashRates(c.states, 8.0);
        const flash::Srgb s = c.states[1];
        EXPECT_EQ(rates.general, c.general) << int(s.r) << "," << int(s.g) << "," << int(s.b);
        EXPECT_EQ(rates.red, c.red) << int(s.r) << "," << int(s.g) << "," << int(s.b);
        EXPECT_EQ(rates.redBroadcast, c.redBroadcast) << int(s.r) << "," << int(s.g) << "," << int(s.b);
    }
    EXPECT_EQ(flash::PixelFlashRates(cases[1].states, 4.0).general, 2.0);

    // Then the area: a 30 x 20 tile whose 10 x 10 corner block (across both edges) flashes.
    flash::TiledLoop block{30, 20, 8.0, std::vector<std::vector<flash::Srgb>>(4, std::vector<flash::Srgb>(600, black))};
    for (int y = -5; y < 5; ++y)
        for (int x = -5; x < 5; ++x)
            block.frames[1][(y + 20) % 20 * 30 + (x + 30) % 30] = block.frames[3][(y + 20) % 20 * 30 + (x + 30) % 30] = white;
    // Fields of 10 x 10, 20 x 20 and 40 x 30: at best the block, a quarter, and 20 x 20 of 40 x 30.
    for (const auto& [fieldWidth, fieldHeight, worst] : {std::tuple{10, 10, 1.0}, {20, 20, 0.25}, {40, 30, 1.0 / 3}}) {
        const flash::FlashMeasure m = flash::MeasureFlashes(block, fieldWidth, fieldHeight);
        EXPECT_DOUBLE_EQ(m.screen.general, 1.0 / 6);
        EXPECT_DOUBLE_EQ(m.worstField.general, worst) << fieldWidth << " x " << fieldHeight;
    }

    const auto measure = [](const flash::TiledLoop& loop, std::uint32_t dpi) {
        return flash::MeasureFlashes(loop, scale::ToPixels(flash::kVisualFieldWidth, dpi),
                                     scale::ToPixels(flash::kVisualFieldHeight, dpi));
    };
    for (std::uint32_t dpi : {96u, 144u, 192u}) {
        const flash::FlashMeasure m = measure(backgroundLoop(dpi), dpi);
        std::printf("%u DPI: flashing more than 3 times a second: general %.4f of the screen, %.4f of the worst "
                    "visual field; red %.4f, %.4f; red (broadcast) %.4f, %.4f\n",
                    dpi, m.screen.general, m.worstField.general, m.screen.red, m.worstField.red,
                    m.screen.redBroadcast, m.worstField.redBroadcast);
        EXPECT_EQ(flash::MeasuresBeyondThresholds(m), std::vector<std::string>{}) << dpi << " DPI";
    }

    // The gate itself, on the flames made to flash: every other frame white, or red-hot.
    const flash::TiledLoop flames = backgroundLoop(96);
    const auto everyOtherFrame = [&](const std::function<flash::Srgb(flash::Srgb)>& change) {
        flash::TiledLoop loop = flames;
        for (std::size_t f = 1; f < loop.frames.size(); f += 2)
            std::transform(loop.frames[f].begin(), loop.frames[f].end(), loop.frames[f].begin(), change);
        return measure(loop, 96);
    };
    const flash::FlashMeasure whiteFlashes = everyOtherFrame([&](flash::Srgb) { return white; });
    const flash::FlashMeasure redHot = everyOtherFrame([](flash::Srgb c) { return flash::Srgb{255, c.g, c.b}; });
    EXPECT_EQ(flash::MeasuresBeyondThresholds(whiteFlashes), (std::vector<std::string>{"general", "red", "red (broadcast)"}));
    EXPECT_EQ(flash::MeasuresBeyondThresholds(redHot), (std::vector<std::string>{"general", "red (broadcast)"}));
}

TEST(ArtworkTest, BlankCursorIsInvisibleWithHotSpotAtOrigin)
{
    const Bytes cur = artwork("blank.cur");
    ASSERT_GE(cur.size(), 22u);
    EXPECT_EQ(le16(cur, 0), 0u);
    EXPECT_EQ(le16(cur, 2), 2u); // cursor
    ASSERT_EQ(le16(cur, 4), 1u);
    EXPECT_EQ(cur[6], 32);
    EXPECT_EQ(cur[7], 32);
    EXPECT_EQ(le16(cur, 10), 0u); // hot spot x
    EXPECT_EQ(le16(cur, 12), 0u); // hot spot y
    const std::uint32_t bytesInRes = le32(cur, 14);
    const std::uint32_t offset = le32(cur, 18);
    ASSERT_EQ(offset + bytesInRes, cur.size());

    const Dib dib = parseDib(cur, offset, 2);
    EXPECT_EQ(dib.width, 32);
    EXPECT_EQ(dib.headerHeight, 64);
    EXPECT_EQ(dib.bitsPerPixel, 1u);
    EXPECT_EQ(dib.compression, 0u);
    EXPECT_EQ(dib.palette[0], (Rgb{0, 0, 0}));
    EXPECT_EQ(dib.palette[1], (Rgb{255, 255, 255}));
    const std::size_t xorAt = dib.pixelsAt;
    const std::size_t andAt = xorAt + 32 * stride(32, 1);
    ASSERT_EQ(andAt + 32 * stride(32, 1), cur.size());
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            EXPECT_EQ(rawPixel(cur, xorAt, 32, 32, 1, x, y), 0u) << x << "," << y;
            EXPECT_EQ(rawPixel(cur, andAt, 32, 32, 1, x, y), 1u) << x << "," << y;
        }
    }
}

namespace {

struct ExpectedIcon {
    int size;
    unsigned bitsPerPixel;
};

void checkIcon(const std::string& name, const std::vector<ExpectedIcon>& expected)
{
    SCOPED_TRACE(name);
    const Bytes ico = artwork(name);
    ASSERT_GE(ico.size(), 6u);
    EXPECT_EQ(le16(ico, 0), 0u);
    EXPECT_EQ(le16(ico, 2), 1u); // icon
    ASSERT_EQ(le16(ico, 4), expected.size());
    std::size_t end = 6 + 16 * expected.size();
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const std::size_t entry = 6 + 16 * i;
        const ExpectedIcon& e = expected[i];
        const unsigned colours = 1u << e.bitsPerPixel;
        EXPECT_EQ(ico[entry], e.size);
        EXPECT_EQ(ico[entry + 1], e.size);
        EXPECT_EQ(ico[entry + 2], colours >= 256 ? 0u : colours);
        EXPECT_EQ(le16(ico, entry + 6), e.bitsPerPixel);
        const std::uint32_t bytesInRes = le32(ico, entry + 8);
        const std::uint32_t offset = le32(ico, entry + 12);
        EXPECT_EQ(offset, end) << "images are not packed in directory order";
        end = offset + bytesInRes;
        ASSERT_LE(end, ico.size());

        const Dib dib = parseDib(ico, offset, colours);
        EXPECT_EQ(dib.width, e.size);
        EXPECT_EQ(dib.headerHeight, 2 * e.size);
        EXPECT_EQ(dib.bitsPerPixel, e.bitsPerPixel);
        EXPECT_EQ(dib.compression, 0u);
        const std::size_t xorAt = dib.pixelsAt;
        const std::size_t andAt = xorAt + e.size * stride(e.size, e.bitsPerPixel);
        EXPECT_EQ(andAt + e.size * stride(e.size, 1), end);

        // Round emblem: corners see through, the middle is solid, and where the screen shows
        // through the colour bits are black so nothing gets tinted.
        int opaque = 0;
        for (int y = 0; y < e.size; ++y) {
            for (int x = 0; x < e.size; ++x) {
                const bool transparent = rawPixel(ico, andAt, e.size, e.size, 1, x, y) == 1;
                const int dx2 = 2 * x + 1 - e.size;
                const int dy2 = 2 * y + 1 - e.size;
                const int r2 = dx2 * dx2 + dy2 * dy2; // (2 * distance from centre)^2
                if (r2 > e.size * e.size + 4 * e.size) {
                    EXPECT_TRUE(transparent) << x << "," << y;
                }
                if (r2 < (e.size - 4) * (e.size - 4)) {
                    EXPECT_FALSE(transparent) << x << "," << y;
                }
                if (transparent) {
                    EXPECT_EQ(dib.palette.at(rawPixel(ico, xorAt, e.size, e.size, e.bitsPerPixel, x, y)), (Rgb{0, 0, 0}));
                } else {
                    ++opaque;
                }
            }
        }
        EXPECT_GT(opaque, e.size * e.size / 2);
    }
    EXPECT_EQ(end, ico.size());
}

} // namespace

TEST(ArtworkTest, MainIconHoldsSixteenAndTwoHundredFiftySixColourImages)
{
    checkIcon("main.ico", {{32, 4}, {48, 8}});
}

TEST(ArtworkTest, AboutIconHoldsOneSixteenColourImage) { checkIcon("about.ico", {{32, 4}}); }
