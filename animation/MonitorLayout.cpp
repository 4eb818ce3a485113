#include "animation/MonitorLayout.h"

#include <algorithm>

namespace monitor_layout {

namespace {
bool IsEmpty(const Rect& r)
{
    return r.right <= r.left || r.bottom <= r.top;
}

bool Contains(const Rect& outer, const Rect& inner)
{
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}
}  // namespace

std::vector<Rect> OtherMonitors(const std::vector<Rect>& monitors, const Rect& primary)
{
    std::vector<Rect> others;
    for (const Rect& monitor : monitors) {
        if (IsEmpty(monitor) || Contains(primary, monitor) ||
            std::find(others.begin(), others.end(), monitor) != others.end())
            continue;
        others.push_back(monitor);
    }
    return others;
}

std::vector<Cover> CoverOtherMonitors(const std::vector<Rect>& windows, const std::vector<Rect>& monitors,
                                      const Rect& primary)
{
    std::vector<Cover> covers;
    for (const Rect& monitor : OtherMonitors(monitors, primary))
        covers.push_back(Cover{monitor, std::nullopt});
    std::vector<bool> taken(windows.size(), false);
    const auto take = [&](Cover& cover, std::size_t window) {
        cover.window = window;
        taken[window] = true;
    };
    // First the windows that stay where they are, then the others in turn to the monitors left.
    for (Cover& cover : covers)
        for (std::size_t i = 0; i < windows.size() && !cover.window; ++i)
            if (!taken[i] && windows[i] == cover.monitor)
                take(cover, i);
    std::size_t next = 0;
    for (Cover& cover : covers) {
        while (!cover.window && next < windows.size()) {
            if (!taken[next])
                take(cover, next);
            ++next;
        }
    }
    return covers;
}

}  // namespace monitor_layout
