// SCR-COMMON: the runtime common area, one per process, owned by the
// runtime's main module and passed by reference to every window, screen
// and mask module.  It holds the cell screen, the window's settings and
// handles, the font and caret, the window options of the initialisation
// block, the state the window modules keep between calls and the
// debugging window's message list.  Nothing outside the runtime sees it,
// so it is kept in C++ form rather than byte for byte.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/terminal/display.h"
#include "runtime/utilities/modules.h"

namespace kv::term {

// The debugging window's message list: 50 lines of 52 characters, line 0
// the newest, under a fixed heading.
struct DebugList {
  static constexpr int kLineWidth = 52;
  static constexpr int kRowCount = 51;
  static constexpr int kLineCount = 50;
  static constexpr const char* kHeading = "Msg# Type/Message-Name         WPar LPar LParH LParL";
  int sequence = 0;  // number of the last window-message line
  std::array<std::string, kLineCount> lines;
  // Check marks of the Options menu: "&WinProc Msgs", "&WinProc Mouse
  // Msgs", "Common &Data".
  bool winproc_msgs = false, winproc_mouse_msgs = false, common_data = false;
  DebugList() { lines.fill(std::string(kLineWidth, ' ')); }
};

// Files dropped on the window: whether the window accepts them (function
// 18 "Y"/"N"), the exit key reported for a drop, and the drop held until
// the application has fetched the names and released it.
struct Drops {
  bool accepting = false;
  std::int32_t key_code = 0;  // exit key reported for a drop (modulo 10000)
  std::int32_t count = 0;     // files in the last drop
  bool held = false;          // a drop is held until released
  Handle handle = 0;          // the held drop
};

struct ScrCommon {
  // The display the window modules work on (not owned).
  Display* display = nullptr;

  // ---- cell screen
  std::int16_t screen_rows = 50;
  std::int16_t screen_columns = 80;
  static constexpr std::int16_t buffer_rows = 50;
  static constexpr std::int16_t buffer_columns = 80;
  Rgb background;  // colour with which the window background is erased
  std::array<std::uint8_t, 4000> chars{};
  std::array<std::uint8_t, 4000> attrs{};
  Handle pointer_handle = 0;
  Handle font_handle = 0;
  LogicalFont font;
  TextMetrics metrics;
  std::int32_t caret_height = 0, caret_width = 0;
  std::int32_t caret_x = 0, caret_y = 0;
  std::int32_t caret_column = 1, caret_row = 1;
  char caret_enabled = 'Y';
  int carets_shown = 0;   // the cell screen's count of shown carets (0 or 1)
  Rect last_window_rect;  // as read by the last force paint

  // ---- window
  WindowId window = 0;  // null until created
  Handle status_bar = 0;
  WindowId debug_window = 0;  // 0 when closed
  Handle module_instance = 0;
  std::int32_t show_command = 1;
  std::int16_t current_field_length = 0;
  char insert_flag = 'N';
  char multiple_instances = 'N';
  Rect work_area;
  std::int32_t current_width = 0, current_height = 0;
  std::int32_t window_x = 0, window_y = 0;
  Placement placement;
  std::int32_t frame_width_extra = 0, frame_height_extra = 0;
  std::int32_t full_outer_width = 0, full_outer_height = 0;
  std::int32_t full_client_width = 0, full_client_height = 0;
  std::int32_t border_width = 0, frame_width = 0, border_height = 0, frame_height = 0;
  std::int32_t caption_height = 0;
  std::int32_t menu_height = 1;
  std::int32_t vscroll_width = 1, hscroll_height = 1;
  std::int32_t status_bar_height = 0;
  std::string window_title;
  std::string about_title;
  std::string about_text;
  std::string settings_file;  // blank: none
  // Scroll bars: the positions are the scroll offsets of the cell screen.
  std::int32_t vscroll_range = 0, vscroll = 0, vscroll_step = 0;
  std::int32_t hscroll_range = 0, hscroll = 0, hscroll_step = 0;
  // The class name that registered ("Korvexan001".."Korvexan255"); empty
  // when none did.
  std::string class_name;
  bool class_registered = false;
  bool wc_called = false;  // SCR_WC's first call has run

  // ---- menus
  // What each key-menu item returns: item n (its menu command) is entry
  // n - 1.
  struct KeyMenuItem {
    int character = 0;
    int extended = 0;
  };
  std::vector<KeyMenuItem> key_items;
  MenuBar menu;
  bool menu_built = false;
  bool close_item_enabled = true;
  bool copy_enabled = false, paste_enabled = false;

  // ---- window options of the initialisation block
  char menu_option = '0';         // "0" all key menus, "1" system keys only, "2" none
  char alt_key_handling = '0';    // "0" Windows, "1" DOS
  char system_menu_option = '0';  // "0" enabled, "1" disabled
  std::int16_t global_close_value = 0;
  std::int16_t panel_close_value = 0;
  char status_num = ' ', status_caps = ' ', status_insert = ' ';
  std::int32_t window_x_origin = 0, window_y_origin = 0;
  std::int32_t window_x_origin_max = 0, window_y_origin_max = 0;
  std::int32_t window_width = 9999, window_height = 9999;
  LogicalFont creation_font;
  // Mouse options (initialisation block offsets 1178-1199).
  std::int16_t mb1_double_char = 0, mb1_double_func = 0;
  char mb1_selector = ' ';
  char mouse_arrow_keys = ' ';
  std::int16_t menu_missed_char = 0, menu_missed_func = 0;
  std::uint8_t new_field_option = 0;
  std::int16_t missed_field_char = 0, missed_field_func = 0;
  std::int16_t mb2_double_char = 0, mb2_double_func = 0;
  std::int16_t mb2_release_char = 0, mb2_release_func = 0;

  // ---- copy and paste: what the engine publishes about the field under
  // the cursor, and the pump's paste feed.
  std::string field_image;      // the current field's displayed text
  std::int16_t paste_room = 0;  // room from the cursor to the field's end
  std::string paste_buffer;
  std::size_t paste_next = 0;
  bool pasting = false;

  // ---- status bar indicators as last written (-1: never)
  int shown_insert = -1, shown_caps = -1, shown_num = -1;

  // ---- message boxes
  Handle message_window = 0;  // the modeless status window
  char status_message = 'N';  // "Y" while a status message shows

  // ---- mouse state kept by the pump
  bool button1_held = false, button2_held = false, captured = false;
  char pressed_state = 'N';  // "N" released, "E" pressed
  int last_row = 0, last_col = 0;

  // ---- dropped files
  Drops drops;

  // ---- debugging window
  DebugList debug;
};

// The process's common area.
ScrCommon& common();

}  // namespace kv::term
