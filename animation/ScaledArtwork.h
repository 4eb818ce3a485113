#pragma once
// The artwork redrawn for a display scale other than 96 DPI.
#include "framework/Gdi.h"

#include <array>
#include <cstdint>

// Makes scaled[0-3] the four flame tiles (the shown part of each frame), scaled[4] the sprite and
// scaled[5] its mask, each enlarged by dpi / 96 to the sizes compose::ScaledGeometry gives, the
// sprite as a cut-out and the mask as its picture (see compose::Geometry). The tiles repeat
// seamlessly as the stored ones do; the mask follows the enlarged emblem's edge.
// All or nothing: false, with every bitmap of scaled deleted, when any of them cannot be made,
// for want of memory as much as a refusal of the system's.
// None of artwork's bitmaps may be selected into a device context meanwhile.
bool ScaleArtwork(const std::array<framework::CBitmap, 6>& artwork, std::uint32_t dpi,
                  std::array<framework::CBitmap, 6>& scaled) noexcept;
