#include "animation/MonitorLayout.h"

#include <gtest/gtest.h>

#include <ostream>

namespace monitor_layout {
void PrintTo(const Rect& r, std::ostream* os)
{
    *os << "(" << r.left << ", " << r.top << ")-(" << r.right << ", " << r.bottom << ")";
}
}  // namespace monitor_layout

namespace {

using monitor_layout::OtherMonitors;
using monitor_layout::Rect;
using Rects = std::vector<Rect>;

constexpr Rect kPrimary{0, 0, 1920, 1080};

TEST(MonitorLayout, OneMonitorNeedsNoOtherWindow)
{
    EXPECT_EQ(OtherMonitors({kPrimary}, kPrimary), Rects{});
}

TEST(MonitorLayout, MonitorsLeftOfAndAboveThePrimaryGetWindowsAtTheirNegativeCoordinates)
{
    const Rect left{-1280, 200, 0, 1000};
    const Rect above{0, -768, 1024, 0};
    EXPECT_EQ(OtherMonitors({left, kPrimary}, kPrimary), Rects{left});
    EXPECT_EQ(OtherMonitors({kPrimary, above}, kPrimary), Rects{above});
}

TEST(MonitorLayout, ThreeMonitorsGetTwoWindowsInTheSystemsOrder)
{
    const Rect right{1920, 0, 3840, 1200};
    const Rect left{-1024, -300, 0, 468};
    EXPECT_EQ(OtherMonitors({right, kPrimary, left}, kPrimary), (Rects{right, left}));
}

TEST(MonitorLayout, MirrorsEmptyAndRepeatedMonitorsGetNoWindowOfTheirOwn)
{
    const Rect mirror{0, 0, 1280, 720};
    const Rect empty{3000, 0, 3000, 1080};
    const Rect right{1920, 0, 3000, 900};
    const Rect overlapping{1000, 0, 2920, 1080};  // shows what the primary window does not cover
    EXPECT_EQ(OtherMonitors({kPrimary, mirror, empty, right, right, overlapping}, kPrimary),
              (Rects{right, overlapping}));
}

}  // namespace
