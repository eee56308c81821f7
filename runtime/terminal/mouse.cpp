#include <algorithm>
#include <cctype>

#include "runtime/terminal/module_trace.h"
#include "runtime/terminal/pump.h"
#include "runtime/utilities/bytes.h"
#include "runtime/utilities/codepage.h"
#include "runtime/utilities/data_utils.h"

namespace kv::term {

MouseSettings MouseSettings::from_block70(const std::uint8_t* b) {
  MouseSettings s;
  s.mb1_double_char = get_s16(b + 12);
  s.mb1_double_func = get_s16(b + 14);
  s.mb1_selector = static_cast<char>(b[16]);
  s.arrow_keys = static_cast<char>(b[17]);
  s.menu_missed_char = get_s16(b + 19);
  s.menu_missed_func = get_s16(b + 21);
  s.new_field_option = b[23];
  s.missed_field_char = get_s16(b + 24);
  s.missed_field_func = get_s16(b + 26);
  s.mb2_double_char = get_s16(b + 43);
  s.mb2_double_func = get_s16(b + 45);
  s.mb2_release_char = get_s16(b + 47);
  s.mb2_release_func = get_s16(b + 49);
  return s;
}

MouseSettings MouseSettings::from_common(const ScrCommon& c) {
  MouseSettings s;
  s.mb1_double_char = c.mb1_double_char;
  s.mb1_double_func = c.mb1_double_func;
  s.mb1_selector = c.mb1_selector;
  s.arrow_keys = c.mouse_arrow_keys;
  s.menu_missed_char = c.menu_missed_char;
  s.menu_missed_func = c.menu_missed_func;
  s.new_field_option = c.new_field_option;
  s.missed_field_char = c.missed_field_char;
  s.missed_field_func = c.missed_field_func;
  s.mb2_double_char = c.mb2_double_char;
  s.mb2_double_func = c.mb2_double_func;
  s.mb2_release_char = c.mb2_release_char;
  s.mb2_release_func = c.mb2_release_func;
  return s;
}

namespace {

bool is_delimiter(char ch) { return ch == '=' || ch == '-' || ch == ':' || ch == '+' || ch == ' '; }

void produce(EventArea& a, int character, int extended, bool simulated) {
  a.key.status = 'Y';
  a.key.character = static_cast<std::uint16_t>(character);
  a.key.extended = static_cast<std::uint16_t>(extended);
  a.key.scan = kScanMouse;
  a.simulated = simulated;
}

bool on_menu_row(const EventArea& a) { return a.menu_shown == 'Y' && a.mouse_row == a.menu_row; }

void label_lookup(ScrCommon& c, EventArea& a, bool simulated) {
  LabelRequest q;
  q.column = a.mouse_col;
  Display& d = *c.display;
  q.alt = d.key_state(vk::kMenu) < 0;
  q.ctrl = d.key_state(vk::kControl) < 0;
  q.shift_left = d.key_state(vk::kShift) < 0;
  q.menu_line = a.menu_line;
  q.character = a.mouse.menu_missed_char;
  q.extended = a.mouse.menu_missed_func;
  SCR_MOUS(q, c);
  if (q.character == 0 && q.extended == 0) return;  // a code pair of 0 reports no key
  produce(a, q.character, q.extended, simulated);
}

void button1_down(ScrCommon& c, EventArea& a) {
  if (c.display && c.window) c.display->set_capture(c.window);
  c.captured = true;
  c.button1_held = true;
  int code = 0;
  if (c.pressed_state == 'N') {
    code = 15;
    c.pressed_state = 'E';
  }
  produce(a, 0, code, false);
  c.last_row = a.mouse_row;
  c.last_col = a.mouse_col;
}

}  // namespace

void SCR_MOUS(LabelRequest& q, ScrCommon&) {
  TraceModule& t = mous_module();
  t.index();
  std::string line = q.menu_line;
  line.resize(80, ' ');
  for (char& ch : line) ch = static_cast<char>(upper_byte(static_cast<std::uint8_t>(ch)));
  if (q.column < 1 || q.column > 80) return;
  std::size_t at = static_cast<std::size_t>(q.column - 1);
  if (line[at] == ' ') return;
  std::size_t start = at;
  while (start > 0 && line[start - 1] != ' ') --start;
  // The first two pieces from the word's start, split at the delimiters
  // (one delimiter ends a piece, so "SHIFT F1" names Shift+F1 as
  // "SHIFT-F1" does).
  std::string tokens[2];
  std::size_t i = start;
  for (int k = 0; k < 2 && i < 80; ++k) {
    std::size_t j = i;
    while (j < 80 && !is_delimiter(line[j])) ++j;
    tokens[k] = line.substr(i, j - i);
    i = j + 1;
  }
  std::string first = tokens[0].substr(0, 5);
  std::string prefix, name;
  if (first == "ALT" || first == "CTRL" || first == "SHIFT") {
    prefix = first.substr(0, 1);
    name = tokens[1];
  } else {
    name = first;
    if (!name.empty() && std::isdigit(static_cast<unsigned char>(name[0]))) name = "F" + name;
    if (q.alt)
      prefix = "A";
    else if (q.ctrl)
      prefix = "C";
    else if (q.shift_left || q.shift_right)
      prefix = "S";
  }
  std::string code = (prefix + name).substr(0, 4);
  code.resize(4, ' ');
  t("Label lookup", code);
  if (code == "ENTE") {
    q.character = 13;
    q.extended = 0;
    return;
  }
  if (const VocabularyEntry* e = find_key_code(code)) {
    q.character = 0;
    q.extended = e->extended;
  }
}

bool handle_mouse(ScrCommon& c, const Message& m, EventArea& a) {
  Display& d = *c.display;
  int cw = std::max(c.metrics.avg_width, 1), ch = std::max(c.metrics.height, 1);
  int x = point_x(m.lparam), y = point_y(m.lparam);
  a.mouse_row = (c.vscroll + y) / ch + 1;
  a.mouse_col = (c.hscroll + x) / cw + 1;
  a.in_field = a.mouse_row == a.field_row && a.mouse_col >= a.field_first_col &&
               a.mouse_col <= a.field_last_col;
  a.key.character = 0;
  a.key.extended = 0;
  a.simulated = false;
  a.key.shift_state = kv::shift_flags();
  bool produced = false;
  switch (m.message) {
    case wm::kMouseMove:
      if (c.button1_held && (a.mouse_row != c.last_row || a.mouse_col != c.last_col)) {
        button1_down(c, a);
        produced = true;
      }
      break;
    case wm::kLButtonDown:
      button1_down(c, a);
      produced = true;
      break;
    case wm::kLButtonUp: {
      if (c.captured) d.release_capture();
      c.captured = false;
      c.pressed_state = 'N';
      bool on_menu = on_menu_row(a);
      if ((a.field_type == 'R' || a.field_type == 'S') && a.mouse.mb1_selector == '1' &&
          a.in_field) {
        produce(a, 13, 0, true);
        produced = true;
      } else if (a.menu_click_mode == '1' && on_menu) {
        label_lookup(c, a, true);
        produced = a.key.status == 'Y';
        amp_module()("Mouse-LButtonUp", "Menu Action");
      } else if (!a.in_field && !on_menu &&
                 (a.mouse.missed_field_char != 0 || a.mouse.missed_field_func != 0)) {
        produce(a, a.mouse.missed_field_char, a.mouse.missed_field_func, true);
        produced = true;
      }
      c.button1_held = false;
      break;
    }
    case wm::kLButtonDblClk:
      if (a.menu_click_mode == '2' && on_menu_row(a)) {
        label_lookup(c, a, true);
        produced = a.key.status == 'Y';
      } else if (a.mouse.mb1_double_char != 0 || a.mouse.mb1_double_func != 0) {
        produce(a, a.mouse.mb1_double_char, a.mouse.mb1_double_func, false);
        produced = true;
      }
      break;
    case wm::kRButtonDown:
      c.button2_held = true;
      break;
    case wm::kRButtonUp:
      if (c.button2_held) {
        c.button2_held = false;
        if (a.mouse.mb2_release_char != 0 || a.mouse.mb2_release_func != 0) {
          produce(a, a.mouse.mb2_release_char, a.mouse.mb2_release_func, false);
          produced = true;
        }
      }
      break;
    case wm::kRButtonDblClk:
      if (a.mouse.mb2_double_char != 0 || a.mouse.mb2_double_func != 0) {
        produce(a, a.mouse.mb2_double_char, a.mouse.mb2_double_func, false);
        produced = true;
      }
      break;
    default:  // middle button: traced only
      amp_module()("Mouse", "Middle button", num(static_cast<long>(m.message)));
      break;
  }
  a.button1 = c.button1_held;
  a.button2 = c.button2_held;
  return produced;
}

}  // namespace kv::term
