// The key-label lines and the menu row (with the floppy lines that follow
// Alt, Ctrl and Shift), the key menus handed to the window, and the status
// indicators on the bottom row.

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "runtime/engine/diagnostics.h"
#include "runtime/engine/dialogue.h"
#include "runtime/engine/options.h"
#include "runtime/engine/painting.h"
#include "runtime/engine/timeouts.h"
#include "runtime/masks/scrmask.h"
#include "runtime/terminal/keys.h"
#include "runtime/terminal/terminal.h"
#include "runtime/utilities/boxes.h"
#include "runtime/utilities/bytes.h"
#include "runtime/utilities/data_utils.h"

namespace kv::engine {

ShiftBits shift_bits(std::uint8_t b) {
  ShiftBits s;
  s.alt = b & 0x08;
  s.ctrl = b & 0x04;
  s.shift = b & 0x03;
  return s;
}

namespace {

constexpr const char* kFloppyLost = "Floppy Menu storage was CANCELled or corrupted!";

// The key menus are rebuilt only when what they are built from changed.
struct PublishedMenus {
  std::array<std::string, 5> lines;
  std::int16_t close_value = -1;
  term::WindowId window = 0;
  bool valid = false;
};
PublishedMenus& published() {
  static PublishedMenus p;
  return p;
}

}  // namespace

void Dialogue::prepare_menu_lines() {
  for (int i = 0; i < 4; ++i) lines[static_cast<std::size_t>(i)].assign(80, ' ');
  floppy_active = false;
  floppy_on.fill(false);
  KeptTable& t = options().floppy_menus;
  if (t.on && check_kept_table(t, "MENU", kFloppyLost) && storage_readable(t.address, 328)) {
    const std::uint8_t* b = t.address;
    bool any = b[4] || b[5] || b[6] || b[7];
    if (any) {
      floppy_active = true;
      for (int i = 0; i < 4; ++i) {
        std::uint8_t flag = b[4 + i];
        if (!is_on(flag)) continue;
        floppy_on[static_cast<std::size_t>(i)] = true;
        std::uint8_t text[80];
        std::memcpy(text, b + 8 + 80 * i, 80);
        if (flag == 0xE8) kv::ebcdic_to_ascii(text, 80, 'N');
        lines[static_cast<std::size_t>(i)].assign(reinterpret_cast<char*>(text), 80);
      }
    }
  } else if (t.on && !storage_readable(t.address, 328)) {
    t.on = false;
    warning_box(kv::kBoxDeveloper, kFloppyLost);
  }
  lines[4] = std::string(rec.menu_line());
}

void Dialogue::show_menu_line(bool force) {
  // 4. The line for the modifiers held.
  const std::string* line = &lines[4];
  if (floppy_active) {
    if (shift.shift && floppy_on[2])
      line = &lines[2];
    else if (shift.ctrl && !shift.shift && floppy_on[1])
      line = &lines[1];
    else if (shift.alt && !shift.ctrl && !shift.shift && floppy_on[0])
      line = &lines[0];
  }
  int state = (shift.alt ? 4 : 0) | (shift.ctrl ? 2 : 0) | (shift.shift ? 1 : 0);
  if (state == shown_shift && !force) return;
  shown_shift = state;
  shown_line = *line;
  menu_shown = reserved > 0;
  if (!menu_shown) return;
  // The menu row is shown at once, whatever the call's update mode.
  write_cells(rows, 1, reinterpret_cast<const std::uint8_t*>(line->data()),
              std::min<int>(columns, 80), menu_colour, true);
}

void Dialogue::publish_key_menus() {
  term::ScrCommon& c = term::common();
  c.panel_close_value = rec.close_keyvalue();
  PublishedMenus& p = published();
  if (p.valid && p.lines == lines && p.close_value == c.panel_close_value && p.window == c.window)
    return;
  p.lines = lines;
  p.close_value = c.panel_close_value;
  p.window = c.window;
  p.valid = true;
  std::array<std::string_view, 5> views;
  for (std::size_t i = 0; i < 5; ++i) views[i] = lines[i];
  term::SCR_MP(views, c);
}

void Dialogue::write_indicator_position() {
  if (reserved <= 0) return;
  char kind = static_cast<char>(rec.indicators());
  if (kind < '1' || kind > '4') return;
  term::ScrCommon& c = term::common();
  int row = c.caret_row, col = c.caret_column;
  char text[16];
  switch (kind) {
    case '1':
      std::snprintf(text, sizeof text, " r%02dc%02d", row % 100, col % 100);
      break;
    case '2':
      std::snprintf(text, sizeof text, " Row %02d", row % 100);
      break;
    case '3':
      std::snprintf(text, sizeof text, " Col %02d", col % 100);
      break;
    default:
      std::snprintf(text, sizeof text, " %03d-%02d", active % 1000, (pos + 1) % 100);
      break;
  }
  write_cells(rows, 74, reinterpret_cast<const std::uint8_t*>(text), 7, menu_colour, true);
}

void Dialogue::write_indicator_state(bool force) {
  if (reserved <= 0) return;
  char kind = static_cast<char>(rec.indicators());
  std::uint8_t text[16];
  if (kind == '5') {
    int state = shift_byte;
    if (!force && state == shown_second) return;
    shown_second = state;
    bool insert = term::common().insert_flag == 'Y';
    text[0] = ' ';
    text[1] = (shift_byte & 0x02) ? 0x18 : ' ';
    text[2] = (shift_byte & 0x40) ? 'C' : 'c';
    text[3] = (shift_byte & 0x20) ? 'N' : ' ';
    text[4] = (shift_byte & 0x10) ? 'S' : ' ';
    text[5] = (shift_byte & 0x01) ? 0x18 : ' ';
    text[6] = insert ? '^' : ' ';
    write_cells(rows, 74, text, 7, menu_colour, true);
  } else if (kind == '6' || kind == '7') {
    ClockTime now = clock_now();
    int second = now.hour * 3600 + now.minute * 60 + now.second;
    if (!force && second == shown_second) return;
    shown_second = second;
    int hour = now.hour;
    if (kind == '6' && hour > 12) hour -= 12;
    char sep = static_cast<char>(kv::mask::country_values().time_sep);
    char buf[16];
    std::snprintf(buf, sizeof buf, " %02d%c%02d%c%02d", hour % 100, sep, now.minute % 100, sep,
                  now.second % 100);
    write_cells(rows, 72, reinterpret_cast<const std::uint8_t*>(buf), 9, menu_colour, true);
  } else if (kind == '8') {
    term::ScrCommon& c = term::common();
    int r = std::clamp<int>(c.caret_row, 1, 50), col = std::clamp<int>(c.caret_column, 1, 80);
    std::uint8_t ch = c.chars[static_cast<std::size_t>((r - 1) * 80 + (col - 1))];
    if (!force && ch == shown_char) return;
    shown_char = ch;
    char buf[16];
    std::snprintf(buf, sizeof buf, " %c %02X/%03d", ' ', ch, ch);
    buf[1] = static_cast<char>(ch);
    write_cells(rows, 72, reinterpret_cast<const std::uint8_t*>(buf), 9, menu_colour, true);
  }
}

}  // namespace kv::engine
