#pragma once
// Where the speed bar goes for each scroll request. No window system needed.

namespace scroll {

inline constexpr int kSlowest = 1;
inline constexpr int kFastest = 100;
inline constexpr int kPage = 10;

// The new position for a scroll code (SB_LINELEFT = 0 ... SB_RIGHT = 7) from position current;
// thumb is the position a thumb code carries. Always within kSlowest..kFastest.
int NextPosition(unsigned code, int current, int thumb);

}  // namespace scroll
