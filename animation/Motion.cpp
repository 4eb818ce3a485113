#include "animation/Motion.h"

namespace motion {

SpritePosition Advance(SpritePosition position, std::int32_t speed, std::int32_t width, std::int32_t height)
{
    position.x = WrappingAdd(position.x, speed);
    if (position.x >= width) {
        position.x = kReentryX;
        position.y = WrappingAdd(position.y, kRowStep);
    }
    if (position.y >= height)
        position.y = kTopRestartY;
    return position;
}

}  // namespace motion
