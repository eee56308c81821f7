// SCR-COMMON: the runtime common area, one per process, owned by the
// runtime's main module and passed by reference to every window, screen
// and mask module.  It holds the cell screen, the window's settings and
// handles, the font and caret, the window options of the initialisation
// block and the debugging window's message list.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "runtime/terminal/display.h"
#include "runtime/utilities/modules.h"

namespace kv::term {

class Display;

struct ScrCommon {
  // ---- cell screen
  std::int16_t screen_rows = 50;
  std::int16_t screen_columns = 80;
  static constexpr std::int16_t buffer_rows = 50;
  static constexpr std::int16_t buffer_columns = 80;
  std::uint32_t background_rgb = 0;  // red, green, blue bytes, then 0
  std::array<std::uint8_t, 4000> chars{};
  std::array<std::uint8_t, 4000> attrs{};
  std::uintptr_t menu_handle = 0;
  std::uintptr_t pointer_handle = 0;
  std::uintptr_t font_handle = 0;
  LogicalFont font;
  TextMetrics metrics;
  std::int32_t caret_height = 0, caret_width = 0;
  std::int32_t caret_x = 0, caret_y = 0;
  std::int32_t caret_column = 1, caret_row = 1;
  std::int32_t vscroll = 0, hscroll = 0;  // scroll offsets in pixels
  char caret_enabled = 'Y';

  // ---- window
  std::uintptr_t window = 0;         // null until created
  std::uintptr_t status_bar = 0;
  std::uintptr_t debug_window = 0;
  std::int32_t show_command = 1;
  std::int16_t current_field_length = 0;
  char insert_flag = 'N';
  char multiple_instances = 'N';
  std::string window_title;
  std::string about_title;
  std::string about_text;
  std::string settings_file;  // blank: none

  // ---- window options of the initialisation block
  char menu_option = '0';        // "0" all key menus, "1" system keys only, "2" none
  char alt_key_handling = '0';   // "0" Windows, "1" DOS
  char system_menu_option = '0'; // "0" enabled, "1" disabled
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
};

// The process's common area.
ScrCommon& common();

}  // namespace kv::term
