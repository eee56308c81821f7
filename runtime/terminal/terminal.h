// What the layers above the terminal window ask of it: the process's
// display, the first-call set-up, screen save and restore, close-down, the
// yield pass of the message pump and the dropped-files state.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/terminal/scr_common.h"

namespace kv::term {

// Sets up the cell screen and chooses the display (KORVEXAN_DISPLAY, else
// tty on a terminal, else qt when a display is reachable, else headless).
// Safe to call again: later calls keep the display already chosen.
void first_call_setup();

bool has_window();

// Screen save and restore into an application's SCREEN-SAVE-AREA (rows of
// the current screen mode).
void screen_save(std::uint8_t* save_area);
void screen_restore(std::uint8_t* save_area);

// Destroys the window and unregisters its class (function 15).
void close_down();

// One pass of the message pump in its no-wait mode (function 19).
void yield();

// Window placement for function 17 and the settings file: the window's
// outer rectangle (left, top, right, bottom).
struct WindowRect {
  int left = 0, top = 0, right = 0, bottom = 0;
};
WindowRect window_rect();

// Files dropped on the window (function 18 and the SKR_DRAG entries).
struct Drops {
  bool accepting = false;
  std::int32_t key_code = 0;     // exit key reported for a drop
  std::int32_t count = 0;        // files in the last drop
  bool held = false;             // a drop is held until released
};
Drops& drops();
void drops_register(bool on);    // register/withdraw the window for drops
std::string drop_file(int index);  // 1-based; empty when out of range
void drop_release();

}  // namespace kv::term
