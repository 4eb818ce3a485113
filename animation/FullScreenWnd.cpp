#include "animation/FullScreenWnd.h"

#include "animation/MonitorLayout.h"

namespace {
// The primary screen, in this process's own pixels.
RECT PrimaryScreen()
{
    return RECT{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
}

monitor_layout::Rect ToLayout(const RECT& r)
{
    return monitor_layout::Rect{r.left, r.top, r.right, r.bottom};
}

BOOL CALLBACK AddMonitor(HMONITOR, HDC, LPRECT area, LPARAM list)
{
    reinterpret_cast<std::vector<monitor_layout::Rect>*>(list)->push_back(ToLayout(*area));
    return TRUE;
}

// Every monitor's rectangle on the virtual screen, in the system's order.
std::vector<monitor_layout::Rect> Monitors()
{
    std::vector<monitor_layout::Rect> monitors;
    ::EnumDisplayMonitors(nullptr, nullptr, &AddMonitor, reinterpret_cast<LPARAM>(&monitors));
    return monitors;
}
}  // namespace

CFullScreenWnd::CFullScreenWnd() : CAnimationWnd(TRUE) {}

// Owned by the primary screen's window rather than deleting itself: the system destroys an owned
// window before its owner, and the object goes with the owner's.
CFullScreenWnd::CFullScreenWnd(CFullScreenWnd& primary)
    : CAnimationWnd(FALSE), m_primary(&primary)
{
}

BOOL CFullScreenWnd::CreateFullScreen()
{
    // A failed creation has already deleted this self-deleting object.
    if (!Create(WS_EX_TOPMOST, WS_POPUP | WS_VISIBLE, PrimaryScreen(), nullptr, 0, nullptr))
        return FALSE;
    CoverOtherMonitors();
    return TRUE;
}

void CFullScreenWnd::CoverOtherMonitors()
{
    std::vector<monitor_layout::Rect> places;
    for (const auto& window : m_otherMonitors) {
        RECT place{};
        ::GetWindowRect(window->m_hWnd, &place);
        places.push_back(ToLayout(place));
    }
    std::vector<std::unique_ptr<CFullScreenWnd>> covering;
    for (const monitor_layout::Cover& cover :
         monitor_layout::CoverOtherMonitors(places, Monitors(), ToLayout(PrimaryScreen()))) {
        const RECT area{cover.monitor.left, cover.monitor.top, cover.monitor.right, cover.monitor.bottom};
        if (cover.window) {
            std::unique_ptr<CFullScreenWnd>& window = m_otherMonitors[*cover.window];
            if (!(places[*cover.window] == cover.monitor))
                ::SetWindowPos(window->m_hWnd, nullptr, area.left, area.top, area.right - area.left,
                               area.bottom - area.top, SWP_NOZORDER | SWP_NOACTIVATE);
            covering.push_back(std::move(window));
            continue;
        }
        std::unique_ptr<CFullScreenWnd> window(new CFullScreenWnd(*this));
        if (!window->Create(WS_EX_TOPMOST, WS_POPUP, area, this, 0, nullptr))
            continue;
        // Shown without taking activation: the keyboard stays with the primary screen's window,
        // and the system's activation messages keep their meaning for it.
        ::ShowWindow(window->m_hWnd, SW_SHOWNA);
        covering.push_back(std::move(window));
    }
    // The windows left behind, where no monitor is any more, are destroyed with their objects.
    m_otherMonitors = std::move(covering);
}

bool CFullScreenWnd::IsOneOfOurs(HWND hWnd) const
{
    if (!hWnd)
        return false;
    if (hWnd == m_hWnd)
        return true;
    for (const auto& other : m_otherMonitors)
        if (other->m_hWnd == hWnd)
            return true;
    return false;
}

void CFullScreenWnd::OnSysCommand(UINT command, LPARAM)
{
    // The whole value is compared: these two exact commands must not end or restart the saver.
    if (command == SC_SCREENSAVE || command == SC_CLOSE)
        return;
    Default();
}

void CFullScreenWnd::OnClose()
{
    // Whoever closes one of the other monitors' windows ends the saver, rather than leave that
    // monitor showing the desktop.
    if (m_primary)
        PostClose();
    else
        Default();
}

void CFullScreenWnd::OnDestroy()
{
    if (!m_primary)
        ::PostQuitMessage(0);
    CAnimationWnd::OnDestroy();
}

BOOL CFullScreenWnd::OnSetCursor(HWND, UINT, UINT)
{
    ::SetCursor(nullptr);
    return TRUE;
}

BOOL CFullScreenWnd::OnNcActivate(BOOL active)
{
    if (!active)
        return FALSE;  // refuse to be drawn inactive
    return static_cast<BOOL>(Default());
}

void CFullScreenWnd::OnActivate(UINT state, HWND other, BOOL)
{
    // Activation passing from one of the saver's windows to another is not the user's doing.
    if (state == WA_INACTIVE && !Primary().IsOneOfOurs(other))
        PostClose();
    Default();
}

void CFullScreenWnd::OnActivateApp(BOOL active, DWORD)
{
    if (!active)
        PostClose();
    Default();
}

void CFullScreenWnd::OnDisplayChange(UINT, int, int)
{
    // Every window of the saver is told; the primary screen's window lays them all out anew.
    if (m_primary) {
        Default();
        return;
    }
    // The screen took a new size while the saver runs: cover all of it again rather than leave
    // a strip of desktop. The size comes from the same metrics the window was made with, in this
    // process's own units; the message's may be in others for a process the system scales. The
    // resize repaints the whole window at once, and the next tick's buffer follows the new
    // client area.
    const RECT screen = PrimaryScreen();
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, screen.right, screen.bottom, SWP_NOZORDER | SWP_NOACTIVATE);
    // Monitors may have come or gone, or moved with the new size.
    CoverOtherMonitors();
    Default();
}

void CFullScreenWnd::OnMouseMove(UINT, POINT point)
{
    // The system sends a move when a window appears, to whichever is under the pointer, without
    // the user touching anything: the first position is only remembered, and every later one
    // compared with it. In screen coordinates, which all the saver's windows share: the same
    // place on another monitor is another place.
    ::ClientToScreen(m_hWnd, &point);
    std::optional<POINT>& first = Primary().m_lastMouse;
    if (!first)
        first = point;
    else if (point.x != first->x || point.y != first->y)
        PostClose();
    Default();
}

void CFullScreenWnd::OnButtonDown(UINT, POINT)
{
    PostClose();
    Default();
}

void CFullScreenWnd::OnKeyDown(UINT, UINT, UINT)
{
    PostClose();
    Default();
}

CFullScreenWnd* StartSaver()
{
    auto* saver = new CFullScreenWnd;
    // A failed creation has already deleted the self-deleting window object.
    return saver->CreateFullScreen() ? saver : nullptr;
}
