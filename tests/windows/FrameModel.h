#pragma once
// A second, independent account of what the animation window must show. The artwork is decoded by
// hand from the bytes stored in the program's resources, and every frame is put together pixel by
// pixel, so a fault in the window's drawing cannot hide behind the same fault here.
#include <windows.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace frame_model {

// The sizes the picture is made of, written down again rather than taken from the program.
inline constexpr int kTileWidth = 124;
inline constexpr int kTileHeight = 157;
inline constexpr int kTileSourceColumn = 1;
inline constexpr int kSpriteSize = 188;
inline constexpr int kFrameCount = 4;

// Pixels as 0x00RRGGBB, top row first: the layout testing_support::ReadPixels returns.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> pixels;

    COLORREF At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// A 1-bit mask by colour index: 0 lets the sprite through, 1 keeps the background.
struct Mask {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> bits;

    bool ShowsSprite(int x, int y) const { return bits[static_cast<std::size_t>(y) * width + x] == 0; }
};

struct Artwork {
    std::array<Image, kFrameCount> backgrounds;
    Image sprite;
    Mask mask;
    // The smallest rectangle of the drawn 188 x 188 that holds every pixel the mask lets through.
    RECT visibleSprite{};
    // The scale it is drawn at, and so where each tile lies in its frame and how large the tiles
    // and the sprite are.
    UINT dpi = 96;
    int tileWidth = kTileWidth;
    int tileHeight = kTileHeight;
    int tileSourceColumn = kTileSourceColumn;
    int spriteSize = kSpriteSize;
};

// Decodes bitmaps 131-134 (flames), 135 (sprite) and 136 (mask) from module's resources.
// On failure returns nothing and says why in error.
std::optional<Artwork> LoadArtwork(HMODULE module, std::string& error);

// The stored artwork as a window at another scale draws it: each tile (the shown part of a frame)
// and the sprite enlarged to dpi / 96 times their size, rounded, by the program's own filter,
// whose results are checked on their own on pictures with known answers.
Artwork AtScale(const Artwork& stored, UINT dpi);

// The frame a tick shows: flames of background frame tiled from the top left, the sprite's pixels
// where the mask lets them through at spritePosition (none without one), all clipped to the area.
// The position is in pixels of the 96-DPI picture, drawn at that times the artwork's scale.
Image Compose(const Artwork& artwork, int width, int height, int frame, std::optional<POINT> spritePosition);

// The animation's state as the model keeps it, starting where a new window starts.
struct State {
    std::int32_t counter = 0;
    std::int32_t x = -7;
    std::int32_t y = -7;
    std::int32_t speed = 1;
};

// One tick in a width x height area of screen pixels at dpi: moves the sprite, in pixels of the
// 96-DPI picture, returns the background frame shown.
int Tick(State& state, int width, int height, UINT dpi = 96);
// One repaint: returns the background frame shown (without the sprite).
int Paint(State& state);

}  // namespace frame_model
