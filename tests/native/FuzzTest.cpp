// Randomized runs over the logic that needs no window system. Every result is compared with a
// second model written here from the described behaviour, in a different way from the program's
// own code (strings and 64-bit arithmetic rather than digit loops and 32-bit wrapping). The native
// lane builds this with ASan and UBSan, so an overflow or a read past a string's end ends the run.
//
// The generator is seeded with a constant: a failure names its input and repeats on every run.
#include "animation/Motion.h"
#include "app/CommandLine.h"
#include "settings/ScrollStep.h"
#include "tests/common/Random.h"
#include "tests/common/Show.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdint>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

using testing_common::Random;

// Any 32-bit value, with the edges and the program's own constants far more often than chance.
std::int32_t Int32(Random& random)
{
    static const std::vector<std::int32_t> edges{
        0, 1, -1, 2, -2, 3, 4, 7, -7, 10, 100, 101, 124, 157, 167, 168, 169, 187, 188, 189, -187, -188,
        -189, 1920, 1080, INT_MAX, INT_MAX - 1, INT_MAX - 167, INT_MAX - 168, INT_MIN, INT_MIN + 1,
        INT_MIN + 187, INT_MIN + 188};
    switch (random.Below(4)) {
    case 0: return random.Pick(edges);
    case 1: return static_cast<std::int32_t>(random.Below(4001)) - 2000;
    case 2:  // next to an edge, wrapping past the ends of the range
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(random.Pick(edges)) +
                                         static_cast<std::uint32_t>(random.Below(5)) - 2u);
    default: return static_cast<std::int32_t>(static_cast<std::uint32_t>(random.Next()));
    }
}

// A mismatch is reported with its input; after a few, only counted, so one fault cannot flood
// the log.
class Disagreements {
public:
    explicit Disagreements(const char* what) : m_what(what) {}
    ~Disagreements()
    {
        std::cout << "[fuzz] " << m_what << ": " << m_tried << " inputs tried, " << m_failed << " failed\n";
        EXPECT_EQ(m_failed, 0u) << m_what;
    }
    void Tried() { ++m_tried; }
    void Failed(const std::string& description)
    {
        if (++m_failed <= 10)
            ADD_FAILURE() << m_what << ": " << description;
    }

private:
    const char* m_what;
    std::uint64_t m_tried = 0;
    std::uint64_t m_failed = 0;
};

using testing_common::Show;

std::string Show(const std::optional<std::int32_t>& value)
{
    return value ? std::to_string(*value) : std::string("none");
}

// ---- Reference model of the command line -------------------------------------------------------

bool ReferenceMatch(const std::string& argument, const std::string& option)
{
    std::string rest = argument;
    if (!rest.empty() && (rest.front() == '/' || rest.front() == '-'))
        rest.erase(0, 1);
    if (rest.size() < option.size())
        return false;
    // In the "C" locale tolower folds exactly A-Z; every other byte compares as itself.
    for (std::size_t i = 0; i < option.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(rest[i])) != std::tolower(static_cast<unsigned char>(option[i])))
            return false;
    return true;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The handle text by its digits as a string: leading zeros dropped, then compared with the
// largest magnitude allowed for its sign, so no arithmetic can overflow on the way.
std::optional<std::int32_t> ReferenceHandle(const std::string& text)
{
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    const std::size_t firstDigit = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9')
        ++i;
    if (i == firstDigit)
        return std::nullopt;
    std::string digits = text.substr(firstDigit, i - firstDigit);
    digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size()));
    const std::string largest = negative ? "2147483648" : "4294967295";
    if (digits.size() > largest.size() || (digits.size() == largest.size() && digits > largest))
        return std::nullopt;
    const std::int64_t magnitude = digits.empty() ? 0 : std::stoll(digits);
    const std::int64_t value = negative ? -magnitude : magnitude;
    // 2^31 .. 2^32 - 1 spell the negative handles of the same 32 bits.
    return static_cast<std::int32_t>(value >= 0x80000000ll ? value - 0x100000000ll : value);
}

