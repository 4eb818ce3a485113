#include "Emblem.h"
#include "Fire.h"
#include "ImageFiles.h"
#include "SetupPicture.h"

#include <fstream>
#include <iostream>
#include <string>

namespace {

bool writeFile(const std::string& folder, const std::string& name, const artgen::Bytes& bytes)
{
    const std::string path = folder + "/" + name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (out)
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        std::cerr << "artgen: cannot write " << path << "\n";
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: artgen <output-dir>\n";
        return 2;
    }
    const std::string folder = argv[1];
    using namespace artgen;

    bool ok = true;
    for (int frame = 0; frame < kFireFrameCount; ++frame) {
        const IndexedImage image = fireFrame(frame);
        const std::string name = "background" + std::to_string(frame) + ".bmp";
        if (frame == 0) {
            // The first frame is kept in true colour, holding exactly the palette's colours.
            RgbImage rgb;
            rgb.width = image.width;
            rgb.height = image.height;
            for (std::uint8_t index : image.pixels)
                rgb.pixels.push_back(image.palette[index]);
            ok = writeFile(folder, name, encodeBmp24(rgb)) && ok;
        } else {
            ok = writeFile(folder, name, encodeBmp8(image)) && ok;
        }
    }

    const Sprite sprite = renderSprite();
    ok = writeFile(folder, "sprite.bmp", encodeBmp8(sprite.image)) && ok;
    ok = writeFile(folder, "sprite_mask.bmp",
                   encodeBmp1(sprite.image.width, sprite.image.height, sprite.mask, {{0, 0, 0}, {255, 255, 255}})) &&
         ok;
    ok = writeFile(folder, "blank.cur", encodeBlankCursor()) && ok;
    ok = writeFile(folder, "main.ico", encodeIco({renderIcon(32, 4, EmblemStyle::Main), renderIcon(48, 8, EmblemStyle::Main)})) &&
         ok;
    ok = writeFile(folder, "about.ico", encodeIco({renderIcon(32, 4, EmblemStyle::About)})) && ok;
    ok = writeFile(folder, "setup_picture.bmp", encodeBmp24(renderSetupPicture())) && ok;
    return ok ? 0 : 1;
}
