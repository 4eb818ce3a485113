#include "animation/MonitorLayout.h"

#include <gtest/gtest.h>

#include <optional>

namespace monitor_layout {
void PrintTo(const Cover& cover, std::ostream* os)
{
    const Rect& m = cover.monitor;
    *os << "(" << m.left << ", " << m.top << ")-(" << m.right << ", " << m.bottom << ") by "
        << (cover.window ? std::to_string(*cover.window) : "a new window");
}
}  // namespace monitor_layout

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

// A desk changing step by step under a running saver, each step's windows those the last one
// left: a cover's window at its monitor (a new one where it names none), every other one gone.
TEST(MonitorLayout, AfterEachChangeEveryMonitorIsCoveredOnceAndWindowsInPlaceStay)
{
    using monitor_layout::Cover;
    using monitor_layout::CoverOtherMonitors;
    const std::optional<std::size_t> made;
    const Rect primary{0, 0, 1920, 1080}, right{1920, 0, 3840, 1200}, left{-1280, 200, 0, 1000},
        above{0, -768, 1024, 0}, leftAndUp{-1280, -900, 0, -100}, larger{0, 0, 2560, 1440},
        rightOfLarger{2560, 0, 4480, 1200}, smaller{0, 0, 1280, 720};
    const struct {
        const char* change;
        Rects monitors;
        Rect primary;
        std::vector<Cover> covers;
    } steps[] = {
        {"one monitor", {primary}, primary, {}},
        {"one added to the right", {primary, right}, primary, {{right, made}}},
        {"one added to the left", {primary, right, left}, primary, {{right, 0}, {left, made}}},
        {"listed in another order", {left, primary, right}, primary, {{left, 1}, {right, 0}}},
        {"right removed, one above added", {above, primary, left}, primary, {{above, 1}, {left, 0}}},
        {"left moved up past the top", {primary, above, leftAndUp}, primary, {{above, 0}, {leftAndUp, 1}}},
        {"primary larger, one beside it", {larger, rightOfLarger}, larger, {{rightOfLarger, 0}}},
        {"primary smaller than its mirror", {smaller, primary}, smaller, {{primary, 0}}},
        {"back to one", {primary}, primary, {}},
    };
    Rects windows;
    for (const auto& step : steps) {
        SCOPED_TRACE(step.change);
        const std::vector<Cover> covers = CoverOtherMonitors(windows, step.monitors, step.primary);
        ASSERT_EQ(covers, step.covers);
        windows.clear();
        for (const Cover& cover : covers)
            windows.push_back(cover.monitor);
    }
}
