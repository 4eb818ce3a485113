// The About box's credit lines, also carried by the version record: one definition of each.
#pragma once

#define BRIMSTAR_COPYRIGHT "Copyright (C) 2026 Tarnwick Inc."
#define BRIMSTAR_ARTWORK_CREDIT "Flames and emblem drawn by the Brimstar artwork generator"
