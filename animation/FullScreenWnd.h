#pragma once
// The saver proper: the animation over every monitor, ended by the user's first real input.
#include "animation/AnimationWnd.h"

#include <memory>
#include <optional>
#include <vector>

class CFullScreenWnd : public CAnimationWnd {
public:
    CFullScreenWnd();

    // Makes the window: a visible topmost popup exactly the size of the primary screen. Then
    // gives each other monitor a window like it, owned by this one, so that they end with it.
    BOOL CreateFullScreen();

protected:
    void OnSysCommand(UINT command, LPARAM lParam);
    void OnClose();
    void OnDestroy();
    BOOL OnSetCursor(HWND hWnd, UINT hitTest, UINT message);
    BOOL OnNcActivate(BOOL active);
    void OnActivate(UINT state, HWND other, BOOL minimized);
    void OnActivateApp(BOOL active, DWORD threadId);
    void OnDisplayChange(UINT bitsPerPixel, int width, int height);
    void OnMouseMove(UINT flags, POINT point);
    void OnButtonDown(UINT flags, POINT point);
    void OnKeyDown(UINT key, UINT repeat, UINT flags);

public:
    using MessageMap = framework::MessageMap<CFullScreenWnd, CAnimationWnd,
        framework::On<WM_SYSCOMMAND, &CFullScreenWnd::OnSysCommand>,
        framework::On<WM_CLOSE, &CFullScreenWnd::OnClose>,
        framework::On<WM_DESTROY, &CFullScreenWnd::OnDestroy>,
        framework::On<WM_SETCURSOR, &CFullScreenWnd::OnSetCursor>,
        framework::On<WM_NCACTIVATE, &CFullScreenWnd::OnNcActivate>,
        framework::On<WM_ACTIVATE, &CFullScreenWnd::OnActivate>,
        framework::On<WM_ACTIVATEAPP, &CFullScreenWnd::OnActivateApp>,
        framework::On<WM_DISPLAYCHANGE, &CFullScreenWnd::OnDisplayChange>,
        framework::On<WM_MOUSEMOVE, &CFullScreenWnd::OnMouseMove>,
        framework::On<WM_LBUTTONDOWN, &CFullScreenWnd::OnButtonDown>,
        framework::On<WM_MBUTTONDOWN, &CFullScreenWnd::OnButtonDown>,
        framework::On<WM_RBUTTONDOWN, &CFullScreenWnd::OnButtonDown>,
        framework::On<WM_KEYDOWN, &CFullScreenWnd::OnKeyDown>,
        framework::On<WM_SYSKEYDOWN, &CFullScreenWnd::OnKeyDown>>;

protected:
    bool ProcessWindowMessage(const framework::Message& m, LRESULT& result) override
    {
        return MessageMap::Dispatch(*this, m, result);
    }

    // Closing always goes through the queue, so no handler destroys a window under itself. It is
    // the primary screen's window that closes: the others go with it.
    void PostClose() { Primary().PostMessage(WM_CLOSE); }

    // The first pointer position seen by any of the saver's windows, in screen coordinates; none
    // until then (every point is a real place: left of and above the primary screen, (-1, -1)
    // is one). The primary screen's window keeps it for all of them.
    std::optional<POINT> m_lastMouse;

private:
    // Another monitor's window, for the primary screen's window to own.
    explicit CFullScreenWnd(CFullScreenWnd& primary);

    CFullScreenWnd& Primary() { return m_primary ? *m_primary : *this; }
    // One window on each monitor beside the primary screen, exactly its size: windows already
    // made keep their monitor or move to a new one, and none is left where there is no monitor
    // any more (monitor_layout::CoverOtherMonitors decides which).
    void CoverOtherMonitors();
    // True for any window of this saver, the other monitors' included.
    bool IsOneOfOurs(HWND hWnd) const;

    CFullScreenWnd* m_primary = nullptr;  // null in the primary screen's window itself
    std::vector<std::unique_ptr<CFullScreenWnd>> m_otherMonitors;

    friend class FullScreenWndProbe;  // lets the tests read the first position
};

// Saver mode: a self-deleting full-screen window. Null when the window could not be created.
CFullScreenWnd* StartSaver();
