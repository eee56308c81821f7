// The message pump (module SCR_AMP): one call is one pass over the display's
// message queue, in the order the window system numbers its messages:
// window management first, then the runtime's private messages, then at
// most one input event (key, character, mouse, menu command, dropped
// files, a pasted character) turned into a KEY-EVENT for the engine.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/terminal/keys.h"
#include "runtime/terminal/scr_common.h"

namespace kv::term {

// The mouse settings the engine hands to the pump (the 70-byte block of
// function 16, or the initialisation block's mouse fields).
struct MouseSettings {
  int mb1_double_char = 0, mb1_double_func = 0;
  char mb1_selector = ' ';  // "1": Simulate Enter on a selector field
  char arrow_keys = ' ';
  int menu_missed_char = 0, menu_missed_func = 0;
  std::uint8_t new_field_option = 0;
  int missed_field_char = 0, missed_field_func = 0;
  int mb2_double_char = 0, mb2_double_func = 0;
  int mb2_release_char = 0, mb2_release_func = 0;

  // From the 70-byte block of function 16 (offsets 12-50).
  static MouseSettings from_block70(const std::uint8_t* block);
  // From the initialisation block's fields kept in SCR-COMMON.
  static MouseSettings from_common(const ScrCommon& c);
};

// The engine's event area: the KEY-EVENT, the wait mode and what the mouse
// handling reads and returns.
struct EventArea {
  KeyEvent key;
  char wait_mode = 'R';  // "N" pending window work only, "R" one event if any,
                         // "W" as "R" and wait when nothing is pending

  // ---- set by the engine before each call
  MouseSettings mouse;
  char field_type = ' ';  // the active field's type ("R"/"S" selectors)
  int field_row = 0, field_first_col = 0, field_last_col = 0;
  char menu_shown = 'N';  // "Y" a menu line is shown
  int menu_row = 0;
  std::string menu_line;       // its 80 characters as shown
  char menu_click_mode = ' ';  // "1" single click chooses, "2" double click

  // ---- returned with mouse events
  int mouse_row = 0, mouse_col = 0;
  bool in_field = false;
  bool button1 = false, button2 = false;  // buttons held after the event
  bool simulated = false;                 // the codes were simulated (Enter, label, missed field)

  // ---- returned with dropped files (scan byte 253)
  int drop_row = 0, drop_col = 0;
  int drop_count = 0;
};

inline constexpr char kWaitNone = 'N', kWaitRead = 'R', kWaitBlock = 'W';

// SCR_AMP: one pass.
void SCR_AMP(ScrCommon& c, EventArea& area);

// The mouse handling of the pump: true when the message produced an event.
bool handle_mouse(ScrCommon& c, const Message& m, EventArea& area);

// SCR_MOUS: the key named by the label under a click on the menu row.
struct LabelRequest {
  int column = 1;
  std::uint8_t alt = 0, ctrl = 0, shift_left = 0, shift_right = 0;
  std::string menu_line;  // 80 characters
  int character = 0;      // in: the menu-missed codes; out: the key found
  int extended = 0;
};
void SCR_MOUS(LabelRequest& request, ScrCommon& c);

}  // namespace kv::term
