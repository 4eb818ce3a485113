#include "framework/Dpi.h"

namespace framework {

namespace {

// Looked up rather than linked: Windows 7 and 8 have none of these functions, and the program
// must still start there. Null where the system has no such function.
template <typename Function>
Function User32Function(const char* name)
{
    return reinterpret_cast<Function>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), name)));
}

using SetThreadDpiAwarenessContextFunction = DPI_AWARENESS_CONTEXT(WINAPI*)(DPI_AWARENESS_CONTEXT);

SetThreadDpiAwarenessContextFunction ThreadDpiAwarenessSetter()
{
    static const auto function = User32Function<SetThreadDpiAwarenessContextFunction>("SetThreadDpiAwarenessContext");
    return function;
}

}  // namespace

UINT DpiForWindow(HWND hWnd)
{
    using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = User32Function<GetDpiForWindowFunction>("GetDpiForWindow");
    UINT dpi = getDpiForWindow ? getDpiForWindow(hWnd) : 0;
    if (dpi == 0) {
        if (HDC screen = ::GetDC(nullptr)) {
            dpi = static_cast<UINT>(::GetDeviceCaps(screen, LOGPIXELSX));
            ::ReleaseDC(nullptr, screen);
        }
    }
    return dpi ? dpi : USER_DEFAULT_SCREEN_DPI;
}

DPI_AWARENESS_CONTEXT DpiAwarenessOfWindow(HWND hWnd)
{
    using GetWindowDpiAwarenessContextFunction = DPI_AWARENESS_CONTEXT(WINAPI*)(HWND);
    static const auto getWindowDpiAwarenessContext =
        User32Function<GetWindowDpiAwarenessContextFunction>("GetWindowDpiAwarenessContext");
    return getWindowDpiAwarenessContext ? getWindowDpiAwarenessContext(hWnd) : nullptr;
}

CThreadDpiAwareness::CThreadDpiAwareness(DPI_AWARENESS_CONTEXT awareness)
{
    // The system refuses an awareness it does not know, and answers null.
    if (awareness && ThreadDpiAwarenessSetter())
        m_previous = ThreadDpiAwarenessSetter()(awareness);
}

CThreadDpiAwareness::~CThreadDpiAwareness()
{
    if (m_previous)
        ThreadDpiAwarenessSetter()(m_previous);
}

}  // namespace framework
