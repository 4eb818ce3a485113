#include "Quantize.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace artgen {

namespace {

struct Entry {
    Rgb colour;
    std::uint64_t count;
};

int channel(const Rgb& c, int which) { return which == 0 ? c.r : (which == 1 ? c.g : c.b); }

std::uint32_t packed(const Rgb& c)
{
    return (static_cast<std::uint32_t>(c.r) << 16) | (static_cast<std::uint32_t>(c.g) << 8) | c.b;
}

struct Box {
    std::size_t begin;
    std::size_t end;
};

struct BoxStats {
    int widestChannel = 0;
    int range = 0;
    std::uint64_t pixels = 0;
};

BoxStats statsOf(const std::vector<Entry>& entries, const Box& box)
{
    BoxStats stats;
    int lo[3] = {255, 255, 255};
    int hi[3] = {0, 0, 0};
    for (std::size_t i = box.begin; i < box.end; ++i) {
        for (int ch = 0; ch < 3; ++ch) {
            lo[ch] = std::min(lo[ch], channel(entries[i].colour, ch));
            hi[ch] = std::max(hi[ch], channel(entries[i].colour, ch));
        }
        stats.pixels += entries[i].count;
    }
    for (int ch = 0; ch < 3; ++ch) {
        if (hi[ch] - lo[ch] > stats.range) {
            stats.range = hi[ch] - lo[ch];
            stats.widestChannel = ch;
        }
    }
    return stats;
}

Rgb average(const std::vector<Entry>& entries, const Box& box)
{
    std::uint64_t sum[3] = {0, 0, 0};
    std::uint64_t total = 0;
    for (std::size_t i = box.begin; i < box.end; ++i) {
        for (int ch = 0; ch < 3; ++ch)
            sum[ch] += static_cast<std::uint64_t>(channel(entries[i].colour, ch)) * entries[i].count;
        total += entries[i].count;
    }
    auto mean = [&](int ch) { return static_cast<std::uint8_t>((sum[ch] + total / 2) / total); };
    return {mean(0), mean(1), mean(2)};
}

} // namespace

Palette buildPalette(const std::vector<Rgb>& pixels, std::size_t size, const Palette& reserved)
{
    std::map<std::uint32_t, Entry> histogram;
    for (const Rgb& c : pixels) {
        if (std::find(reserved.begin(), reserved.end(), c) != reserved.end())
            continue;
        Entry& e = histogram[packed(c)];
        e.colour = c;
        ++e.count;
    }
    std::vector<Entry> entries;
    for (const auto& item : histogram)
        entries.push_back(item.second);

    Palette palette = reserved;
    const std::size_t wanted = size - reserved.size();
    std::vector<Box> boxes;
    if (!entries.empty())
        boxes.push_back({0, entries.size()});
    while (boxes.size() < wanted) {
        // Split the box whose colours spread furthest, weighted gently by how many pixels
        // it covers: large smooth areas get enough shades to avoid banding, and small
        // bright highlights still keep their own entries.
        std::size_t best = boxes.size();
        double bestScore = 0.0;
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            if (boxes[i].end - boxes[i].begin < 2)
                continue;
            const BoxStats stats = statsOf(entries, boxes[i]);
            const double score = stats.range * std::sqrt(static_cast<double>(stats.pixels));
            if (score > bestScore) {
                bestScore = score;
                best = i;
            }
        }
        if (best == boxes.size())
            break;
        const Box box = boxes[best];
        const int ch = statsOf(entries, box).widestChannel;
        std::sort(entries.begin() + static_cast<std::ptrdiff_t>(box.begin),
                  entries.begin() + static_cast<std::ptrdiff_t>(box.end), [ch](const Entry& a, const Entry& b) {
                      const int ca = channel(a.colour, ch);
                      const int cb = channel(b.colour, ch);
                      return ca != cb ? ca < cb : packed(a.colour) < packed(b.colour);
                  });
        std::uint64_t total = 0;
        for (std::size_t i = box.begin; i < box.end; ++i)
            total += entries[i].count;
        std::uint64_t running = 0;
        std::size_t split = box.begin + 1;
        for (std::size_t i = box.begin; i + 1 < box.end; ++i) {
            running += entries[i].count;
            split = i + 1;
            if (running * 2 >= total)
                break;
        }
        boxes[best] = {box.begin, split};
        boxes.push_back({split, box.end});
    }
    for (const Box& box : boxes)
        palette.push_back(average(entries, box));
    while (palette.size() < size)
        palette.push_back(Rgb{});
    return palette;
}

std::uint8_t nearestIndex(const Palette& palette, const Rgb& colour)
{
    std::size_t best = 0;
    long bestDistance = -1;
    for (std::size_t i = 0; i < palette.size(); ++i) {
        const long dr = static_cast<long>(palette[i].r) - colour.r;
        const long dg = static_cast<long>(palette[i].g) - colour.g;
        const long db = static_cast<long>(palette[i].b) - colour.b;
        // Green weighs most to the eye, blue least.
        const long distance = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
        if (bestDistance < 0 || distance < bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    return static_cast<std::uint8_t>(best);
}

} // namespace artgen
