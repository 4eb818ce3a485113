#pragma once
// The sprite's path and the flame frames' order. No window system needed.
//
// All arithmetic wraps in 32 bits, so any stored speed, however large or negative, and a frame
// counter running for years keep to the same rules and never overflow.
#include <cstdint>

namespace motion {

inline constexpr std::int32_t kStartX = -7;
inline constexpr std::int32_t kStartY = -7;
inline constexpr std::int32_t kSpriteSize = 188;
inline constexpr std::int32_t kReentryX = -kSpriteSize;
inline constexpr std::int32_t kRowStep = 168;
inline constexpr std::int32_t kTopRestartY = -7;
inline constexpr int kFrameCount = 4;

struct SpritePosition {
    std::int32_t x;
    std::int32_t y;
};

inline std::int32_t WrappingAdd(std::int32_t a, std::int32_t b)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

// One tick's move in a client area of width x height pixels: right by speed; past the right edge
// back in from beyond the left edge one row lower; below the bottom edge back to the top.
SpritePosition Advance(SpritePosition position, std::int32_t speed, std::int32_t width, std::int32_t height);

// The background frame a counter selects: its non-negative remainder modulo 4.
inline int FrameIndex(std::int32_t counter)
{
    return static_cast<int>(static_cast<std::uint32_t>(counter) % kFrameCount);
}

// The stored speed as an animation window runs it: a negative value runs at 10.
inline std::int32_t SpeedFromSetting(std::int32_t stored)
{
    return stored < 0 ? 10 : stored;
}

}  // namespace motion
