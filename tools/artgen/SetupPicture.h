#pragma once

#include "Colour.h"

namespace artgen {

// The picture down the left of the setup's finish page, at the size that page shows it at
// 96 dots per inch (the setup stretches it for other settings).
constexpr int kSetupPictureWidth = 164;
constexpr int kSetupPictureHeight = 314;

// The saver's own look: the first flame frame as a wall, the emblem in front of it.
RgbImage renderSetupPicture();

} // namespace artgen
