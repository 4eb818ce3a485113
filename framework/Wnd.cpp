#include "framework/Wnd.h"

#include "framework/Dialog.h"
#include "framework/WinApp.h"

#include <exception>
#include <memory>
#include <new>
#include <unordered_map>

namespace framework {

thread_local CWnd* CWnd::t_windowBeingCreated = nullptr;
thread_local CWnd::HandlerFrame* CWnd::t_innermostHandler = nullptr;

namespace {

// Wrappers for windows that are not ours (a host's preview pane, a dialog's controls). They live
// as long as the thread and never destroy the window they name.
std::unordered_map<HWND, std::unique_ptr<CWnd>>& BorrowedWindows()
{
    thread_local std::unordered_map<HWND, std::unique_ptr<CWnd>> windows;
    return windows;
}

bool IsOfThisThread(HWND hWnd)
{
    DWORD process = 0;
    const DWORD thread = ::GetWindowThreadProcessId(hWnd, &process);
    return process == ::GetCurrentProcessId() && thread == ::GetCurrentThreadId();
}

}  // namespace

CWnd::~CWnd()
{
    if (m_hWnd && !m_borrowed) {
        // The object goes first: the window's last messages find no object and get the
        // default processing, so nothing reaches a half-destroyed C++ object.
        HWND hWnd = m_hWnd;
        ::SetWindowLongPtrW(hWnd, GWLP_USERDATA, 0);
        m_hWnd = nullptr;
        ::DestroyWindow(hWnd);
    }
}

CWnd* CWnd::FromHandle(HWND hWnd)
{
    if (!::IsWindow(hWnd))
        return nullptr;
    // Only a window of this thread can hold one of our objects: another process running this
    // same program has the same window procedure, and its user data is a pointer of that process.
    if (!IsOfThisThread(hWnd))
        return Borrowed(hWnd);
    if (::GetWindowLongPtrW(hWnd, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&CWnd::WindowProc)) {
        if (auto* own = reinterpret_cast<CWnd*>(::GetWindowLongPtrW(hWnd, GWLP_USERDATA)))
            return own;
    }
    if (::GetWindowLongPtrW(hWnd, DWLP_DLGPROC) == reinterpret_cast<LONG_PTR>(&CDialog::DialogProc)) {
        if (auto* own = reinterpret_cast<CDialog*>(::GetWindowLongPtrW(hWnd, DWLP_USER)))
            return own;
    }
    return Borrowed(hWnd);
}

CWnd* CWnd::Borrowed(HWND hWnd)
{
    auto& slot = BorrowedWindows()[hWnd];
    if (!slot) {
        slot = std::make_unique<CWnd>();
        slot->AttachBorrowed(hWnd);
    }
    return slot.get();
}

BOOL CWnd::CreateEx(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y,
                    int width, int height, HWND parent, HMENU menu, LPVOID param)
{
    t_windowBeingCreated = this;
    HWND hWnd = ::CreateWindowExW(exStyle, className, windowName, style, x, y, width, height, parent,
                                  menu, AfxGetInstanceHandle(), param);
    const bool neverAdopted = t_windowBeingCreated == this;
    t_windowBeingCreated = nullptr;
    if (hWnd)
        return TRUE;
    // A window that got no message at all never reached WM_NCDESTROY: end the object the same way.
    if (neverAdopted)
        PostNcDestroy();
    return FALSE;
}

BOOL CWnd::DestroyWindow()
{
    return m_hWnd ? ::DestroyWindow(m_hWnd) : FALSE;
}

void CWnd::ScreenToClient(LPRECT rect) const
{
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<LPPOINT>(rect), 2);
}