// The mode by the first argument's letter: options are single letters, so the whole prefix test
// comes down to one character after the optional '/' or '-'.
StartRequest ReferenceSelect(const std::vector<std::string>& arguments)
{
    if (arguments.empty())
        return {Mode::Settings, std::nullopt};
    std::string first = arguments[0];
    if (!first.empty() && (first[0] == '/' || first[0] == '-'))
        first.erase(0, 1);
    const char letter = first.empty() ? '\0' : first[0];
    if (letter == 'c' || letter == 'C')
        return {Mode::Settings, std::nullopt};
    if (letter == 'p' || letter == 'P')
        return {Mode::Preview, arguments.size() > 1 ? ReferenceHandle(arguments[1]) : std::nullopt};
    if (letter == 's' || letter == 'S')
        return {Mode::Saver, std::nullopt};
    return {Mode::None, std::nullopt};
}

const char* Name(Mode mode)
{
    switch (mode) {
    case Mode::Settings: return "settings";
    case Mode::Preview: return "preview";
    case Mode::Saver: return "saver";
    case Mode::None: return "none";
    }
    return "?";
}

// ---- Generated arguments -----------------------------------------------------------------------

const std::vector<std::string> kValidForms{"/c",       "-c",      "c",     "/C:1234",  "/c:300", "/configure",
                                           "/p",       "-P",      "p",     "/preview", "/s",     "-S",
                                           "s",        "/screen", "/s:1",  "-saver"};
const std::vector<std::string> kBlanks{" ", "\t", "\n", "\v", "\f", "\r"};

// Text that is, or nearly is, a number: blanks, signs, leading zeros, 1 to 40 digits (far past
// 32 and 64 bits), values right at the 32-bit edges, and junk after the digits.
std::string NumberLike(Random& random)
{
    std::string text;
    for (std::size_t blanks = random.Below(3); blanks > 0; --blanks)
        text += random.Pick(kBlanks);
    switch (random.Below(6)) {
    case 0: text += "+"; break;
    case 1: case 2: text += "-"; break;
    case 3: if (random.OneIn(4)) text += random.OneIn(2) ? "+-" : "--"; break;
    default: break;
    }
    if (random.OneIn(8))
        text += random.Pick(kBlanks);  // a blank after the sign ends the number before it starts
    if (random.OneIn(5))
        text += std::string(random.Below(30), '0');
    static const std::vector<std::string> edges{
        "0",          "1",          "2147483647", "2147483648", "2147483649", "4294967295", "4294967296",
        "4294967297", "9223372036854775807", "9223372036854775808", "18446744073709551615",
        "18446744073709551616", "99999999999999999999999"};
    text += random.OneIn(3) ? random.Pick(edges) : random.Digits(1 + random.Below(40));
    if (random.OneIn(4))
        text += random.OneIn(2) ? random.Bytes(random.Below(6)) : std::string(" 123");
    return text;
}

// Each byte case-flipped at random, so "/sCrEeN" and "-P" appear as often as their plain forms.
std::string FlipCase(Random& random, std::string text)
{
    for (char& c : text)
        if (std::isalpha(static_cast<unsigned char>(c)) && random.OneIn(2))
            c = static_cast<char>(c ^ 0x20);
    return text;
}

std::string AnyArgument(Random& random)
{
    switch (random.Below(8)) {
    case 0: return random.Bytes(random.Below(12));
    case 1: {  // every prefix of the valid forms, the empty one included
        const std::string& form = random.Pick(kValidForms);
        return FlipCase(random, form.substr(0, random.Below(form.size() + 1)));
    }
    case 2: return FlipCase(random, random.Pick(kValidForms)) + random.Bytes(random.Below(4));
    case 3: return NumberLike(random);
    case 4: {  // doubled or mixed leaders and blanks in front of a letter
        static const std::vector<std::string> leaders{"//", "--", "/-", "-/", " /", " ", "\t-", "+", "\\"};
        return random.Pick(leaders) + FlipCase(random, random.Pick(kValidForms).substr(1));
    }
    case 5: return random.Pick(kValidForms).substr(0, 1) + random.Bytes(1 + random.Below(3));
    case 6: return FlipCase(random, random.Pick(kValidForms));
    default: return std::string(1, static_cast<char>(1 + random.Below(255)));
    }
}

