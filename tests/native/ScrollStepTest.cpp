#include "settings/ScrollStep.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

enum Code : unsigned { LineLeft, LineRight, PageLeft, PageRight, ThumbPosition, ThumbTrack, Left, Right, EndScroll };

TEST(ScrollStep, EachCodeMovesAsTheBarPromises)
{
    EXPECT_EQ(scroll::NextPosition(LineLeft, 50, 0), 49);
    EXPECT_EQ(scroll::NextPosition(LineRight, 50, 0), 51);
    EXPECT_EQ(scroll::NextPosition(PageLeft, 50, 0), 40);
    EXPECT_EQ(scroll::NextPosition(PageRight, 50, 0), 60);
    EXPECT_EQ(scroll::NextPosition(ThumbPosition, 50, 77), 77);
    EXPECT_EQ(scroll::NextPosition(ThumbTrack, 50, 23), 23);
    EXPECT_EQ(scroll::NextPosition(Left, 50, 0), 1);
    EXPECT_EQ(scroll::NextPosition(Right, 50, 0), 100);
    EXPECT_EQ(scroll::NextPosition(EndScroll, 50, 99), 50);
    EXPECT_EQ(scroll::NextPosition(1234, 50, 99), 50);
}

TEST(ScrollStep, ClampsToTheBarsRangeAtBothEnds)
{
    EXPECT_EQ(scroll::NextPosition(LineRight, 100, 0), 100);
    EXPECT_EQ(scroll::NextPosition(LineLeft, 1, 0), 1);
    EXPECT_EQ(scroll::NextPosition(PageLeft, 5, 0), 1);
    EXPECT_EQ(scroll::NextPosition(PageRight, 95, 0), 100);
    EXPECT_EQ(scroll::NextPosition(ThumbTrack, 50, 0), 1);
    EXPECT_EQ(scroll::NextPosition(ThumbTrack, 50, 65535), 100);
    EXPECT_EQ(scroll::NextPosition(EndScroll, 250, 0), 100);
    EXPECT_EQ(scroll::NextPosition(LineRight, INT_MAX, 0), 100);
    EXPECT_EQ(scroll::NextPosition(PageLeft, INT_MIN, 0), 1);
}

}  // namespace
