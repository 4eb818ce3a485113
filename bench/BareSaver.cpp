// The full-screen saver in plain Win32, without our framework: the floor that scripts/bench.sh
// holds BRIMSTAR.SCR /s against. A topmost popup the size of the screen with the blank pointer,
// the same drawing on the same 125 ms timer, ended by the same input.
#include "bench/BareFrame.h"
#include "resources/resource.h"

#include <windows.h>

namespace {

constexpr UINT_PTR kTimerId = 1;
constexpr UINT kTimerPeriod = 125;

struct Saver {
    explicit Saver(int speed) : animation(speed) {}

    bare::Animation animation;
    POINT firstMouse{-1, -1};
};

void Close(HWND window)
{
    ::PostMessageW(window, WM_CLOSE, 0, 0);
}

LRESULT CALLBACK SaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* saver = reinterpret_cast<Saver*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        ::SetWindowLongPtrW(window, GWLP_USERDATA,
                            reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    } else if (saver) {
        switch (message) {
        case WM_CREATE:
            ::SetTimer(window, kTimerId, kTimerPeriod, nullptr);
            break;
        case WM_TIMER:
            if (wParam == kTimerId) {
                saver->animation.Tick(window);
                return 0;
            }
            break;
        case WM_PAINT:
            saver->animation.Paint(window);
            return 0;
        case WM_SYSCOMMAND:
            if (wParam == SC_SCREENSAVE || wParam == SC_CLOSE)
                return 0;
            break;
        case WM_SETCURSOR:
            ::SetCursor(nullptr);
            return TRUE;
        case WM_NCACTIVATE:
            if (!wParam)
                return FALSE;
            break;
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_INACTIVE)
                Close(window);
            break;
        case WM_ACTIVATEAPP:
            if (!wParam)
                Close(window);
            break;
        case WM_MOUSEMOVE: {
            // The first move is the system's own when the window appears: remember it only.
            const POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            if (saver->firstMouse.x == -1 && saver->firstMouse.y == -1)
                saver->firstMouse = point;
            else if (point.x != saver->firstMouse.x || point.y != saver->firstMouse.y)
                Close(window);
            break;
        }
        case WM_LBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            Close(window);
            break;
        case WM_DESTROY:
            ::PostQuitMessage(0);
            break;
        }
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    Saver saver(bare::StoredSpeed(L"BARE_SAVER"));
    if (!saver.animation.Loaded())
        return 1;

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_VREDRAW | CS_HREDRAW;
    wc.lpfnWndProc = &SaverProc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorW(instance, MAKEINTRESOURCEW(IDC_BLANK_CURSOR));
    wc.lpszClassName = L"BrimstarBareSaver";
    if (!::RegisterClassExW(&wc))
        return 1;
    HWND window = ::CreateWindowExW(WS_EX_TOPMOST, wc.lpszClassName, L"", WS_POPUP | WS_VISIBLE, 0, 0,
                                    ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN), nullptr,
                                    nullptr, instance, &saver);
    if (!window)
        return 1;

    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}
