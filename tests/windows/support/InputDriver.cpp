#include "InputDriver.h"

namespace input_driver {

namespace {

INPUT MouseEvent(DWORD flags, LONG x = 0, LONG y = 0, DWORD data = 0)
{
    INPUT event{};
    event.type = INPUT_MOUSE;
    event.mi.dx = x;
    event.mi.dy = y;
    event.mi.mouseData = data;
    event.mi.dwFlags = flags;
    return event;
}

INPUT KeyEvent(WORD virtualKey, DWORD flags)
{
    INPUT event{};
    event.type = INPUT_KEYBOARD;
    event.ki.wVk = virtualKey;
    event.ki.wScan = static_cast<WORD>(::MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
    event.ki.dwFlags = flags;
    return event;
}

// Absolute coordinates run from 0 to 65535 across every monitor. Rounding up makes the
// system's conversion back (value * size / 65536, rounded down) land on the pixel asked for.
LONG Normalized(int pixel, int origin, int screenSize)
{
    return static_cast<LONG>((static_cast<long long>(pixel - origin) * 65536 + screenSize - 1) / screenSize);
}

}  // namespace

INPUT MoveTo(int x, int y)
{
    return MouseEvent(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK,
                      Normalized(x, ::GetSystemMetrics(SM_XVIRTUALSCREEN), ::GetSystemMetrics(SM_CXVIRTUALSCREEN)),
                      Normalized(y, ::GetSystemMetrics(SM_YVIRTUALSCREEN), ::GetSystemMetrics(SM_CYVIRTUALSCREEN)));
}

INPUT ButtonDown(Button button)
{
    switch (button) {
    case Button::Left:
        return MouseEvent(MOUSEEVENTF_LEFTDOWN);
    case Button::Middle:
        return MouseEvent(MOUSEEVENTF_MIDDLEDOWN);
    case Button::Right:
        break;
    }
    return MouseEvent(MOUSEEVENTF_RIGHTDOWN);
}

INPUT ButtonUp(Button button)
{
    switch (button) {
    case Button::Left:
        return MouseEvent(MOUSEEVENTF_LEFTUP);
    case Button::Middle:
        return MouseEvent(MOUSEEVENTF_MIDDLEUP);
    case Button::Right:
        break;
    }
    return MouseEvent(MOUSEEVENTF_RIGHTUP);
}

INPUT Wheel(int delta)
{
    return MouseEvent(MOUSEEVENTF_WHEEL, 0, 0, static_cast<DWORD>(delta));
}

INPUT HorizontalWheel(int delta)
{
    return MouseEvent(MOUSEEVENTF_HWHEEL, 0, 0, static_cast<DWORD>(delta));
}

INPUT KeyDown(WORD virtualKey)
{
    return KeyEvent(virtualKey, 0);
}

INPUT KeyUp(WORD virtualKey)
{
    return KeyEvent(virtualKey, KEYEVENTF_KEYUP);
}

bool Send(const std::vector<INPUT>& events)
{
    if (events.empty())
        return true;
    std::vector<INPUT> copy = events;  // SendInput takes a non-const array
    return ::SendInput(static_cast<UINT>(copy.size()), copy.data(), sizeof(INPUT)) == copy.size();
}

bool Send(std::initializer_list<INPUT> events)
{
    return Send(std::vector<INPUT>(events));
}

POINT PointerPosition()
{
    POINT position{};
    ::GetCursorPos(&position);
    return position;
}

}  // namespace input_driver