void CWnd::CenterWindow()
{
    // Centre over the owner when there is a visible one, otherwise over the work area.
    RECT area{};
    HWND owner = ::GetWindow(m_hWnd, GW_OWNER);
    if (owner && ::IsWindowVisible(owner) && !::IsIconic(owner)) {
        ::GetWindowRect(owner, &area);
    } else {
        MONITORINFO monitor{};
        monitor.cbSize = sizeof monitor;
        ::GetMonitorInfoW(::MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTOPRIMARY), &monitor);
        area = monitor.rcWork;
    }
    RECT own{};
    ::GetWindowRect(m_hWnd, &own);
    const int width = own.right - own.left;
    const int height = own.bottom - own.top;
    const int x = area.left + ((area.right - area.left) - width) / 2;
    const int y = area.top + ((area.bottom - area.top) - height) / 2;
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool CWnd::ProcessWindowMessage(const Message& m, LRESULT& result)
{
    return MessageMap::Dispatch(*this, m, result);
}

LRESULT CWnd::Default()
{
    // The innermost message of this window is the one whose handler is running: a handler may
    // send its own window further messages before it passes its own on.
    for (HandlerFrame* frame = t_innermostHandler; frame; frame = frame->outer) {
        if (frame->window == this) {
            frame->passedOn = true;
            return DefaultProcessing(frame->message);
        }
    }
    return 0;
}

LRESULT CWnd::DefaultProcessing(const Message& m)
{
    return ::DefWindowProcW(m_hWnd, m.id, m.wParam, m.lParam);
}

void CWnd::Adopt(HWND hWnd)
{
    m_hWnd = hWnd;
    ::SetWindowLongPtrW(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

bool CWnd::Dispatch(const Message& m, LRESULT& result, bool* passedOn)
{
    HandlerFrame frame{this, m, t_innermostHandler, false};
    t_innermostHandler = &frame;
    bool handled = true;
    try {
        handled = ProcessWindowMessage(m, result);
    } catch (const std::bad_alloc&) {
        // Memory running out is the one exception a sound handler can meet, and it must not go on
        // into the system's code, which may end the process for it or carry on with its own work
        // half done. The message gets the default processing instead, as one without a handler
        // does, unless the handler had already passed it on or its window has ended meanwhile.
        handled = frame.passedOn || !frame.window;
    } catch (...) {
        // Any other exception is a fault of the program: it ends the program here and now, where
        // it is seen, rather than somewhere in the system's code.
        std::terminate();
    }
    // Only the frame is touched from here on: the object may have ended with its window.
    t_innermostHandler = frame.outer;
    if (passedOn)
        *passedOn = frame.passedOn;
    return handled;
}

void CWnd::EndOfWindow(bool quitWithMainWindow)
{
    // Handlers of this window still on the stack may return, but can no longer reach the object.
    for (HandlerFrame* frame = t_innermostHandler; frame; frame = frame->outer) {
        if (frame->window == this)
            frame->window = nullptr;
    }
    m_hWnd = nullptr;
    if (CWinApp* app = AfxGetApp(); app && app->m_pMainWnd == this) {
        app->m_pMainWnd = nullptr;
        // The main window is gone, and with it the reason to run the message loop.
        if (quitWithMainWindow)
            ::PostQuitMessage(0);
    }
    PostNcDestroy();
}

LRESULT CALLBACK CWnd::WindowProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    auto* window = reinterpret_cast<CWnd*>(::GetWindowLongPtrW(hWnd, GWLP_USERDATA));
    if (!window) {
        window = t_windowBeingCreated;
        if (!window)
            return ::DefWindowProcW(hWnd, msg, wParam, lParam);
        t_windowBeingCreated = nullptr;
        window->Adopt(hWnd);
    }

    const Message m{msg, wParam, lParam};
    LRESULT result = 0;
    // A message without a handler takes the same way to the default processing as one that a
    // handler passes on.
    if (!window->Dispatch(m, result))
        result = window->DefaultProcessing(m);
    if (msg == WM_NCDESTROY) {
        ::SetWindowLongPtrW(hWnd, GWLP_USERDATA, 0);
        window->EndOfWindow(true);
    }
    return result;
}

}  // namespace framework
