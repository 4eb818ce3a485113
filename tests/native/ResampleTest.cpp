// The artwork's resampling filter on pictures whose resized form is known without it.
#include "animation/Resample.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using resample::Edges;
using resample::Image;
using resample::Shape;

Image Filled(int width, int height, std::uint32_t colour)
{
    return Image{width, height, std::vector<std::uint32_t>(static_cast<std::size_t>(width) * height, colour)};
}

std::uint32_t Grey(int level) { return static_cast<std::uint32_t>(level) * 0x010101u; }

TEST(Resample, AnEvenColourStaysEvenAndARampStraight)
{
    for (const Edges edges : {Edges::Repeat, Edges::Extend})
        for (const auto& [width, height] : {std::pair{20, 11}, std::pair{26, 14}, std::pair{5, 3}, std::pair{1, 1}})
            EXPECT_EQ(resample::Resize(Filled(13, 7, 0x5A2C07), width, height, edges).pixels,
                      Filled(width, height, 0x5A2C07).pixels);

    // 0, 8, ..., 120 enlarged from 16 pixels to 24: pixel t's centre lies at c = (t + 0.5) x 16/24
    // - 0.5, where the ramp is 8c, never a half; pixels whose filter reaches past an end left out.
    Image ramp{16, 1, {}};
    for (int x = 0; x < 16; ++x)
        ramp.pixels.push_back(Grey(8 * x));
    const Image wide = resample::Resize(ramp, 24, 1, Edges::Extend);
    for (int t = 0; t < 24; ++t) {
        const double centre = (t + 0.5) * 16.0 / 24.0 - 0.5;
        if (centre >= 2.0 && centre <= 13.0) {
            EXPECT_EQ(wide.pixels[t], Grey(static_cast<int>(std::floor(8.0 * centre + 0.5)))) << "pixel " << t;
        }
    }
}

TEST(Resample, TwiceAsLargeGivesTheCubicsOwnWeightsAndWrapsARepeatingTile)
{
    // At 2x a pixel's centre falls a quarter and three quarters between two source pixels, where
    // the Catmull-Rom cubic weighs its neighbours 111/128, 29/128, -9/128 and -3/128. One bright
    // pixel (64 + 128) at the start of an 8-pixel tile that repeats lifts both its own two pixels
    // and, across the seam, the last three of the enlarged tile.
    Image tile = Filled(8, 1, Grey(64));
    tile.pixels[0] = Grey(192);
    const Image twice = resample::Resize(tile, 16, 1, Edges::Repeat);
    const int expected[16] = {175, 175, 93, 55, 61, 64, 64, 64, 64, 64, 64, 64, 64, 61, 55, 93};
    for (int x = 0; x < 16; ++x)
        EXPECT_EQ(twice.pixels[x], Grey(expected[x])) << "pixel " << x;

    // A shape enlarged twice keeps its edges exactly twice as far out.
    Shape square{16, 16, std::vector<std::uint8_t>(256, 0)};
    for (int y = 4; y < 12; ++y)
        for (int x = 4; x < 12; ++x)
            square.inside[y * 16 + x] = 1;
    const Shape enlarged = resample::Resize(square, 32, 32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            ASSERT_EQ(enlarged.inside[y * 32 + x], (x >= 8 && x < 24 && y >= 8 && y < 24) ? 1 : 0) << x << ", " << y;
}

TEST(Resample, ACutOutsSurroundNeverBleedsIntoItsEdge)
{
    // A disc on a surround of another colour, at 150 % and 200 %: inside the enlarged shape
    // there is nothing but the disc's colour.
    Image disc = Filled(40, 40, 0x00FF00);
    Shape shape{40, 40, std::vector<std::uint8_t>(1600, 0)};
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
            if ((x - 19.5) * (x - 19.5) + (y - 19.5) * (y - 19.5) < 15.0 * 15.0) {
                disc.pixels[y * 40 + x] = 0x8B1A1A;
                shape.inside[y * 40 + x] = 1;
            }
    for (const int size : {60, 80}) {
        const Image picture = resample::ResizeCutOut(disc, shape, size, size);
        const Shape edge = resample::Resize(shape, size, size);
        for (std::size_t i = 0; i < picture.pixels.size(); ++i) {
            if (edge.inside[i]) {
                ASSERT_EQ(picture.pixels[i], 0x8B1A1Au) << "pixel " << i << " at " << size;
            }
        }
    }
}

}  // namespace
