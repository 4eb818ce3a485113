#pragma once
// How much of the screen a looping, tiled animation makes flash, by the general flash and red
// flash thresholds of WCAG 2.2 (success criterion 2.3.1, "Three Flashes or Below Threshold"),
// for the screen saver's background: a few frames, each a tile repeated over the whole screen,
// shown one after another at a fixed rate and round again. No window system needed.
//
// Colours are 8-bit sRGB; every measure below works on them linearised (the sRGB transfer
// function that WCAG's "relative luminance" uses). What counts, per pixel, over the loop:
// - a general flash: a pair of opposing transitions of relative luminance, each of 0.1 or more,
//   with the darker state below 0.8. A transition is the change between adjacent peaks and
//   valleys of the pixel's luminance against time.
// - a red flash: a pair of opposing transitions to or from a saturated red (R / (R + G + B) of
//   0.8 or more) whose states lie more than 0.2 apart in the CIE 1976 UCS (u', v') diagram.
//   The diagram has no up and down to find peaks in, so every change of frame is taken as a
//   transition: that can only count more flashes than any way of pairing them up would.
// - a red flash by the measure of broadcast analysis: a pair of opposing transitions of
//   max(0, R - G - B) x 320 of more than 20 each, each to or from a saturated red.
#include "tools/artgen/Colour.h"

#include <cstdint>
#include <string>
#include <vector>

namespace flash {

// An 8-bit sRGB colour, as the artwork generator writes them.
using Srgb = artgen::Rgb;

// The frames of the loop in the order shown, each `width` x `height` pixels, top row first.
struct TiledLoop {
    int width = 0;
    int height = 0;
    double framesPerSecond = 0.0;
    std::vector<std::vector<Srgb>> frames;
};

// Flashes per second of one pixel whose colour goes round `states`, one per frame.
struct FlashRates {
    double general = 0.0;
    double red = 0.0;
    double redBroadcast = 0.0;
};

FlashRates PixelFlashRates(const std::vector<Srgb>& states, double framesPerSecond);

// Shares (0 to 1) of an area whose pixels flash more than three times a second.
struct FlashShares {
    double general = 0.0;
    double red = 0.0;
    double redBroadcast = 0.0;
};

// WCAG's 10-degree visual field: a 341 x 256 rectangle on a screen seen at 1024 x 768.
constexpr int kVisualFieldWidth = 341;
constexpr int kVisualFieldHeight = 256;

struct FlashMeasure {
    // Over the whole screen: the share of one tile, which the screen repeats.
    FlashShares screen;
    // The most that any visual field of the given size holds, wherever it lies on the screen.
    // It is never less than the screen's share, which is the mean over all its places.
    FlashShares worstField;
};

FlashMeasure MeasureFlashes(const TiledLoop& loop, int fieldWidth = kVisualFieldWidth,
                            int fieldHeight = kVisualFieldHeight);

// The measures by which some visual field has more than a quarter of it flashing more than three
// times in a second: "general", "red", "red (broadcast)". WCAG 2.3.1 holds when there is none.
std::vector<std::string> MeasuresBeyondThresholds(const FlashMeasure& measure);

} // namespace flash
