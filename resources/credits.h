// The About box's credit lines, also carried by the version record: one definition of each.
// Each is a single line of 119 dialog units, about 178 pixels in MS Sans Serif 8 at 96 DPI;
// a longer text wraps and loses its second line (the dialog template test measures them).
#pragma once

#define BRIMSTAR_COPYRIGHT "Copyright (C) 2026 Tarnwick Inc."
#define BRIMSTAR_ARTWORK_CREDIT "Artwork: Brimstar generator"
