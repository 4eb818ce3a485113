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

}  // namespace monitor_layout
