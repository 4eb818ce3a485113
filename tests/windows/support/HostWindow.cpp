#include "HostWindow.h"

#include "TestSupport.h"

namespace testing_support {

namespace {

// One window class for each background, registered on first use.
ATOM HostClass(HostBackground background)
{
    const auto make = [](const wchar_t* name, int stockBrush) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = ::DefWindowProcW;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.hbrBackground = stockBrush < 0 ? nullptr : static_cast<HBRUSH>(::GetStockObject(stockBrush));
        wc.lpszClassName = name;
        return ::RegisterClassExW(&wc);
    };
    switch (background) {
    case HostBackground::Black: {
        static const ATOM black = make(L"BrimstarTestHostBlack", BLACK_BRUSH);
        return black;
    }
    case HostBackground::White: {
        static const ATOM white = make(L"BrimstarTestHostWhite", WHITE_BRUSH);
        return white;
    }
    case HostBackground::None:
        break;
    }
    static const ATOM none = make(L"BrimstarTestHost", -1);
    return none;
}

}  // namespace

HostWindow::HostWindow(int x, int y, int width, int height, HostBackground background, HWND parent,
                       DPI_AWARENESS_CONTEXT awareness)
{
    const DWORD style = (parent ? WS_CHILD : WS_POPUP) | WS_VISIBLE | WS_CLIPCHILDREN;
    const DPI_AWARENESS_CONTEXT own = awareness ? ::SetThreadDpiAwarenessContext(awareness) : nullptr;
    m_hWnd = ::CreateWindowExW(0, MAKEINTATOM(HostClass(background)), L"Test host", style, x, y, width, height, parent,
                               nullptr, ::GetModuleHandleW(nullptr), nullptr);
    if (own)
        ::SetThreadDpiAwarenessContext(own);
    m_parent.AttachBorrowed(m_hWnd);
}

RECT HostWindow::ClientArea() const
{
    RECT area{};
    ::GetClientRect(m_hWnd, &area);
    return area;
}

void HostWindow::Destroy()
{
    if (m_hWnd)
        ::DestroyWindow(m_hWnd);
    m_hWnd = nullptr;
    m_parent.AttachBorrowed(nullptr);
}

SIZE ClientSize(HWND hWnd)
{
    RECT area{};
    ::GetClientRect(hWnd, &area);
    return SIZE{area.right - area.left, area.bottom - area.top};
}

HWND ChildOfProcess(HWND host, DWORD processId)
{
    for (HWND child = ::GetWindow(host, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(child, &owner);
        if (owner == processId)
            return child;
    }
    return nullptr;
}

HWND WaitForChildOfProcess(HWND host, DWORD processId, std::chrono::milliseconds deadline)
{
    HWND child = nullptr;
    WaitFor([&] { return (child = ChildOfProcess(host, processId)) != nullptr; }, deadline);
    return child;
}

}  // namespace testing_support
