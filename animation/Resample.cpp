#include "animation/Resample.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>

namespace resample {

namespace {

constexpr double kRadius = 2.0;  // of the cubic, in source pixels when enlarging

double CatmullRom(double x)
{
    x = std::fabs(x);
    if (x < 1.0)
        return (1.5 * x - 2.5) * x * x + 1.0;
    if (x < 2.0)
        return ((-0.5 * x + 2.5) * x - 4.0) * x + 2.0;
    return 0.0;
}

struct Tap {
    int index;
    double weight;
};

// For each target pixel along one axis, the source pixels it is made of and their weights. The
// centres of the pixels line up, not their first edges, so the picture neither shifts nor loses
// half a pixel at either end.
class Taps {
public:
    Taps(int sourceSize, int targetSize, Edges edges)
    {
        const double ratio = static_cast<double>(sourceSize) / targetSize;
        const double stretch = std::max(1.0, ratio);
        m_first.reserve(static_cast<std::size_t>(targetSize) + 1);
        for (int target = 0; target < targetSize; ++target) {
            m_first.push_back(m_taps.size());
            const double centre = (target + 0.5) * ratio - 0.5;
            const int from = static_cast<int>(std::floor(centre - kRadius * stretch));
            const int to = static_cast<int>(std::ceil(centre + kRadius * stretch));
            const std::size_t start = m_taps.size();
            double sum = 0.0;
            for (int i = from; i <= to; ++i) {
                const double weight = CatmullRom((i - centre) / stretch);
                if (weight == 0.0)
                    continue;
                m_taps.push_back(Tap{Source(i, sourceSize, edges), weight});
                sum += weight;
            }
            for (std::size_t tap = start; tap < m_taps.size(); ++tap)
                m_taps[tap].weight /= sum;
        }
        m_first.push_back(m_taps.size());
    }

    template <class Read>
    double Apply(int target, Read read) const
    {
        double sum = 0.0;
        for (std::size_t tap = m_first[target]; tap < m_first[target + 1]; ++tap)
            sum += m_taps[tap].weight * read(m_taps[tap].index);
        return sum;
    }

private:
    static int Source(int i, int size, Edges edges)
    {
        if (edges == Edges::Repeat)
            return ((i % size) + size) % size;
        return std::clamp(i, 0, size - 1);
    }

