#pragma once
// Reading the command line the screen-saver host gives us. No window system needed.
#include <cstdint>
#include <optional>

// True when argument, after at most one leading '-' or '/', begins with option, ignoring case.
// A prefix test: "/c:300", "C", "-s" and "/screen" all match their letter.
bool MatchOption(const char* argument, const char* option);

enum class Mode { Settings, Preview, Saver, None };

struct StartRequest {
    Mode mode;
    // Preview only: the host window's handle as a 32-bit value, when the second argument holds one.
    std::optional<std::int32_t> parentHandle;
};

// The mode for an argument vector (argv[0] is the program), tested "c", "p", "s" in that order.
StartRequest SelectMode(int argc, const char* const* argv);

// A decimal window handle, read like atol (leading blanks, a sign, digits up to the first
// non-digit), but a value that does not fit in 32 bits, or text without digits, is no handle.
// Values from 2^31 to 2^32 - 1 are taken as the unsigned spelling of the same 32-bit handle.
std::optional<std::int32_t> ParseWindowHandle(const char* text);
