#pragma once
// CWnd: a C++ object bound to a window for the window's whole life.
//
// CreateEx parks the object in a thread-local slot; the shared window procedure adopts it on the
// window's very first message (a top-level window gets WM_GETMINMAXINFO before WM_NCCREATE) and
// keeps it in GWLP_USERDATA, so the object sees every message, creation messages included.
#include "framework/MessageMap.h"
#include "framework/WinApp.h"

#include <windows.h>

namespace framework {

struct CCreateContext;  // accepted for familiarity by Create; nothing in this program uses one

class CWnd {
public:
    CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;
    virtual ~CWnd();

    // The object of one of this thread's windows, or a borrowed wrapper that we never destroy for
    // any other window, another process's included. Null for a handle that is not a window.
    static CWnd* FromHandle(HWND hWnd);

    // Names a window that this object does not own and never destroys, such as a dialog's control.
    void AttachBorrowed(HWND hWnd)
    {
        m_hWnd = hWnd;
        m_borrowed = true;
    }

    BOOL CreateEx(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style,
                  int x, int y, int width, int height, HWND parent, HMENU menu, LPVOID param);
    BOOL DestroyWindow();

    void GetClientRect(LPRECT rect) const { ::GetClientRect(m_hWnd, rect); }
    void GetWindowRect(LPRECT rect) const { ::GetWindowRect(m_hWnd, rect); }
    void ScreenToClient(LPRECT rect) const;
    CWnd* GetDlgItem(int id) const { return FromHandle(::GetDlgItem(m_hWnd, id)); }
    // Without a window the system would make a thread timer instead, under an id of its own
    // choosing that KillTimer(id) never ends: an object without a window sets no timer.
    UINT_PTR SetTimer(UINT_PTR id, UINT elapse, TIMERPROC proc)
    {
        return m_hWnd ? ::SetTimer(m_hWnd, id, elapse, proc) : 0;
    }
    BOOL KillTimer(UINT_PTR id) { return m_hWnd ? ::KillTimer(m_hWnd, id) : FALSE; }
    BOOL PostMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) { return ::PostMessageW(m_hWnd, msg, wParam, lParam); }
    HMENU GetSystemMenu(BOOL revert) const { return ::GetSystemMenu(m_hWnd, revert); }
    void CenterWindow();

    HWND m_hWnd = nullptr;

    using MessageMap = EmptyMessageMap;

protected:
    // The one virtual entry of a class's message map: each window class forwards to its own map.
    virtual bool ProcessWindowMessage(const Message& m, LRESULT& result);

    // Called after the window's last message; an object that owns itself deletes itself here.
    virtual void PostNcDestroy() {}

    // The default processing of the message being handled, for handlers that pass it on.
    LRESULT Default();
    virtual LRESULT DefaultProcessing(const Message& m);

    void OnDestroy() { Default(); }

    // Binds one of our windows to this object; shared by windows and dialogs.
    void Adopt(HWND hWnd);
    // Runs one message through the map. passedOn, when given, learns whether the handler asked
    // for the default processing.
    bool Dispatch(const Message& m, LRESULT& result, bool* passedOn = nullptr);
    // The framework's part of a window's end: unbinding, leaving the main-window slot (ending the
    // message loop when asked to), then PostNcDestroy.
    void EndOfWindow(bool quitWithMainWindow);

    static LRESULT CALLBACK WindowProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static thread_local CWnd* t_windowBeingCreated;

private:
    // A message being handled. It lives on the stack of the Dispatch call that handles it, not in
    // the object: a handler's default processing may end the window, and a self-deleting object
    // is gone by the time the handler returns.
    struct HandlerFrame {
        CWnd* window;  // null once the window has ended
        const Message& message;
        HandlerFrame* outer;
        bool passedOn;
    };
    static thread_local HandlerFrame* t_innermostHandler;

    // The thread's lasting wrapper for a window that is not one of our objects.
    static CWnd* Borrowed(HWND hWnd);

    bool m_borrowed = false;

    friend class CWinApp;
    friend class CDialog;
    friend LPCWSTR AfxRegisterWndClass(UINT, HCURSOR, HBRUSH, HICON);
};

}  // namespace framework
