#include "animation/Motion.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace {

using motion::SpritePosition;

std::vector<SpritePosition> Travel(SpritePosition from, int speed, int width, int height, int ticks)
{
    std::vector<SpritePosition> path;
    for (int i = 0; i < ticks; ++i)
        path.push_back(from = motion::Advance(from, speed, width, height));
    return path;
}

TEST(Motion, CrossesInRowsAndReentersFromBeyondTheLeftEdge)
{
    // W = 100, speed 100: a position at or past the right edge is replaced in the same tick.
    const auto path = Travel({-7, -7}, 100, 100, 1000, 5);
    const std::vector<int> xs{93, -188, -88, 12, -188};
    const std::vector<int> ys{-7, 161, 161, 161, 329};
    for (size_t i = 0; i < path.size(); ++i) {
        EXPECT_EQ(path[i].x, xs[i]) << "tick " << i + 1;
        EXPECT_EQ(path[i].y, ys[i]) << "tick " << i + 1;
    }
}

TEST(Motion, ASmallPreviewRunsEveryPassAtTheTop)
{
    // 152 x 112: the second pass would start at 161 >= 112.
    SpritePosition at{-7, -7};
    for (int tick = 0; tick < 500; ++tick) {
        at = motion::Advance(at, 13, 152, 112);
        ASSERT_EQ(at.y, -7) << "tick " << tick;
        ASSERT_LT(at.x, 152);
    }
}

TEST(Motion, RowsRestartAtTheTopOnceBelowTheBottom)
{
    SpritePosition at{300, 329};  // the next pass would start at 497 >= 400
    at = motion::Advance(at, 5, 300, 400);
    EXPECT_EQ(at.x, -188);
    EXPECT_EQ(at.y, -7);
}

TEST(Motion, SpeedZeroStaysAtTheStart)
{
    const auto path = Travel({-7, -7}, 0, 1920, 1080, 100);
    for (const auto& at : path) {
        EXPECT_EQ(at.x, -7);
        EXPECT_EQ(at.y, -7);
    }
}

TEST(Motion, HugeAndNegativeSpeedsWrapInThirtyTwoBitsWithoutOverflow)
{
    // INT_MAX from -7 lands on INT_MAX - 7, past any edge: back in at the left, one row down.
    SpritePosition at = motion::Advance({-7, -7}, INT_MAX, 1920, 1080);
    EXPECT_EQ(at.x, -188);
    EXPECT_EQ(at.y, 161);

    // A negative speed drifts left until the sum wraps to a large positive value.
    at = motion::Advance({INT_MIN + 3, -7}, -10, 1920, 1080);
    EXPECT_EQ(at.x, -188) << "INT_MIN + 3 - 10 wraps to INT_MAX - 6, past the right edge";
    EXPECT_EQ(at.y, 161);

    at = motion::Advance({-7, INT_MAX - 100}, 5000, 100, 100);
    EXPECT_EQ(at.x, -188);
    EXPECT_EQ(at.y, INT_MIN + 67) << "the row step wraps to a negative y, which is not below the bottom";
    EXPECT_EQ(motion::Advance({-7, INT_MAX - 100}, 5000, 100, INT_MIN).y, -7);
}

TEST(FrameIndex, CyclesThroughFourFramesAcrossTheCounterWrap)
{
    EXPECT_EQ(motion::FrameIndex(0), 0);
    EXPECT_EQ(motion::FrameIndex(5), 1);
    EXPECT_EQ(motion::FrameIndex(-1), 3);
    EXPECT_EQ(motion::FrameIndex(INT_MIN), 0);
    std::int32_t counter = INT_MAX - 6;
    int expected = motion::FrameIndex(counter);
    for (int i = 0; i < 16; ++i) {
        ASSERT_EQ(motion::FrameIndex(counter), expected) << counter;
        counter = motion::WrappingAdd(counter, 1);
        expected = (expected + 1) % 4;
    }
}

TEST(SpeedFromSetting, NegativeStoredSpeedsRunAtTen)
{
    EXPECT_EQ(motion::SpeedFromSetting(-5), 10);
    EXPECT_EQ(motion::SpeedFromSetting(INT_MIN), 10);
    EXPECT_EQ(motion::SpeedFromSetting(0), 0);
    EXPECT_EQ(motion::SpeedFromSetting(250), 250);
}

}  // namespace
