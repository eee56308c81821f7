// The engine's drawing operations on the cell screen (SCR_VIO requests)
// and the small rules of painting that are worth testing on their own.
#pragma once

#include <cstdint>
#include <utility>

namespace kv::engine {

// Writes a run of cells at a screen position in one attribute; `now`
// shows it at once (immediate update), else at the window's next repaint.
// A run longer than the rest of its row continues on the next row.
void write_cells(int row, int col, const std::uint8_t* text, int length, std::uint8_t attr,
                 bool now);
void clear_screen(std::uint8_t attr);

// While the engine paints a panel, writes that ask to be shown at once
// are collected instead and shown together by release_updates(): nothing
// can look at the screen in between, and a full panel then costs one
// window update instead of one per run of cells.
void hold_updates();
void release_updates();

// Moves the caret to a cell and switches it on (any value but 0) or off.
void set_caret(int row, int col, int caret_value);
void caret_off();
// Mouse pointer: 32512 the arrow, 32514 the hourglass.
void set_pointer(int id);
inline constexpr int kPointerArrow = 32512;
inline constexpr int kPointerWait = 32514;

// A window panel's offsets clamped to 0 .. usable rows - height and
// 0 .. screen columns - width (a negative limit becomes 0).
std::pair<int, int> clamp_window_offsets(int offset_row, int offset_col, int usable_rows,
                                         int screen_columns, int height, int width);

}  // namespace kv::engine