// A 64 KiB argument of one kind: letters that match, digits that do not fit, zeros before a
// small number, or noise.
std::string LongArgument(Random& random)
{
    constexpr std::size_t kLength = 64 * 1024;
    switch (random.Below(5)) {
    case 0: return "/" + std::string(kLength, random.OneIn(2) ? 'p' : 'S');
    case 1: return std::string(kLength, '9');
    case 2: return std::string(kLength - 3, '0') + "123";
    case 3: return "-" + std::string(kLength - 1, '0');
    default: return random.Bytes(kLength);
    }
}

std::vector<std::string> AnyArgumentVector(Random& random)
{
    std::vector<std::string> arguments;
    const std::size_t count = random.OneIn(20) ? 0 : 1 + random.Below(4);
    for (std::size_t i = 0; i < count; ++i) {
        if (i == 1 && random.OneIn(2))
            arguments.push_back(NumberLike(random));  // a preview's handle, mostly well-formed
        else
            arguments.push_back(AnyArgument(random));
    }
    if (!arguments.empty() && random.OneIn(500))
        arguments[random.Below(arguments.size())] = LongArgument(random);
    return arguments;
}

std::string Show(const std::vector<std::string>& arguments)
{
    std::string shown = "{";
    for (const auto& argument : arguments)
        shown += (shown.size() > 1 ? ", " : "") + Show(argument);
    return shown + "}";
}

TEST(Fuzz, CommandLinesAgreeWithTheReferenceModel)
{
    Random random(0xB215'7A20'0001ull);
    Disagreements vectors("argument vectors (SelectMode)");
    Disagreements matches("argument/option pairs (MatchOption)");
    static const std::vector<std::string> options{"c", "p", "s", "C", "P", "S", "", "ab", "screen", "/", "-"};
    for (int round = 0; round < 200000; ++round) {
        const std::vector<std::string> arguments = AnyArgumentVector(random);
        std::vector<const char*> argv{"BRIMSTAR.SCR"};
        for (const auto& argument : arguments)
            argv.push_back(argument.c_str());
        argv.push_back(nullptr);  // as the runtime passes it: argv[argc] is null

        const StartRequest actual = SelectMode(static_cast<int>(argv.size() - 1), argv.data());
        const StartRequest expected = ReferenceSelect(arguments);
        vectors.Tried();
        if (actual.mode != expected.mode || actual.parentHandle != expected.parentHandle)
            vectors.Failed(Show(arguments) + ": got " + Name(actual.mode) + " " + Show(actual.parentHandle) +
                           ", expected " + Name(expected.mode) + " " + Show(expected.parentHandle));

        if (!arguments.empty()) {
            const std::string option = random.OneIn(4) ? random.Bytes(random.Below(3)) : random.Pick(options);
            matches.Tried();
            if (MatchOption(arguments[0].c_str(), option.c_str()) != ReferenceMatch(arguments[0], option))
                matches.Failed(Show(arguments[0]) + " against option " + Show(option));
        }
    }
}

TEST(Fuzz, WindowHandleTextAgreesWithTheReferenceModel)
{
    Random random(0xB215'7A20'0002ull);
    Disagreements handles("handle texts (ParseWindowHandle)");
    for (int round = 0; round < 200000; ++round) {
        std::string text;
        switch (random.Below(6)) {
        case 0: text = random.Bytes(random.Below(16)); break;
        case 1: text = std::to_string(Int32(random)); break;
        case 2: text = std::to_string(static_cast<std::uint32_t>(Int32(random))); break;
        case 3: text = std::to_string(static_cast<std::int64_t>(random.Next())); break;  // beyond 32 bits
        default: text = NumberLike(random); break;
        }
        if (random.OneIn(2000))
            text = LongArgument(random);
        handles.Tried();
        const auto actual = ParseWindowHandle(text.c_str());
        const auto expected = ReferenceHandle(text);
        if (actual != expected)
            handles.Failed(Show(text) + ": got " + Show(actual) + ", expected " + Show(expected));
    }
    handles.Tried();
    if (ParseWindowHandle(nullptr))
        handles.Failed("a missing text gave a handle");
}

// ---- Reference model of the sprite's motion ----------------------------------------------------

