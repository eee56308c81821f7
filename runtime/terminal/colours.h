// The 16 colour numbers of an attribute byte (background * 16 +
// foreground) and the colour values they paint with.  The two tables differ
// only in colour 5: 128,0,255 as a foreground, 128,0,128 as a background.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

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

// For character displays that keep their own 50 x 80 copy of the cells:
// the bytes of a drawn run go to row y from column x (0-based, cut to the
// copy), with the attribute recovered from the painted colour values.
inline void copy_drawn_run(std::uint8_t* chars, std::uint8_t* attrs, int x, int y,
                           std::string_view bytes, Rgb foreground, Rgb background) {
  constexpr int kRows = 50, kCols = 80;
  int fg = foreground_number(foreground), bg = background_number(background);
  auto attr = static_cast<std::uint8_t>((bg < 0 ? 0 : bg) * 16 + (fg < 0 ? 7 : fg));
  if (y < 0 || y >= kRows) return;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    int col = x + static_cast<int>(i);
    if (col < 0 || col >= kCols) continue;
    chars[static_cast<std::size_t>(y * kCols + col)] = static_cast<std::uint8_t>(bytes[i]);
    attrs[static_cast<std::size_t>(y * kCols + col)] = attr;
  }
}

}  // namespace kv::term
