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

}  // namespace kv::iface
