// What the layers above the terminal window ask of it: the process's
// display and common area, the first-call set-up, the window on first
// need, screen save and restore, close-down, the yield pass of the message
// pump, the window rectangle and the dropped-files state.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "runtime/terminal/scr_common.h"

namespace kv::term {

// Sets up the cell screen (spaces, attribute 7), chooses the display
// (KORVEXAN_DISPLAY, else tty on a terminal, else qt when a display is
// reachable, else headless) and installs the message-box routine and the
// platform hooks (key states, beep) for it.  Later calls keep the display
// already chosen.
void first_call_setup();

// Replaces the process's display (tests, or an embedding program) and
// installs the hooks for it.
void use_display(std::unique_ptr<Display> d);

bool has_window();

// Milliseconds on the display's clock (virtual on the headless display):
// what time-outs are measured on.  Timer messages wake a waiting pump every
// 250 ms of this clock.
std::uint64_t tick_ms();
// Creates the window when it does not exist yet (the engine's first need).
void ensure_window();

// Screen save and restore into an application's SCREEN-SAVE-AREA (rows of
// the current screen mode), through the cell screen.
void screen_save(std::uint8_t* save_area);
void screen_restore(std::uint8_t* save_area);

// Destroys the window and unregisters its class (function 15); the
// debugging window and a modeless status window go with it.
void close_down();
void close_down(ScrCommon& c);

// One pass of the message pump in its no-wait mode (function 19).
void yield();

// The window's outer rectangle (left, top, right, bottom) in the display's
// pixels; all zero without a window.
using WindowRect = Rect;
WindowRect window_rect();

// Files dropped on the window (function 18).
Drops& drops();
void drops_register(bool on);      // register/withdraw the window for drops
std::string drop_file(int index);  // 1-based; empty when out of range
void drop_release();

}  // namespace kv::term