// Wraps a 64-bit sum into the 32-bit range the way two's complement registers do.
std::int32_t Wrap32(std::int64_t value)
{
    const std::int64_t span = 0x100000000ll;
    std::int64_t wrapped = ((value % span) + span) % span;
    if (wrapped >= 0x80000000ll)
        wrapped -= span;
    return static_cast<std::int32_t>(wrapped);
}

motion::SpritePosition ReferenceAdvance(motion::SpritePosition at, std::int64_t speed, std::int64_t width,
                                        std::int64_t height)
{
    std::int64_t x = Wrap32(at.x + speed);
    std::int64_t y = at.y;
    if (x >= width) {
        x = -188;
        y = Wrap32(y + 168);
    }
    if (y >= height)
        y = -7;
    return {static_cast<std::int32_t>(x), static_cast<std::int32_t>(y)};
}

std::string Show(motion::SpritePosition at)
{
    return "(" + std::to_string(at.x) + ", " + std::to_string(at.y) + ")";
}

// What holds after any tick, whatever came in: the sprite is left of the right edge, or it was
// just sent back to x = -188 (which itself may still not be left of an edge at or below -188);
// it is above the bottom edge, or back at y = -7 (likewise for a bottom edge at or below -7).
bool HoldsAfterAnyTick(motion::SpritePosition at, std::int32_t width, std::int32_t height)
{
    return (at.x < width || at.x == -188) && (at.y < height || at.y == -7);
}

TEST(Fuzz, SpriteMotionNeverOverflowsAndFollowsTheModel)
{
    Random random(0xB215'7A20'0003ull);
    Disagreements steps("single ticks from any state (motion::Advance)");
    for (int round = 0; round < 200000; ++round) {
        const motion::SpritePosition from{Int32(random), Int32(random)};
        const std::int32_t speed = Int32(random);
        const std::int32_t width = Int32(random);
        const std::int32_t height = Int32(random);
        const motion::SpritePosition actual = motion::Advance(from, speed, width, height);
        const motion::SpritePosition expected = ReferenceAdvance(from, speed, width, height);
        steps.Tried();
        const std::string input = Show(from) + " speed " + std::to_string(speed) + " area " + std::to_string(width) +
                                  " x " + std::to_string(height);
        if (actual.x != expected.x || actual.y != expected.y)
            steps.Failed(input + ": got " + Show(actual) + ", expected " + Show(expected));
        else if (!HoldsAfterAnyTick(actual, width, height))
            steps.Failed(input + ": left at " + Show(actual));
    }

    // Runs as a window makes them: from the start position, one speed the stored setting can give
    // (any value, negative ones running at 10), in a real or degenerate area, tick after tick.
    Disagreements walks("ticks of runs from the start (motion::Advance)");
    for (int run = 0; run < 2000; ++run) {
        const std::int32_t speed = motion::SpeedFromSetting(Int32(random));
        const std::int32_t width = random.OneIn(8) ? Int32(random) : static_cast<std::int32_t>(random.Below(4000));
        const std::int32_t height = random.OneIn(8) ? Int32(random) : static_cast<std::int32_t>(random.Below(2500));
        motion::SpritePosition at{motion::kStartX, motion::kStartY};
        motion::SpritePosition model = at;
        for (int tick = 0; tick < 100; ++tick) {
            at = motion::Advance(at, speed, width, height);
            model = ReferenceAdvance(model, speed, width, height);
            walks.Tried();
            const std::string where = "speed " + std::to_string(speed) + " area " + std::to_string(width) + " x " +
                                      std::to_string(height) + " tick " + std::to_string(tick + 1);
            if (speed < 0) {
                walks.Failed(where + ": a stored setting gave a negative speed");
                break;
            }
            if (at.x != model.x || at.y != model.y) {
                walks.Failed(where + ": got " + Show(at) + ", expected " + Show(model));
                break;
            }
            // In an area a window can have (up to 65535 pixels a side) the sprite keeps to its lanes:
            // x from -188 to the right edge, y on a row -7 + 168 k above the bottom edge. (A speed
            // that could carry x past 2^31 from inside the area is at least W + 188, and then every
            // tick sends the sprite straight back to -188.)
            const bool windowSized = width > 0 && width <= 65535 && height > 0 && height <= 65535;
            if (windowSized && (at.x < -188 || at.x >= width || at.y < -7 || at.y >= height ||
                                (static_cast<std::int64_t>(at.y) + 7) % 168 != 0)) {
                walks.Failed(where + ": out of its lanes at " + Show(at));
                break;
            }
        }
    }
}

