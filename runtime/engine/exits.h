// User exits: application routines in shared libraries that the engine
// calls in the middle of a dialogue with a 163-byte parameter block, the
// panel record and the PASS-TO-EXIT area.
//
// Kinds, by the type letter at offset 0 of the block:
//   "A" arrow keys (PANEL-ARROW-EXIT-NAME), "D" predisplay of a character
//   (PANEL-PRE-EXIT-NAME), "K" postkeystroke of a field
//   (PANEL-POST-EXIT-NAME), "P" global postkeystroke (function 14),
//   "T" time-out exit (function 13).
//
// Finding an exit: the 8-character name is cut at its first X'00' and its
// trailing spaces removed.  The entry is the symbol of that name, looked
// for in this order: exits registered with register_exit(), a symbol
// already in the process, then the libraries NAME.so and libNAME.so in the
// directories of KORVEXAN_EXIT_PATH, COB_LIBRARY_PATH (both colon
// separated) and the program's own directory.  A `cobc -m` module is such
// a library; before calling into one the argument count that libcob keeps
// is set to 3 (libcob being initialised first in a program that is not
// COBOL).  Libraries are loaded with local symbols and stay loaded for the
// whole process.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace kv::engine {

inline constexpr int kExitBlockSize = 163;

// Offsets in the exit parameter block.
namespace exit_off {
inline constexpr int kType = 0;        // exit type letter
inline constexpr int kField = 1;       // 16-bit active field number
inline constexpr int kCursorPos = 3;   // 16-bit cursor position in the field, from 1
inline constexpr int kRow = 5;         // 16-bit screen row of the write position
inline constexpr int kCol = 7;         // 16-bit screen column
inline constexpr int kAttr = 9;        // in: field colour; out: attribute of the next write
inline constexpr int kChar = 11;       // character in and out
inline constexpr int kExtended = 13;   // 16-bit extended code ("K", "P", "T")
inline constexpr int kInterval = 15;   // "T": 16-bit interval in tenths of a second
inline constexpr int kFieldFull = 15;  // "K", "P" out: "Y" field-full request
inline constexpr int kFinishNow = 16;  // "K", "P" out: "Y" finish the field at once
inline constexpr int kMessage = 17;    // 16-bit message request
inline constexpr int kSource = 19;     // key source byte
inline constexpr int kStatus = 20;     // runtime status byte
inline constexpr int kMouseRow = 21;   // 16-bit
inline constexpr int kMouseCol = 23;   // 16-bit
inline constexpr int kMouseEvent = 25;
inline constexpr int kMouseButton = 26;
inline constexpr int kShift = 27;     // 4 bytes: Alt, Ctrl, Shift (bit 1), Shift (bit 0)
inline constexpr int kReserved = 31;  // 132 bytes
}  // namespace exit_off

// The entry of an exit: block, panel record, PASS-TO-EXIT.  Its result is
// not used.
using ExitEntry = int (*)(std::uint8_t* block, std::uint8_t* panel, std::uint8_t* pass_to_exit);

// Makes `entry` answer for exit `name` (trailing spaces ignored) before any
// symbol or library lookup: programs that carry their exits inside
// themselves, and tests.  A null entry removes the registration.
void register_exit(std::string_view name, ExitEntry entry);

// The dialogue state an exit call reports (filled into the block's "in"
// fields).
struct ExitState {
  int field = 0;                     // active field number
  int cursor_pos = 0;                // cursor position in the field, from 1
  int row = 0, col = 0;              // write position on the screen
  std::uint8_t attr = 0;             // the active field's current colour
  std::uint8_t source = 0;           // key source byte of the last key
  std::uint8_t status = 0;           // runtime status byte (passed as given; 0 by default)
  int mouse_row = 0, mouse_col = 0;  // of the last event; written as absolute values
  std::uint8_t mouse_event = 0, mouse_button = 0;
  std::array<std::uint8_t, 4> shift{};  // Alt, Ctrl, Shift (bit 1), Shift (bit 0)
};

// What one exit call gave back.
struct ExitResult {
  bool called = false;         // the entry ran (false after a failure box)
  std::uint8_t attr = 0;       // offset 9 through the colour mapping: the next write's attribute
  std::uint8_t character = 0;  // offset 11
  std::uint16_t extended = 0;  // offset 13
  std::int16_t interval = 0;   // offset 15 as 16 bits ("T")
  bool field_full = false;     // offset 15 "Y" ("K", "P")
  bool finish_now = false;     // offset 16 "Y" ("K", "P")
  std::int16_t message = 0;    // offset 17
  std::uint8_t source = 0;     // offset 19
};

// Calls exit `name8` (8 characters) of kind `type` ("A", "D", "K", "P" or
// "T").  `character` and `extended` are the kind's in values (see the
// block layout); `interval` is used by "T" only.  Before "K" and "P" calls
// the whole block is cleared, before "T" calls offsets 11-14, before "A"
// and "D" calls nothing: offsets not refilled keep what the last call left.
//
// A name whose first character is a space aborts the panel (reason 9,
// placed in PANEL-DISPLAY-OPTION of `panel`).  A library or entry that
// cannot be found shows its box (kind 4) and nothing is called; the result
// then reports the block as filled.
ExitResult call_exit(char type, std::string_view name8, const ExitState& state,
                     std::uint8_t character, std::uint16_t extended, std::int16_t interval,
                     std::uint8_t* panel, std::uint8_t* pass_to_exit);

// The runtime's parameter block (tests; the painter reads nothing else).
std::array<std::uint8_t, kExitBlockSize>& exit_block();

// The exit bound last: its 8-character name, blank before the first call.
std::string bound_exit_name();

// Forgets the bound exit and the cache of resolved entries (tests).
void reset_exits();

}  // namespace kv::engine
