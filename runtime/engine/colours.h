// The colours the engine writes: the application's alternate colour table
// (function 1) and the monochrome conversion (option letter "M").  Every
// attribute the engine uses (active, error and menu colours, static items,
// field colours, attributes returned by user exits) goes through
// map_attribute() before it reaches the screen.
#pragma once

#include <cstdint>

namespace kv::engine {

// The alternate table's entry for `attr` (the low byte of the 16-bit word
// at offset 4 + 2 * attr); `attr` itself while the table is off.  The
// table is trusted as kept: the caller tests it once per panel call
// (check_alternate_colors() or check_kept_tables()).
std::uint8_t alternate_color(std::uint8_t attr);

// Monochrome conversion of one attribute: blink kept, X'70'/X'78' reverse,
// 0 and 8 black, other foregrounds below 8 grey, the rest white, always on
// black.
std::uint8_t monochrome(std::uint8_t attr);

// The alternate table (when on), then the monochrome conversion (when
// monochrome mode is on).
std::uint8_t map_attribute(std::uint8_t attr);

// The base-colour digit the screen is cleared with (not for window panels
// or invalid digits, which the caller handles first): with the alternate
// table on, (entry of WORK-S byte 0, less 128 when above 127) / 16; in
// monochrome mode a digit below "7" becomes "0".
char screen_base_digit(char base_digit, std::uint8_t work_s_base_attr);

}  // namespace kv::engine
