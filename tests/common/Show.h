#pragma once
// Generated inputs in a failure message: each byte shown so that a failing input can be typed
// back in, and long ones cut short with their length.
#include <algorithm>
#include <cstddef>
#include <sstream>
#include <string>

namespace testing_common {

inline std::string Show(const std::string& text, std::size_t longest = 80)
{
    std::ostringstream out;
    out << '"';
    const std::size_t shown = std::min(text.size(), longest);
    for (std::size_t i = 0; i < shown; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\')
            out << static_cast<char>(c);
        else
            out << "\\x" << std::hex << static_cast<int>(c) << std::dec;
    }
    out << '"';
    if (text.size() > shown)
        out << "... (" << text.size() << " bytes)";
    return out.str();
}

}  // namespace testing_common
