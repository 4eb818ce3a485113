#include "app/CommandLine.h"

#include <cstring>

namespace {

char FoldCase(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

bool MatchOption(const char* argument, const char* option)
{
    if (!argument || !option)
        return false;
    if (*argument == '-' || *argument == '/')
        ++argument;
    for (; *option; ++option, ++argument) {
        if (*argument == '\0' || FoldCase(*argument) != FoldCase(*option))
            return false;
    }
    return true;
}

std::optional<std::int32_t> ParseWindowHandle(const char* text)
{
    if (!text)
        return std::nullopt;
    while (*text == ' ' || (*text >= '\t' && *text <= '\r'))
        ++text;
    bool negative = false;
    if (*text == '+' || *text == '-')
        negative = *text++ == '-';
    if (*text < '0' || *text > '9')
        return std::nullopt;

    constexpr std::int64_t largest = 0xFFFFFFFFll;  // the unsigned spelling of any 32-bit handle
    std::int64_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        value = value * 10 + (*text - '0');
        if (value > largest)
            return std::nullopt;
    }
    if (negative) {
        if (value > 0x80000000ll)
            return std::nullopt;
        value = -value;
    }
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

StartRequest SelectMode(int argc, const char* const* argv)
{
    if (argc <= 1)
        return {Mode::Settings, std::nullopt};
    const char* first = argv[1];
    if (MatchOption(first, "c"))
        return {Mode::Settings, std::nullopt};
    if (MatchOption(first, "p"))
        return {Mode::Preview, argc > 2 ? ParseWindowHandle(argv[2]) : std::nullopt};
    if (MatchOption(first, "s"))
        return {Mode::Saver, std::nullopt};
    return {Mode::None, std::nullopt};
}
