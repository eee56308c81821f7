// The 16 colour numbers of an attribute byte (background * 16 +
// foreground) and the colour values they paint with.  The two tables differ
// only in colour 5: 128,0,255 as a foreground, 128,0,128 as a background.
#pragma once

#include <array>
#include <cstdint>

#include "runtime/terminal/display.h"

namespace kv::term {

inline constexpr std::array<Rgb, 16> kForegroundColours = {{
    {0, 0, 0},
    {0, 0, 128},
    {0, 128, 0},
    {0, 128, 128},
    {128, 0, 0},
    {128, 0, 255},
    {128, 128, 0},
    {192, 192, 192},
    {128, 128, 128},
    {0, 0, 255},
    {0, 255, 0},
    {0, 255, 255},
    {255, 0, 0},
    {255, 0, 255},
    {255, 255, 0},
    {255, 255, 255},
}};

inline constexpr std::array<Rgb, 16> kBackgroundColours = {{
    {0, 0, 0},
    {0, 0, 128},
    {0, 128, 0},
    {0, 128, 128},
    {128, 0, 0},
    {128, 0, 128},
    {128, 128, 0},
    {192, 192, 192},
    {128, 128, 128},
    {0, 0, 255},
    {0, 255, 0},
    {0, 255, 255},
    {255, 0, 0},
    {255, 0, 255},
    {255, 255, 0},
    {255, 255, 255},
}};

inline Rgb foreground_of(std::uint8_t attribute) { return kForegroundColours[attribute & 0x0F]; }
inline Rgb background_of(std::uint8_t attribute) { return kBackgroundColours[attribute >> 4]; }

// The colour number of a painted colour value (for character displays that
// draw with a palette of 16); -1 when it is not one of the table's.
inline int foreground_number(Rgb c) {
  for (int i = 0; i < 16; ++i)
    if (kForegroundColours[static_cast<std::size_t>(i)] == c) return i;
  return -1;
}
inline int background_number(Rgb c) {
  for (int i = 0; i < 16; ++i)
    if (kBackgroundColours[static_cast<std::size_t>(i)] == c) return i;
  return -1;
}

}  // namespace kv::term
