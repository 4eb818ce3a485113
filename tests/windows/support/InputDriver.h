#pragma once
// Real user input for the Windows tests: the events go through SendInput, so the system routes
// them to the foreground window like a person's mouse and keyboard would.
#include <windows.h>

#include <initializer_list>
#include <vector>

namespace input_driver {

enum class Button { Left, Middle, Right };

// Single events, to be sent alone or put together into one burst.
INPUT MoveTo(int x, int y);  // absolute, in screen pixels, on any monitor
INPUT ButtonDown(Button button);
INPUT ButtonUp(Button button);
INPUT Wheel(int delta);            // vertical; WHEEL_DELTA is one notch
INPUT HorizontalWheel(int delta);  // tilt; positive to the right
INPUT KeyDown(WORD virtualKey);
INPUT KeyUp(WORD virtualKey);

// Sends the events in order as one call; true when the system took every one of them.
bool Send(const std::vector<INPUT>& events);
bool Send(std::initializer_list<INPUT> events);

// The pointer's position as the system has it.
POINT PointerPosition();

}  // namespace input_driver
