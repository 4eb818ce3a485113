#pragma once
// SplitMix64: small, fast, and the same sequence with every compiler and standard library, so a
// generated input that fails fails again on every run.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace testing_common {

class Random {
public:
    explicit Random(std::uint64_t seed) : m_state(seed) {}

    std::uint64_t Next()
    {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // 0 .. bound - 1
    std::uint64_t Below(std::uint64_t bound) { return Next() % bound; }
    bool OneIn(std::uint64_t n) { return Below(n) == 0; }
    template <class T>
    const T& Pick(const std::vector<T>& items) { return items[Below(items.size())]; }

    // length bytes of anything but NUL, which a C string cannot hold
    std::string Bytes(std::size_t length)
    {
        std::string text;
        for (std::size_t i = 0; i < length; ++i)
            text.push_back(static_cast<char>(1 + Below(255)));
        return text;
    }
    std::string Digits(std::size_t count)
    {
        std::string text;
        for (std::size_t i = 0; i < count; ++i)
            text.push_back(static_cast<char>('0' + Below(10)));
        return text;
    }

private:
    std::uint64_t m_state;
};

}  // namespace testing_common
