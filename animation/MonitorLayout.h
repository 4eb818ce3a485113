#pragma once
// Which monitors need a saver window of their own besides the primary screen's. No window system
// needed.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace monitor_layout {

// A monitor's rectangle in virtual-screen pixels: the primary screen's top left corner is (0, 0),
// so a monitor left of or above it has negative coordinates.
struct Rect {
    std::int32_t left;
    std::int32_t top;
    std::int32_t right;
    std::int32_t bottom;

    friend bool operator==(const Rect& a, const Rect& b)
    {
        return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
    }
};

// The rectangles, in the order the system listed the monitors, that need a window beside the one
// covering `primary`: each monitor that shows anything the primary window does not already
// cover. An empty monitor, one lying within the primary screen (a mirror of it) and a second
// listing of the same rectangle get none.
std::vector<Rect> OtherMonitors(const std::vector<Rect>& monitors, const Rect& primary);

// A monitor beside the primary screen and the window that is to cover it.
struct Cover {
    Rect monitor;
    // Index of a window already made (into the places given to CoverOtherMonitors), which moves
    // there unless it is there already; none for a window still to be made.
    std::optional<std::size_t> window;

    friend bool operator==(const Cover& a, const Cover& b) { return a.monitor == b.monitor && a.window == b.window; }
};

// Which window covers which monitor once the monitors may have changed: one Cover for each of
// OtherMonitors(monitors, primary), in its order. The windows already made are given by their
// places; a window that covers one of the monitors keeps it, the others move to the monitors left
// over, in order, and each window not named in the result is where no monitor is any more, and
// goes.
std::vector<Cover> CoverOtherMonitors(const std::vector<Rect>& windows, const std::vector<Rect>& monitors,
                                      const Rect& primary);

}  // namespace monitor_layout
