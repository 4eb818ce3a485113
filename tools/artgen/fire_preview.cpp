// Shows what the background looks like on a whole screen, without building the Windows
// program: the frames are tiled the way the saver tiles them, straight from the generator.

#include "Fire.h"

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::cerr << "usage: fire_preview <width> <height> <frame 0-3, or 'all'> <out.ppm>\n"
                     "  'all' stacks the four frames, each <width> x <height>, one below the other\n";
        return 2;
    }
    using namespace artgen;
    const int width = std::atoi(argv[1]);
    const int height = std::atoi(argv[2]);
    const std::string which = argv[3];
    const int first = which == "all" ? 0 : std::atoi(argv[3]);
    const int count = which == "all" ? kFireFrameCount : 1;
    if (width <= 0 || height <= 0 || first < 0 || first >= kFireFrameCount) {
        std::cerr << "fire_preview: bad size or frame\n";
        return 2;
    }

    std::ofstream out(argv[4], std::ios::binary | std::ios::trunc);
    out << "P6\n" << width << " " << height * count << "\n255\n";
    for (int frame = first; frame < first + count; ++frame) {
        const IndexedImage image = fireFrame(frame);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                // The saver copies the tile from source column 1 onwards.
                const Rgb& c = image.palette[image.at(1 + x % kFireTileWidth, y % kFireTileHeight)];
                out.put(static_cast<char>(c.r)).put(static_cast<char>(c.g)).put(static_cast<char>(c.b));
            }
        }
    }
    if (!out) {
        std::cerr << "fire_preview: cannot write " << argv[4] << "\n";
        return 1;
    }
    return 0;
}
