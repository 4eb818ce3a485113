#pragma once
// Read access to an animation window's state for the Windows tests. CAnimationWnd names this
// class its friend, so there must be exactly one definition of it: this one.
#include "animation/AnimationWnd.h"

#include <cstdint>

class AnimationWndProbe {
public:
    static std::int32_t Speed(const CAnimationWnd& window) { return window.m_speed; }
    static std::int32_t X(const CAnimationWnd& window) { return window.m_x; }
    static std::int32_t Y(const CAnimationWnd& window) { return window.m_y; }
    static std::int32_t FrameCounter(const CAnimationWnd& window) { return window.m_frameCounter; }
};
