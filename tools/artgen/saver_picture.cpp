// Shows the saver as it runs on a whole screen, without Windows: every tick is put together
// the way the saver does it (the next flame frame tiled from source column 1, the sprite moved
// by the saver's own motion logic and cut out by its mask), straight from the generator.

#include "Emblem.h"
#include "Fire.h"

#include "animation/Motion.h"

#include <cstdlib>
#include <fstream>
#include <iostream>

int main(int argc, char** argv)
{
    if (argc != 6) {
        std::cerr << "usage: saver_picture <width> <height> <speed> <ticks> <out.ppm>\n"
                     "  writes the first <ticks> frames, each <width> x <height>, one picture after another\n";
        return 2;
    }
    using namespace artgen;
    const int width = std::atoi(argv[1]);
    const int height = std::atoi(argv[2]);
    const int speed = std::atoi(argv[3]);
    const int ticks = std::atoi(argv[4]);
    if (width <= 0 || height <= 0 || ticks <= 0) {
        std::cerr << "saver_picture: bad size or tick count\n";
        return 2;
    }

    IndexedImage frames[kFireFrameCount];
    for (int frame = 0; frame < kFireFrameCount; ++frame)
        frames[frame] = fireFrame(frame);
    const Sprite sprite = renderSprite();

    std::ofstream out(argv[5], std::ios::binary | std::ios::trunc);
    std::int32_t counter = 0;
    motion::SpritePosition position{motion::kStartX, motion::kStartY};
    for (int tick = 0; tick < ticks; ++tick) {
        const IndexedImage& background = frames[motion::FrameIndex(counter)];
        counter = motion::WrappingAdd(counter, 1);
        position = motion::Advance(position, motion::SpeedFromSetting(speed), width, height);
        out << "P6\n" << width << " " << height << "\n255\n";
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                Rgb c = background.palette[background.at(1 + x % kFireTileWidth, y % kFireTileHeight)];
                const long long sx = static_cast<long long>(x) - position.x;
                const long long sy = static_cast<long long>(y) - position.y;
                if (sx >= 0 && sx < motion::kSpriteSize && sy >= 0 && sy < motion::kSpriteSize) {
                    const std::size_t i = static_cast<std::size_t>(sy) * sprite.image.width + static_cast<std::size_t>(sx);
                    if (sprite.mask[i] == 0)
                        c = sprite.image.palette[sprite.image.pixels[i]];
                }
                out.put(static_cast<char>(c.r)).put(static_cast<char>(c.g)).put(static_cast<char>(c.b));
            }
        }
    }
    if (!out) {
        std::cerr << "saver_picture: cannot write " << argv[5] << "\n";
        return 1;
    }
    return 0;
}
