#pragma once
// Access to an animation window's private state for the Windows tests. CAnimationWnd names this
// class its friend, so there must be exactly one definition of it: this one.
#include "animation/AnimationWnd.h"

#include <cstddef>
#include <cstdint>

// Where the animation's state lies inside its window object in this build. A saver built by the
// same compiler from the same headers lays its objects out alike, so another process's animation
// can be read at these offsets.
struct AnimationLayout {
    std::size_t size;  // of the whole object
    std::size_t window;
    std::size_t frameCounter;
    std::size_t x;
    std::size_t y;
};

class AnimationWndProbe {
public:
    static std::int32_t Speed(const CAnimationWnd& window) { return window.m_speed; }
    static std::int32_t X(const CAnimationWnd& window) { return window.m_x; }
    static std::int32_t Y(const CAnimationWnd& window) { return window.m_y; }
    static std::int32_t FrameCounter(const CAnimationWnd& window) { return window.m_frameCounter; }
    static HBITMAP BackBuffer(const CAnimationWnd& window) { return window.m_backBuffer.GetSafeHandle(); }

    // Makes the windows' back buffers with make from now on (&::CreateCompatibleBitmap as before).
    static void MakeBackBuffersWith(HBITMAP(WINAPI* make)(HDC, int, int)) { CAnimationWnd::s_createBackBuffer = make; }
    // Moves the sprite, for positions the motion alone reaches only after a long way round.
    static void PlaceSprite(CAnimationWnd& window, std::int32_t x, std::int32_t y)
    {
        window.m_x = x;
        window.m_y = y;
    }

    // Offsets measured from the CWnd part: that is the object a window's procedure keeps.
    static AnimationLayout Layout()
    {
        const CAnimationWnd animation(FALSE);
        const char* base = reinterpret_cast<const char*>(static_cast<const framework::CWnd*>(&animation));
        const auto offset = [base](const void* field) {
            return static_cast<std::size_t>(static_cast<const char*>(field) - base);
        };
        return AnimationLayout{sizeof animation, offset(&animation.m_hWnd), offset(&animation.m_frameCounter),
                               offset(&animation.m_x), offset(&animation.m_y)};
    }
};
