#include "settings/ScrollStep.h"

#include <algorithm>
#include <cstdint>

namespace scroll {

int NextPosition(unsigned code, int current, int thumb)
{
    // Widened so that a position from anywhere in the int range steps without overflow.
    std::int64_t next = current;
    switch (code) {
    case 0: next = std::int64_t{current} - 1; break;      // SB_LINELEFT
    case 1: next = std::int64_t{current} + 1; break;      // SB_LINERIGHT
    case 2: next = std::int64_t{current} - kPage; break;  // SB_PAGELEFT
    case 3: next = std::int64_t{current} + kPage; break;  // SB_PAGERIGHT
    case 4:                                               // SB_THUMBPOSITION
    case 5: next = thumb; break;                          // SB_THUMBTRACK
    case 6: next = kSlowest; break;                       // SB_LEFT
    case 7: next = kFastest; break;                       // SB_RIGHT
    default: break;                                       // SB_ENDSCROLL and anything else
    }
    return static_cast<int>(std::clamp<std::int64_t>(next, kSlowest, kFastest));
}

}  // namespace scroll
