#pragma once
// Windows that stand in for a host: the settings dialog's preview frame or a host's little
// monitor, for animations in this process and for previews of the real saver.
#include "framework/Wnd.h"

#include <windows.h>

#include <chrono>

// The DPI awareness calls of Windows 10 version 1607, which the headers declare only for programs
// that need that version; the tests run only where the system has them.
extern "C" {
WINUSERAPI DPI_AWARENESS_CONTEXT WINAPI SetThreadDpiAwarenessContext(DPI_AWARENESS_CONTEXT);
WINUSERAPI DPI_AWARENESS_CONTEXT WINAPI GetThreadDpiAwarenessContext();
WINUSERAPI DPI_AWARENESS_CONTEXT WINAPI GetWindowDpiAwarenessContext(HWND);
WINUSERAPI BOOL WINAPI AreDpiAwarenessContextsEqual(DPI_AWARENESS_CONTEXT, DPI_AWARENESS_CONTEXT);
WINUSERAPI UINT WINAPI GetDpiForSystem();
}

namespace testing_support {

using namespace std::chrono_literals;

// What the host paints behind its children: nothing, or a plain colour against which anything
// drawn outside an animation shows.
enum class HostBackground { None, Black, White };

// A visible frameless window whose client area is exactly the size asked for (a popup, or a child
// of parent when one is given). It clips its children, so its own painting never covers theirs.
// Made in the DPI awareness given, as a host in another program may be, or else in this one's.
class HostWindow {
public:
    HostWindow(int x, int y, int width, int height, HostBackground background = HostBackground::None,
               HWND parent = nullptr, DPI_AWARENESS_CONTEXT awareness = nullptr);
    HostWindow(int width, int height, HostBackground background = HostBackground::None)
        : HostWindow(0, 0, width, height, background)
    {
    }
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;
    ~HostWindow() { Destroy(); }

    HWND Handle() const { return m_hWnd; }
    // The window as a parent for our own windows.
    framework::CWnd& AsParent() { return m_parent; }
    RECT ClientArea() const;
    // Closes the window now, as a host does when its monitor goes away.
    void Destroy();

private:
    HWND m_hWnd = nullptr;
    framework::CWnd m_parent;
};

SIZE ClientSize(HWND hWnd);

// The first child window of host that belongs to process processId, or null.
HWND ChildOfProcess(HWND host, DWORD processId);
// The same, waiting up to deadline for it to appear (pumping messages meanwhile).
HWND WaitForChildOfProcess(HWND host, DWORD processId, std::chrono::milliseconds deadline = 10s);

}  // namespace testing_support
