// The font fields of the initialisation block, shared by the
// initialisation call (settings read back into the block) and function 17
// (current settings returned).
#pragma once

#include <cstdint>

#include "runtime/terminal/scr_common.h"

namespace kv::iface {

// Writes a logical font into the block's font fields (offsets 1030-1079);
// the numbers are taken modulo 10000.
void put_font(std::uint8_t* block, const term::LogicalFont& f);

// The logical font that the block's font fields describe.
term::LogicalFont font_of_block(const std::uint8_t* block);

// The numeric font keys of the settings file in their order, each with the
// field of `f` it names: `visit(key, field)`.  The face name
// ("FontFacename", a string) comes after them.
template <typename Visit>
void for_each_font_number(term::LogicalFont& f, Visit&& visit) {
  visit("FontHeight", f.height);
  visit("FontWidth", f.width);
  visit("FontEscapement", f.escapement);
  visit("FontOrientation", f.orientation);
  visit("FontWeight", f.weight);
  visit("FontItalic", f.italic);
  visit("FontUnderline", f.underline);
  visit("FontStrikeout", f.strikeout);
  visit("FontCharSet", f.charset);
  visit("FontOutPrecision", f.out_precision);
  visit("FontClipPrecision", f.clip_precision);
  visit("FontQuality", f.quality);
  visit("FontPitchandFamily", f.pitch_family);
}

}  // namespace kv::iface
