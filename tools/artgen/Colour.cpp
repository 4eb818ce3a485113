#include "Colour.h"

#include "DetMath.h"

namespace artgen {

Colour sampleRamp(const std::vector<RampStop>& ramp, double t)
{
    if (t <= ramp.front().at)
        return ramp.front().colour;
    for (std::size_t i = 1; i < ramp.size(); ++i) {
        if (t <= ramp[i].at) {
            const double span = ramp[i].at - ramp[i - 1].at;
            return mix(ramp[i - 1].colour, ramp[i].colour, (t - ramp[i - 1].at) / span);
        }
    }
    return ramp.back().colour;
}

namespace {
std::uint8_t toByte(double v)
{
    const double scaled = clamp01(v) * 255.0 + 0.5;
    return static_cast<std::uint8_t>(floorToInt(scaled));
}
} // namespace

Rgb toRgb(const Colour& c) { return {toByte(c.r), toByte(c.g), toByte(c.b)}; }

} // namespace artgen
