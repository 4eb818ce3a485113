#pragma once
// Clock and statistics shared by the benchmark programs.
#include <windows.h>

#include <algorithm>
#include <vector>

namespace bench {

// Milliseconds on the performance counter.
inline double NowMs()
{
    static const double ticksPerMs = [] {
        LARGE_INTEGER frequency;
        ::QueryPerformanceFrequency(&frequency);
        return static_cast<double>(frequency.QuadPart) / 1000.0;
    }();
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / ticksPerMs;
}

// The value below which the given fraction of the samples lie (0.5: the median).
inline double Quantile(std::vector<double> samples, double fraction)
{
    if (samples.empty())
        return 0.0;
    std::sort(samples.begin(), samples.end());
    const double position = fraction * static_cast<double>(samples.size() - 1);
    const auto below = static_cast<std::size_t>(position);
    const std::size_t above = std::min(below + 1, samples.size() - 1);
    const double weight = position - static_cast<double>(below);
    return samples[below] * (1.0 - weight) + samples[above] * weight;
}

inline double Median(const std::vector<double>& samples)
{
    return Quantile(samples, 0.5);
}

// Runs this thread's pending messages, so that whatever the window system does in the message
// loop (painting, updating the display) happens between measurements rather than inside them.
inline void PumpPending()
{
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

}  // namespace bench
