// A small program in the place of the panel engine: it opens the window
// on the chosen display, paints a one-field form and runs the pump in its
// waiting mode, printing every event.  F3 ends it, as does a confirmed
// close (Alt+F4 is the close key).

#include <cstdio>
#include <string>

#include "runtime/terminal/cell_screen.h"
#include "runtime/terminal/keys.h"
#include "runtime/terminal/pump.h"
#include "runtime/terminal/terminal.h"
#include "runtime/utilities/boxes.h"

using namespace kv::term;

namespace {

void write(ScrCommon& c, int row, int col, const std::string& text, std::uint8_t attr) {
  write_text(c, row, col, text, attr);
}

void caret(ScrCommon& c, int row, int col) {
  move_caret(c, row, col);
}

}  // namespace

int main() {
  first_call_setup();
  ScrCommon& c = common();
  c.screen_rows = 25;
  c.screen_columns = 80;
  c.window_title = "Driver";
  c.about_text = "Terminal driver";
  c.global_close_value = 107;
  c.alt_key_handling = '1';
  ensure_window();
  if (!has_window()) return 2;
  const std::string menu = "F1=Help  F3=Exit  Alt-F4=Quit";
  SCR_MP({"", "", "", "", menu}, c);
  VioRequest clear;
  clear.function = vio::kClear;
  clear.clear_attribute = 0x17;
  SCR_VIO(clear, nullptr, c);
  write(c, 2, 3, "Name:", 0x17);
  write(c, 2, 9, std::string(10, '_'), 0x1F);
  write(c, 25, 1, menu, 0x70);
  int col = 9;
  caret(c, 2, col);
  VioRequest on;
  on.function = vio::kCaretOnOff;
  on.caret_on = 1;
  SCR_VIO(on, nullptr, c);
  c.current_field_length = 10;
  c.paste_room = 10;
  c.field_image = "__________";
  for (;;) {
    EventArea a;
    a.wait_mode = kWaitBlock;
    a.field_row = 2;
    a.field_first_col = 9;
    a.field_last_col = 18;
    a.menu_shown = 'Y';
    a.menu_row = 25;
    a.menu_line = menu;
    a.menu_click_mode = '1';
    SCR_AMP(c, a);
    if (a.key.status == 'N') continue;
    if (a.key.status == 'Q') {
      std::printf("quit\n");
      break;
    }
    std::printf("key char=%d ext=%d scan=%d", a.key.character, a.key.extended, a.key.scan);
    if (a.key.scan == kScanMouse) std::printf(" at %d,%d", a.mouse_row, a.mouse_col);
    std::printf("\n");
    std::fflush(stdout);
    if (a.key.extended == 61) break;
    if (a.key.character >= ' ' && a.key.extended == 0 && col <= 18) {
      write(c, 2, col, std::string(1, static_cast<char>(a.key.character)), 0x1F);
      caret(c, 2, ++col);
    }
  }
  close_down();
  return 0;
}
