#include "animation/FullScreenWnd.h"

namespace {
constexpr POINT kNoPosition{-1, -1};

// The primary screen, in this process's own pixels.
RECT PrimaryScreen()
{
    return RECT{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
}
}  // namespace

CFullScreenWnd::CFullScreenWnd() : CAnimationWnd(TRUE), m_lastMouse(kNoPosition) {}

BOOL CFullScreenWnd::CreateFullScreen()
{
    return Create(WS_EX_TOPMOST, WS_POPUP | WS_VISIBLE, PrimaryScreen(), nullptr, 0, nullptr);
}

void CFullScreenWnd::OnSysCommand(UINT command, LPARAM)
{
    // The whole value is compared: these two exact commands must not end or restart the saver.
    if (command == SC_SCREENSAVE || command == SC_CLOSE)
        return;
    Default();
}

void CFullScreenWnd::OnDestroy()
{
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

void CFullScreenWnd::OnActivate(UINT state, HWND, BOOL)
{
    if (state == WA_INACTIVE)
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
    // The screen took a new size while the saver runs: cover all of it again rather than leave
    // a strip of desktop. The size comes from the same metrics the window was made with, in this
    // process's own units; the message's may be in others for a process the system scales. The
    // resize repaints the whole window at once, and the next tick's buffer follows the new
    // client area.
    const RECT screen = PrimaryScreen();
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, screen.right, screen.bottom, SWP_NOZORDER | SWP_NOACTIVATE);
    Default();
}

void CFullScreenWnd::OnMouseMove(UINT, POINT point)
{
    // The system sends a move when the window appears, without the user touching anything: the
    // first position is only remembered, and every later one compared with it.
    if (m_lastMouse.x == kNoPosition.x && m_lastMouse.y == kNoPosition.y)
        m_lastMouse = point;
    else if (point.x != m_lastMouse.x || point.y != m_lastMouse.y)
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
