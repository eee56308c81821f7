// A small program that shows a screen on the tty display through the
// window logic (the cell screen, the message pump, the key menus) and logs
// every event the pump returns, for the tmux tests.
//
//   tty_driver LOGFILE [alt=0|1] [rows=N] [close=CODE]
//
// The screen: a title row, a CP437 double box, a strip of the 16
// background colours and one of the 16 foregrounds, an input field on row
// 10 (columns 10-29) where typed characters appear, the last event on row
// 22 and a key-label line on the last row.  Typed characters drive it:
//   b  an internal-error box        s  a status message    w  withdraw it
//   a  an abort (the process ends)  q  close down and end
// Log lines: READY, KEY ch= ext= scan=, MOUSE row= col= ch= ext= in= sim=,
// BOX result=, QUIT, EXIT.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "runtime/engine/diagnostics.h"
#include "runtime/terminal/cell_screen.h"
#include "runtime/terminal/keys.h"
#include "runtime/terminal/pump.h"
#include "runtime/terminal/terminal.h"
#include "runtime/utilities/boxes.h"

using namespace kv::term;

namespace {

FILE* g_log = nullptr;
std::string g_field(20, ' ');
int g_caret = 0;

void log_line(const std::string& s) {
  std::fprintf(g_log, "%s\n", s.c_str());
  std::fflush(g_log);
}

void write_cells(int row, int col, const std::string& bytes, std::uint8_t attr) {
  write_text(common(), row, col, bytes, attr);
}

void set_caret(int row, int col) {
  move_caret(common(), row, col);
}

std::string pad(std::string s, std::size_t n) {
  s.resize(n, ' ');
  return s;
}

const char* kMenuLine = "F1=Help  F3=Exit  AX=Exit  1=Menu";

void paint(int rows) {
  ScrCommon& c = common();
  VioRequest q;
  q.function = vio::kClear;
  q.clear_attribute = 0x07;
  q.window = c.window;
  SCR_VIO(q, nullptr, c);
  write_cells(1, 1, pad(" tty driver", 80), 0x1F);
  write_cells(3, 2, "\xC9\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xBB", 0x0E);
  write_cells(4, 2, "\xBA Box \xB3\x01 \xBA", 0x0E);
  write_cells(5, 2, "\xC8\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xBC", 0x0E);
  for (int b = 0; b < 16; ++b)
    write_cells(7, 2 + b * 3, std::string(1, static_cast<char>("0123456789ABCDEF"[b])) + "  ",
                static_cast<std::uint8_t>(b * 16 + (b == 15 ? 0 : 15)));
  for (int f = 0; f < 16; ++f)
    write_cells(8, 2 + f * 3, std::string(1, static_cast<char>("0123456789ABCDEF"[f])) + "  ",
                static_cast<std::uint8_t>(f));
  write_cells(10, 2, "Field:", 0x07);
  write_cells(10, 10, g_field, 0x70);
  write_cells(22, 1, pad("Last event:", 80), 0x0E);
  write_cells(rows, 1, pad(kMenuLine, 80), 0x30);
  set_caret(10, 10 + g_caret);
  VioRequest on;
  on.function = vio::kCaretOnOff;
  on.caret_on = 1;
  on.window = c.window;
  SCR_VIO(on, nullptr, c);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: tty_driver LOGFILE [alt=0|1] [rows=N] [close=CODE]\n");
    return 2;
  }
  g_log = std::fopen(argv[1], "w");
  if (!g_log) return 2;
  char alt = '0';
  int rows = 25, close = 0;
  for (int i = 2; i < argc; ++i) {
    if (std::strncmp(argv[i], "alt=", 4) == 0)
      alt = argv[i][4];
    else if (std::strncmp(argv[i], "rows=", 5) == 0)
      rows = std::atoi(argv[i] + 5);
    else if (std::strncmp(argv[i], "close=", 6) == 0)
      close = std::atoi(argv[i] + 6);
  }
  first_call_setup();
  ScrCommon& c = common();
  c.screen_rows = static_cast<std::int16_t>(rows);
  c.alt_key_handling = alt;
  c.global_close_value = static_cast<std::int16_t>(close);
  c.window_title = "tty driver";
  std::string menu_line = pad(kMenuLine, 80);
  std::string alt_line = pad("AX=Exit", 80), blank(80, ' ');
  std::string fkeys = pad("F1=Help  F3=Exit", 80);
  SCR_MP({alt_line, blank, blank, blank, fkeys}, c);
  ensure_window();
  paint(rows);
  c.current_field_length = 20;
  c.field_image = g_field;
  c.paste_room = 20;
  log_line(std::string("READY display=") + c.display->name() + " pid=" + std::to_string(getpid()));

  EventArea a;
  a.wait_mode = kWaitBlock;
  a.field_type = ' ';
  a.field_row = 10;
  a.field_first_col = 10;
  a.field_last_col = 29;
  a.menu_shown = 'Y';
  a.menu_row = rows;
  a.menu_line = menu_line;
  a.menu_click_mode = '1';
  a.mouse.mb1_double_func = 48;
  a.mouse.mb2_double_func = 22;
  a.mouse.mb2_release_func = 60;
  for (;;) {
    SCR_AMP(c, a);
    KeyEvent& k = a.key;
    if (k.status == 'Q') {
      log_line("QUIT");
      close_down();
      return 0;
    }
    if (k.status != 'Y') continue;
    char line[160];
    if (k.scan == kScanMouse)
      std::snprintf(line, sizeof line, "MOUSE row=%d col=%d ch=%d ext=%d in=%d sim=%d", a.mouse_row,
                    a.mouse_col, k.character, k.extended, a.in_field ? 1 : 0, a.simulated ? 1 : 0);
    else
      std::snprintf(line, sizeof line, "KEY ch=%d ext=%d scan=%d", k.character, k.extended, k.scan);
    log_line(line);
    write_cells(22, 13, pad(line, 68), 0x0E);
    if (k.scan == kScanMouse || k.extended != 0) continue;
    switch (k.character) {
      case 'b': {
        int r = kv::show_box(kv::kBoxInternal, "", "Test box text\rSecond line", "TTYDRV");
        log_line("BOX result=" + std::to_string(r));
        continue;
      }
      case 's':
        kv::show_box(kv::kBoxStatus, "", "Status message text", "TTYDRV");
        continue;
      case 'w':
        kv::show_box(kv::kBoxWithdraw, "", "", "TTYDRV");
        continue;
      case 'a':
        kv::engine::abort_panel(3, "TTYPANEL");
      case 'q':
        close_down();
        log_line("EXIT");
        std::puts("driver finished");
        return 0;
      default:
        break;
    }
    if (k.character >= 0x20 && k.character < 0x100 && g_caret < 20) {
      g_field[static_cast<std::size_t>(g_caret)] = static_cast<char>(k.character);
      write_cells(10, 10 + g_caret, std::string(1, static_cast<char>(k.character)), 0x70);
      ++g_caret;
      set_caret(10, 10 + g_caret);
      c.field_image = g_field;
      c.paste_room = static_cast<std::int16_t>(20 - g_caret);
    }
  }
}
