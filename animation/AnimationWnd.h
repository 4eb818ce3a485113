#pragma once
// The window that plays the animation: tiled flames with the emblem gliding over them.
#include "animation/Compose.h"
#include "animation/Motion.h"
#include "animation/Scale.h"
#include "framework/Gdi.h"
#include "framework/PowerNotification.h"
#include "framework/Wnd.h"

#include <array>
#include <cstdint>

class CAnimationWnd : public framework::CWnd {
public:
    explicit CAnimationWnd(BOOL autoDelete);
    ~CAnimationWnd() override;

    virtual BOOL Create(DWORD exStyle, DWORD style, const RECT& rect, framework::CWnd* parentWnd, UINT id,
                        framework::CCreateContext* context);
    // Sets the step in pixels per tick and restarts the tick period from now.
    void SetSpeed(int speed);

    static constexpr UINT_PTR kTimerId = 1;
    static constexpr UINT kTimerPeriod = 125;  // milliseconds: 8 ticks a second, whatever the speed

protected:
    void PostNcDestroy() override;

    int OnCreate(LPCREATESTRUCT create);
    void OnDestroy();
    void OnTimer(UINT_PTR id);
    void OnPaint();
    BOOL OnPowerBroadcast(UINT event, LPARAM data);
    void OnDpiChanged(UINT dpi, const RECT* suggested);
    void OnDpiChangedAfterParent();

public:
    using MessageMap = framework::MessageMap<CAnimationWnd, framework::CWnd,
        framework::On<WM_CREATE, &CAnimationWnd::OnCreate>,
        framework::On<WM_DESTROY, &CAnimationWnd::OnDestroy>,
        framework::On<WM_TIMER, &CAnimationWnd::OnTimer>,
        framework::On<WM_PAINT, &CAnimationWnd::OnPaint>,
        framework::On<WM_POWERBROADCAST, &CAnimationWnd::OnPowerBroadcast>,
        framework::On<WM_DPICHANGED, &CAnimationWnd::OnDpiChanged>,
        framework::On<WM_DPICHANGED_AFTERPARENT, &CAnimationWnd::OnDpiChangedAfterParent>>;

protected:
    bool ProcessWindowMessage(const framework::Message& m, LRESULT& result) override
    {
        return MessageMap::Dispatch(*this, m, result);
    }

    // One tick: move the sprite, compose the next frame off-screen and show it in one copy.
    void Tick();
    // The back buffer at width x height, made like the context like when needed; false while
    // there is none, so that the frame must be drawn straight into the window.
    bool BackBufferReady(const framework::CDC& like, int width, int height);
    // The current background frame; moves the counter on.
    const framework::CBitmap& NextBackground();
    // Draws from now on at dpi: the artwork as stored at 96, redrawn for any other scale once.
    void UseDpi(UINT dpi);
    // One of the six bitmaps as drawn at the current scale.
    const framework::CBitmap& Artwork(std::size_t index) const
    {
        return m_dpi == scale::kDesignDpi ? m_bitmaps[index] : m_scaledBitmaps[index];
    }
    // Asks to be told when the display goes off and on again.
    void WatchDisplay();

    framework::CBitmap m_backBuffer;
    SIZE m_backBufferSize{};
    // A back buffer that the system refused is asked for again after this many ticks: about once
    // a second, not on every tick, while memory is short.
    static constexpr int kTicksBetweenBufferTries = 1000 / kTimerPeriod;
    int m_ticksUntilBufferTry = 0;
    // Makes a back buffer. The system's own call; the tests put one in its place that refuses.
    static inline HBITMAP(WINAPI* s_createBackBuffer)(HDC, int, int) = &::CreateCompatibleBitmap;
    std::array<framework::CBitmap, 6> m_bitmaps;
    // The same six redrawn for m_dpi, when it is not 96.
    std::array<framework::CBitmap, 6> m_scaledBitmaps;
    UINT m_dpi = scale::kDesignDpi;
    compose::Geometry m_geometry = compose::kStoredGeometry;
    std::int32_t m_frameCounter = 0;
    std::int32_t m_speed = 0;
    // The sprite's place in pixels of the 96-DPI picture; drawn at m_x x m_dpi / 96.
    std::int32_t m_x = motion::kStartX;
    std::int32_t m_y = motion::kStartY;
    BOOL m_autoDelete;
    framework::CPowerSettingNotification m_displayNotification;
    bool m_displayOff = false;  // nobody can see a frame, so none is drawn

    friend class AnimationWndProbe;  // lets the tests read the animation's state
};

// Host preview: a self-deleting animation window filling the host window's client area.
// Null when the window could not be created.
CAnimationWnd* StartPreview(framework::CWnd* parent);
