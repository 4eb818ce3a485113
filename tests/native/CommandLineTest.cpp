#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

StartRequest Select(std::vector<const char*> args)
{
    args.insert(args.begin(), "BRIMSTAR.SCR");
    return SelectMode(static_cast<int>(args.size()), args.data());
}

TEST(MatchOption, IsACaseBlindPrefixTestAfterOneOptionalDashOrSlash)
{
    for (const char* argument : {"c", "C", "/c", "/C", "-c", "-C", "/c:300", "/c:1234", "config", "-Config"})
        EXPECT_TRUE(MatchOption(argument, "c")) << argument;
    for (const char* argument : {"s", "/S", "-s", "/screen", "S123"})
        EXPECT_TRUE(MatchOption(argument, "s")) << argument;
    for (const char* argument : {"", "/", "-", "//c", "-/c", "/-c", "x", "/x", " c", "\xe7"})
        EXPECT_FALSE(MatchOption(argument, "c")) << argument;
    EXPECT_TRUE(MatchOption("/ab", "AB"));
    EXPECT_FALSE(MatchOption("/a", "ab")) << "an argument shorter than the option does not match";
    EXPECT_FALSE(MatchOption(nullptr, "c"));
}

TEST(SelectMode, NoArgumentOrAnyConfigureFormOpensTheSettings)
{
    EXPECT_EQ(Select({}).mode, Mode::Settings);
    for (const char* form : {"/c", "/C", "-c", "c", "/c:300", "/c:1234"})
        EXPECT_EQ(Select({form}).mode, Mode::Settings) << form;
    EXPECT_EQ(Select({"/c", "/s", "whatever"}).mode, Mode::Settings) << "only the first argument counts";
}

TEST(SelectMode, SaverForms)
{
    for (const char* form : {"/s", "/S", "-s", "s", "/screen", "/s:1"})
        EXPECT_EQ(Select({form}).mode, Mode::Saver) << form;
    EXPECT_EQ(Select({"/s", "/p", "12"}).mode, Mode::Saver);
}

TEST(SelectMode, PreviewTakesTheHostHandleFromTheSecondArgument)
{
    const StartRequest preview = Select({"/P", "300"});
    EXPECT_EQ(preview.mode, Mode::Preview);
    ASSERT_TRUE(preview.parentHandle.has_value());
    EXPECT_EQ(*preview.parentHandle, 300);

    const StartRequest ps = Select({"/ps", "77", "ignored"});
    EXPECT_EQ(ps.mode, Mode::Preview) << "'p' is a prefix of 'ps' and 'c' is tested first";
    EXPECT_EQ(ps.parentHandle, 77);

    EXPECT_EQ(Select({"/p"}).mode, Mode::Preview);
    EXPECT_FALSE(Select({"/p"}).parentHandle.has_value()) << "no second argument, no host";
    EXPECT_FALSE(Select({"/p", "abc"}).parentHandle.has_value());
}

TEST(SelectMode, AnythingElseSelectsNothing)
{
    for (const char* form : {"/x", "", "//s", "--c", "/", "-", "?", "/?", "d"})
        EXPECT_EQ(Select({form}).mode, Mode::None) << form;
}

TEST(ParseWindowHandle, ReadsDecimalLikeAtolWithinThirtyTwoBits)
{
    EXPECT_EQ(ParseWindowHandle("300"), 300);
    EXPECT_EQ(ParseWindowHandle("  \t42xyz"), 42);
    EXPECT_EQ(ParseWindowHandle("+7"), 7);
    EXPECT_EQ(ParseWindowHandle("-1"), -1);
    EXPECT_EQ(ParseWindowHandle("0"), 0);
    EXPECT_EQ(ParseWindowHandle("2147483647"), 2147483647);
    EXPECT_EQ(ParseWindowHandle("-2147483648"), INT32_MIN);
    // The unsigned spelling of a handle with the top bit set is the same 32-bit handle.
    EXPECT_EQ(ParseWindowHandle("4294967295"), -1);
    EXPECT_EQ(ParseWindowHandle("2147483648"), INT32_MIN);
}

TEST(ParseWindowHandle, RejectsWhatNamesNoThirtyTwoBitValue)
{
    for (const char* text : {"", " ", "-", "+", "abc", "x12", "4294967296", "-2147483649",
                             "99999999999999999999999999", "18446744073709551616", "- 5"})
        EXPECT_FALSE(ParseWindowHandle(text).has_value()) << text;
    EXPECT_FALSE(ParseWindowHandle(nullptr).has_value());
    EXPECT_EQ(ParseWindowHandle("0x12"), 0) << "atol stops at the first non-digit";
}

}  // namespace
