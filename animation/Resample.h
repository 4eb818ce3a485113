#pragma once
// Enlarging (or shrinking) the artwork for a display scale, with a filter of our own. No window
// system needed.
//
// The filter is the Catmull-Rom cubic: it passes through the pixels it is given, keeps straight
// ramps straight, and overshoots little, so the soft flames stay soft and the emblem's rim stays
// crisp without a halo. Shrinking widens it by the ratio, so that nothing aliases.
#include <cstdint>
#include <vector>

namespace resample {

// Pixels as 0x00RRGGBB, top row first.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
};

// A shape: 1 where it is, 0 where it is not, top row first.
struct Shape {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> inside;
};

// What lies beyond an image's edges for the filter: the image again (a tile that repeats), or
// its outermost pixels.
enum class Edges { Repeat, Extend };

// The image at width x height.
Image Resize(const Image& source, int width, int height, Edges edges);

// A shape at width x height: where the filtered shape is at least half there. So the edge of a
// resized shape runs where the edge of the resized picture of it does.
Shape Resize(const Shape& source, int width, int height);

// The picture of a cut-out at width x height, with pixels just inside the shape's edge coloured
// by the inside alone: the filter reaches a few pixels across the edge, and what lies outside
// the shape (a surround that is never shown) must not bleed into its rim.
Image ResizeCutOut(const Image& source, const Shape& shape, int width, int height);

}  // namespace resample
