#pragma once
// The display scale a window is drawn at.
#include <windows.h>

namespace framework {

// The window's dots per inch: its monitor's on Windows 10 version 1607 and later (for a program
// that is per-monitor aware), else the system's. Never 0.
UINT DpiForWindow(HWND hWnd);

}  // namespace framework