TEST(Fuzz, FrameOrderStepsByOneAcrossTheWrap)
{
    Random random(0xB215'7A20'0004ull);
    Disagreements frames("frame counters (motion::FrameIndex)");
    for (int round = 0; round < 200000; ++round) {
        const std::int32_t counter = Int32(random);
        const int index = motion::FrameIndex(counter);
        const int next = motion::FrameIndex(motion::WrappingAdd(counter, 1));
        const int expected = static_cast<int>(((static_cast<std::int64_t>(counter) % 4) + 4) % 4);
        frames.Tried();
        if (index != expected || next != (expected + 1) % 4)
            frames.Failed("counter " + std::to_string(counter) + ": frame " + std::to_string(index) + ", then " +
                          std::to_string(next) + "; expected " + std::to_string(expected) + ", then " +
                          std::to_string((expected + 1) % 4));
    }
    // The wraps themselves, from a few ticks before each to a few after.
    for (const std::int32_t around : {INT_MAX, -1}) {
        std::int32_t counter = Wrap32(static_cast<std::int64_t>(around) - 5);
        for (int step = 0; step < 10; ++step) {
            const std::int32_t following = motion::WrappingAdd(counter, 1);
            frames.Tried();
            if (following != Wrap32(static_cast<std::int64_t>(counter) + 1) ||
                motion::FrameIndex(following) != (motion::FrameIndex(counter) + 1) % 4)
                frames.Failed("stepping past " + std::to_string(counter));
            counter = following;
        }
    }
}

// ---- Reference model of the speed bar ----------------------------------------------------------

// SB_LINELEFT .. SB_RIGHT, then anything else (SB_ENDSCROLL and unknown codes) keeps its place.
struct ScrollRule {
    enum Kind { By, ToThumb, To, Stay } kind;
    std::int64_t amount;
};

ScrollRule RuleFor(unsigned code)
{
    static const ScrollRule table[] = {{ScrollRule::By, -1},      {ScrollRule::By, +1}, {ScrollRule::By, -10},
                                       {ScrollRule::By, +10},     {ScrollRule::ToThumb, 0},
                                       {ScrollRule::ToThumb, 0},  {ScrollRule::To, 1},  {ScrollRule::To, 100}};
    return code < 8 ? table[code] : ScrollRule{ScrollRule::Stay, 0};
}

int ReferenceNextPosition(unsigned code, int current, int thumb)
{
    const ScrollRule rule = RuleFor(code);
    std::int64_t next = current;
    switch (rule.kind) {
    case ScrollRule::By: next = static_cast<std::int64_t>(current) + rule.amount; break;
    case ScrollRule::ToThumb: next = thumb; break;
    case ScrollRule::To: next = rule.amount; break;
    case ScrollRule::Stay: break;
    }
    return static_cast<int>(next < 1 ? 1 : next > 100 ? 100 : next);
}

TEST(Fuzz, ScrollStepsStayOnTheBarAndFollowTheTable)
{
    Random random(0xB215'7A20'0005ull);
    Disagreements steps("scroll requests (scroll::NextPosition)");
    static const std::vector<unsigned> unusualCodes{8, 9, 15, 255, 0xFFFF, 0x10000, 0x80000000u, 0xFFFFFFFFu};
    int position = 50;  // half the requests continue from the last answer, as a real bar does
    for (int round = 0; round < 200000; ++round) {
        const unsigned code = random.OneIn(5) ? random.Pick(unusualCodes) : static_cast<unsigned>(random.Below(9));
        const int current = random.OneIn(2) ? position : Int32(random);
        const int thumb = Int32(random);
        const int next = scroll::NextPosition(code, current, thumb);
        const int expected = ReferenceNextPosition(code, current, thumb);
        steps.Tried();
        if (next != expected || next < scroll::kSlowest || next > scroll::kFastest)
            steps.Failed("code " + std::to_string(code) + " from " + std::to_string(current) + " thumb " +
                         std::to_string(thumb) + ": got " + std::to_string(next) + ", expected " +
                         std::to_string(expected));
        position = next;
    }
}

}  // namespace
