#pragma once
// The display scale a window is drawn at, and the DPI awareness it is made in.
#include <windows.h>

namespace framework {

// The window's dots per inch: its monitor's on Windows 10 version 1607 and later (for a program
// that is per-monitor aware), else the system's. Never 0.
UINT DpiForWindow(HWND hWnd);

// The DPI awareness of window hWnd, which every window of its tree shares. Null where the system
// keeps none per window (before Windows 10 version 1607) or hWnd is no window.
DPI_AWARENESS_CONTEXT DpiAwarenessOfWindow(HWND hWnd);

// While it lives, the calling thread works in the DPI awareness given: the windows it makes get
// it, and the sizes it reads are in its pixels. Then the thread's own comes back. A null
// awareness, or a system with no awareness per thread (before Windows 10 version 1607), changes
// nothing.
class CThreadDpiAwareness {
public:
    explicit CThreadDpiAwareness(DPI_AWARENESS_CONTEXT awareness);
    CThreadDpiAwareness(const CThreadDpiAwareness&) = delete;
    CThreadDpiAwareness& operator=(const CThreadDpiAwareness&) = delete;
    ~CThreadDpiAwareness();

private:
    DPI_AWARENESS_CONTEXT m_previous = nullptr;  // null: nothing to restore
};

}  // namespace framework
