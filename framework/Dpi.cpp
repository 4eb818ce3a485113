#include "framework/Dpi.h"

namespace framework {

UINT DpiForWindow(HWND hWnd)
{
    // Looked up rather than linked: Windows 7 and 8 have no such function, and the program must
    // still start there.
    using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFunction>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    UINT dpi = getDpiForWindow ? getDpiForWindow(hWnd) : 0;
    if (dpi == 0) {
        if (HDC screen = ::GetDC(nullptr)) {
            dpi = static_cast<UINT>(::GetDeviceCaps(screen, LOGPIXELSX));
            ::ReleaseDC(nullptr, screen);
        }
    }
    return dpi ? dpi : USER_DEFAULT_SCREEN_DPI;
}

}  // namespace framework
