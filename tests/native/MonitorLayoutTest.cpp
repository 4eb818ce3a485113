#include "animation/MonitorLayout.h"

#include <gtest/gtest.h>

namespace {

using monitor_layout::OtherMonitors;
using monitor_layout::Rect;
using Rects = std::vector<Rect>;

TEST(MonitorLayout, EachMonitorShowingMoreThanThePrimaryScreenGetsAWindowInTheSystemsOrder)
{
    const Rect primary{0, 0, 1920, 1080}, left{-1280, 200, 0, 1000}, above{0, -768, 1024, 0},
        right{1920, 0, 3840, 1200};
    EXPECT_EQ(OtherMonitors({primary}, primary), Rects{});
    EXPECT_EQ(OtherMonitors({left, primary}, primary), Rects{left});
    EXPECT_EQ(OtherMonitors({primary, above}, primary), Rects{above});
    EXPECT_EQ(OtherMonitors({right, primary, left}, primary), (Rects{right, left}));
    // A mirror of the primary screen, an empty monitor and a second listing get none; a monitor
    // that only overlaps the primary screen gets one.
    const Rect mirror{0, 0, 1280, 720}, empty{3000, 0, 3000, 1080}, overlapping{1000, 0, 2920, 1080};
    EXPECT_EQ(OtherMonitors({primary, mirror, empty, right, right, overlapping}, primary),
              (Rects{right, overlapping}));
}

}  // namespace