    std::vector<std::size_t> m_first;
    std::vector<Tap> m_taps;
};

// Planes of values, one per channel, filtered along both axes in turn.
template <int t_channels>
using Planes = std::array<std::vector<double>, t_channels>;

template <int t_channels>
Planes<t_channels> Filter(const Planes<t_channels>& source, int sourceWidth, int sourceHeight, int width, int height,
                          Edges edges)
{
    const Taps across(sourceWidth, width, edges);
    const Taps down(sourceHeight, height, edges);
    Planes<t_channels> wide;
    Planes<t_channels> result;
    for (int c = 0; c < t_channels; ++c) {
        const std::vector<double>& in = source[c];
        std::vector<double>& rows = wide[c];
        rows.resize(static_cast<std::size_t>(width) * sourceHeight);
        for (int y = 0; y < sourceHeight; ++y) {
            const double* row = in.data() + static_cast<std::size_t>(y) * sourceWidth;
            for (int x = 0; x < width; ++x)
                rows[static_cast<std::size_t>(y) * width + x] = across.Apply(x, [row](int i) { return row[i]; });
        }
        std::vector<double>& out = result[c];
        out.resize(static_cast<std::size_t>(width) * height);
        for (int x = 0; x < width; ++x) {
            const double* column = rows.data() + x;
            for (int y = 0; y < height; ++y)
                out[static_cast<std::size_t>(y) * width + x] =
                    down.Apply(y, [column, width](int i) { return column[static_cast<std::size_t>(i) * width]; });
        }
    }
    return result;
}

constexpr int kShift[3] = {16, 8, 0};  // red, green, blue in 0x00RRGGBB

Planes<3> Split(const Image& image)
{
    Planes<3> planes;
    for (int c = 0; c < 3; ++c) {
        planes[c].reserve(image.pixels.size());
        for (std::uint32_t pixel : image.pixels)
            planes[c].push_back(static_cast<double>((pixel >> kShift[c]) & 0xFF));
    }
    return planes;
}

std::uint32_t Channel(double value, int c)
{
    const double rounded = std::floor(value + 0.5);
    return static_cast<std::uint32_t>(std::clamp(rounded, 0.0, 255.0)) << kShift[c];
}

Image Join(const Planes<3>& planes, int width, int height)
{
    Image image{width, height, std::vector<std::uint32_t>(static_cast<std::size_t>(width) * height)};
    for (std::size_t i = 0; i < image.pixels.size(); ++i)
        image.pixels[i] = Channel(planes[0][i], 0) | Channel(planes[1][i], 1) | Channel(planes[2][i], 2);
    return image;
}

bool Empty(int width, int height) { return width <= 0 || height <= 0; }

// The cut-out with each pixel outside the shape, up to rings pixels from its edge, coloured as
// the mean of its neighbours that are inside or already coloured.
Image SpreadInside(const Image& source, const Shape& shape, int rings)
{
    Image spread = source;
    std::vector<std::uint8_t> known = shape.inside;
    std::vector<std::uint8_t> next = known;
    for (int ring = 0; ring < rings; ++ring) {
        for (int y = 0; y < source.height; ++y)
            for (int x = 0; x < source.width; ++x) {
                const std::size_t at = static_cast<std::size_t>(y) * source.width + x;
                if (known[at])
                    continue;
                std::array<unsigned, 3> sum{};
                unsigned count = 0;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int nx = x + dx;
                        const int ny = y + dy;
                        if (nx < 0 || ny < 0 || nx >= source.width || ny >= source.height)
                            continue;
                        const std::size_t near = static_cast<std::size_t>(ny) * source.width + nx;
                        if (!known[near])
                            continue;
                        for (int c = 0; c < 3; ++c)
                            sum[c] += (spread.pixels[near] >> kShift[c]) & 0xFF;
                        ++count;
                    }
                if (count == 0)
                    continue;
                std::uint32_t pixel = 0;
                for (int c = 0; c < 3; ++c)
                    pixel |= ((sum[c] + count / 2) / count) << kShift[c];
                spread.pixels[at] = pixel;
                next[at] = 1;
            }
        known = next;
    }
    return spread;
}

}  // namespace

Image Resize(const Image& source, int width, int height, Edges edges)
{
    if (Empty(width, height) || Empty(source.width, source.height))
        return Image{};
    return Join(Filter<3>(Split(source), source.width, source.height, width, height, edges), width, height);
}

Shape Resize(const Shape& source, int width, int height)
{
    if (Empty(width, height) || Empty(source.width, source.height))
        return Shape{};
    Planes<1> plane;
    plane[0].assign(source.inside.begin(), source.inside.end());
    const Planes<1> filtered = Filter<1>(plane, source.width, source.height, width, height, Edges::Extend);
    Shape shape{width, height, {}};
    shape.inside.reserve(filtered[0].size());
    for (double coverage : filtered[0])
        shape.inside.push_back(coverage >= 0.5 ? 1 : 0);
    return shape;
}

Image ResizeCutOut(const Image& source, const Shape& shape, int width, int height)
{
    if (Empty(width, height) || Empty(source.width, source.height))
        return Image{};
    if (shape.width != source.width || shape.height != source.height)
        return Resize(source, width, height, Edges::Extend);
    // The filter's reach across the edge, in source pixels, and one more for the rounding.
    const double ratio = std::max(static_cast<double>(source.width) / width,
                                  static_cast<double>(source.height) / height);
    const int rings = static_cast<int>(std::ceil(kRadius * std::max(1.0, ratio))) + 1;
    return Resize(SpreadInside(source, shape, rings), width, height, Edges::Extend);
}

}  // namespace resample
