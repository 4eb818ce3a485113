#pragma once
// The animation's per-tick drawing in plain Win32, without our framework: the floor that the
// benchmarks hold our animation window against. The same calls, in the same order, on the same
// artwork, with the sprite on the same path; every handle made in a call is released in it.
#include <windows.h>

namespace bare {

// The artwork, loaded from the executable's own resources.
class Artwork {
public:
    Artwork();
    Artwork(const Artwork&) = delete;
    Artwork& operator=(const Artwork&) = delete;
    ~Artwork();

    bool Loaded() const;

    HBITMAP frames[4] = {};
    HBITMAP sprite = nullptr;
    HBITMAP mask = nullptr;
};

class Animation {
public:
    explicit Animation(int speed) : m_speed(speed) {}
    Animation(const Animation&) = delete;
    Animation& operator=(const Animation&) = delete;
    ~Animation();

    bool Loaded() const { return m_artwork.Loaded(); }
    // One timer tick into the window: move, compose off-screen, copy to the window.
    void Tick(HWND window);
    // WM_PAINT: the current frame tiled straight into the window.
    void Paint(HWND window);

private:
    HBITMAP NextFrame();
    void Move(int width, int height);

    Artwork m_artwork;
    HBITMAP m_backBuffer = nullptr;
    int m_bufferWidth = 0;
    int m_bufferHeight = 0;
    unsigned m_counter = 0;
    int m_speed;
    int m_x = -7;
    int m_y = -7;
};

// The speed a saver reads at window creation: HKCU\Software\Tarnwick Inc.\<app>\Config\Speed,
// 1 when absent, 10 when negative.
int StoredSpeed(const wchar_t* appName);

}  // namespace bare
