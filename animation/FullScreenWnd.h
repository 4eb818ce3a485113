#pragma once
// The saver proper: the animation over the whole screen, ended by the user's first real input.
#include "animation/AnimationWnd.h"

class CFullScreenWnd : public CAnimationWnd {
public:
    CFullScreenWnd();

    // Makes the window: a visible topmost popup exactly the size of the primary screen.
    BOOL CreateFullScreen();

protected:
    void OnSysCommand(UINT command, LPARAM lParam);
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

    // Closing always goes through the queue, so no handler destroys the window under itself.
    void PostClose() { PostMessage(WM_CLOSE); }

    POINT m_lastMouse;  // the first pointer position seen; (-1, -1) until then

    friend class FullScreenWndProbe;  // lets the tests read the first position
};

// Saver mode: a self-deleting full-screen window. Null when the window could not be created.
CFullScreenWnd* StartSaver();
