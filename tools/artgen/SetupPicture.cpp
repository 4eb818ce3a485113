#include "SetupPicture.h"

#include "DetMath.h"
#include "Emblem.h"
#include "Fire.h"

#include <cmath>

namespace artgen {

namespace {

// The emblem across most of the width, its centre a third of the way down: the finish page's
// title and text start at the top on the right, and the eye meets the emblem beside them.
constexpr int kEmblemSize = 132;
constexpr int kEmblemLeft = (kSetupPictureWidth - kEmblemSize) / 2;
constexpr int kEmblemTop = kSetupPictureHeight / 3 - kEmblemSize / 2;
// The emblem's light comes from the upper left, so it throws its shadow down and to the right.
// The soft dark ring also keeps the emblem's hard edge from stepping against bright flames.
constexpr double kShadowOffsetX = 3.0;
constexpr double kShadowOffsetY = 5.0;
constexpr double kShadowSpread = 12.0;
constexpr double kShadowDepth = 0.8;

Rgb darkened(const Rgb& c, double keep)
{
    return toRgb(Colour{c.r / 255.0, c.g / 255.0, c.b / 255.0} * keep);
}

} // namespace

RgbImage renderSetupPicture()
{
    // The flames tiled exactly as the saver tiles them: columns 1..kFireTileWidth of the frame.
    const IndexedImage fire = fireFrame(0);
    RgbImage picture;
    picture.width = kSetupPictureWidth;
    picture.height = kSetupPictureHeight;
    picture.pixels.resize(static_cast<std::size_t>(picture.width) * picture.height);
    const double radius = kEmblemSize / 2.0;
    const double shadowX = kEmblemLeft + radius + kShadowOffsetX;
    const double shadowY = kEmblemTop + radius + kShadowOffsetY;
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            const double dx = x + 0.5 - shadowX;
            const double dy = y + 0.5 - shadowY;
            const double shadow = 1.0 - smoothstep(radius - 2.0, radius + kShadowSpread, std::sqrt(dx * dx + dy * dy));
            picture.at(x, y) = darkened(fire.palette[fire.at(1 + x % kFireTileWidth, y % kFireTileHeight)],
                                        1.0 - kShadowDepth * shadow);
        }
    }

    const IconImage emblem = renderIcon(kEmblemSize, 8, EmblemStyle::Main);
    for (int y = 0; y < emblem.size; ++y) {
        for (int x = 0; x < emblem.size; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * emblem.size + x;
            if (!emblem.transparent[i])
                picture.at(kEmblemLeft + x, kEmblemTop + y) = emblem.palette[emblem.pixels[i]];
        }
    }
    return picture;
}

} // namespace artgen
