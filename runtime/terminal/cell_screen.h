// The cell screen (module SCR_VIO): the engine writes characters and
// attribute bytes into the 50 x 80 planes of SCR-COMMON and asks this
// module to show a range of cells, clear the screen, move or switch the
// caret, set the pointer, save or restore the screen, force a repaint or
// destroy the window.  The window procedure repaints invalid parts from the
// same planes (paint_cells).
#pragma once

#include <cstdint>
#include <string_view>

#include "runtime/terminal/scr_common.h"

namespace kv::term {

// VIO-REQUEST.
struct VioRequest {
  std::int16_t function = 0;
  std::uint8_t clear_attribute = 0x07;
  std::int16_t columns = 80;   // save, restore; also the width of a write's first part
  std::int16_t last_row = 24;  // save, restore: the row count minus 1
  std::int32_t pointer_id = 0;
  std::int32_t caret_on = 0;
  std::int32_t caret_row = 1, caret_column = 1;
  std::uint8_t write_attribute = 0x07;
  std::int16_t row = 1, column = 1, length = 0;
  WindowId window = 0;
  std::uint8_t update_now = 0;
};

// Function codes.
namespace vio {
inline constexpr int kGrow = 1;
inline constexpr int kCaretOnOff = 3;
inline constexpr int kSetPointer = 5;
inline constexpr int kSave = 6;
inline constexpr int kRestore = 7;
inline constexpr int kWrite = 10;
inline constexpr int kClear = 11;
inline constexpr int kForcePaint = 13;
inline constexpr int kSetCaret = 14;
inline constexpr int kDestroy = 15;
}  // namespace vio

// SCR_VIO: one request.  `data` is the text to write (write cells) or the
// SCREEN-SAVE-AREA (save, restore); other codes ignore it.  Unknown codes
// show the internal-error box "Fell through computed GO TO!".
void SCR_VIO(VioRequest& request, std::uint8_t* data, ScrCommon& c);

// Writes `text` (screen bytes) at row, column in one attribute through
// SCR_VIO's write-cells request, on the common area's window; with
// `update_now` the window is repainted at once.
void write_text(ScrCommon& c, int row, int col, std::string_view text, std::uint8_t attr,
                bool update_now = false);

// Moves the caret to row, column through SCR_VIO's set-caret request.
void move_caret(ScrCommon& c, int row, int col);

// The window procedure's paint of the cells inside `paint` (pixels).
void paint_cells(ScrCommon& c, WindowId window, const Rect& paint);

// Caret pixel position and size from the caret cell and the font metrics.
void compute_caret(ScrCommon& c);

// Bytes a screen save of `rows` rows needs.
inline constexpr int save_area_size(int rows) { return 20 + 2 * rows * 80; }

}  // namespace kv::term
