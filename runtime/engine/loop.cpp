// The keystroke loop: taking events (time-outs, the message pump, the
// mouse's arrow simulation), the per-key processing, the dispatch of keys,
// data characters, moves between fields with their validation, and mouse
// clicks into fields.

#include <algorithm>
#include <cstring>

#include "runtime/engine/colours.h"
#include "runtime/engine/diagnostics.h"
#include "runtime/engine/dialogue.h"
#include "runtime/engine/messages.h"
#include "runtime/engine/options.h"
#include "runtime/engine/painting.h"
#include "runtime/engine/per_key.h"
#include "runtime/engine/tables.h"
#include "runtime/engine/timeouts.h"
#include "runtime/engine/validation.h"
#include "runtime/masks/scrmask.h"
#include "runtime/terminal/keys.h"
#include "runtime/terminal/terminal.h"
#include "runtime/utilities/bytes.h"
#include "runtime/utilities/data_utils.h"
#include "runtime/utilities/platform.h"

namespace kv::engine {

namespace {

constexpr int kBackspace = 8, kTab = 9, kEnter = 13, kEsc = 27, kShiftTab = 15;
constexpr int kHome = 71, kUp = 72, kLeft = 75, kRight = 77, kDown = 80;
constexpr int kInsert = 82, kDelete = 83, kCtrlEnd = 117;

bool selector(std::uint8_t type) { return type == 'P' || type == 'S' || type == 'R'; }

term::MouseSettings mouse_settings() {
  const Options& o = options();
  return o.mouse_set ? term::MouseSettings::from_block70(o.mouse.data())
                     : term::MouseSettings::from_common(term::common());
}

}  // namespace

// ---------------------------------------------------------------- small helpers

void Dialogue::set_exit(int key) {
  exit_key = static_cast<std::int16_t>(key);
  rec.set_exit_key(exit_key);
}

int Dialogue::caret_value() const {
  if (term::common().insert_flag == 'Y') return 4;
  if (ad.type == 'S' || ad.type == 'R') return 0;
  if (ad.caret_off()) return 0;
  if (ad.caret_half()) return 2;
  if (ad.caret_three_quarter()) return 3;
  std::uint8_t t = rec.cursor_type();
  if (t >= '0' && t <= '4') return t - '0';
  return 1;
}

void Dialogue::put_cells(int row, int col, const std::uint8_t* text, int length,
                         std::uint8_t attr) {
  // A position past the end of its row continues on the rows below.
  if (columns > 0 && col > columns) {
    row += (col - 1) / columns;
    col = (col - 1) % columns + 1;
  }
  write_cells(row, col, text, length, attr, immediate);
}

void Dialogue::move_cursor(int p) {
  if (!active) return;
  pos = std::clamp(p, 0, std::max(alen - 1, 0));
  int row = arow, col = acol + pos;
  if (columns > 0 && col > columns) {
    row += (col - 1) / columns;
    col = (col - 1) % columns + 1;
  }
  rec.set_cursor_row(static_cast<std::int16_t>(row));
  rec.set_cursor_col(static_cast<std::int16_t>(col));
  set_caret(row, col, caret_value());
}

void Dialogue::update_caret() { move_cursor(pos); }

void Dialogue::mark_modified() {
  modified = true;
  // A changed Must Valid or Required field is checked before the call
  // returns, also when this call did not paint it.
  bool checked = (ad.must_valid() || ad.required()) && !option_protects(active_option);
  rec.set_field_paint(active, checked ? 'v' : 0x00);
}

void Dialogue::show_text(const std::string& text80) {
  show_message(rec, text80);
  skip_refresh = true;
  wait_for_release = true;
}

void Dialogue::show_application_message() {
  int n = rec.display_option();
  if (n <= 0) return;
  if (n > 1) {
    rec.set_display_option(static_cast<std::uint16_t>(n + 100));
    show_message(rec, tables().message(n + 100));
  } else {
    show_message(rec, application_message(rec, 1));
  }
}

// ---------------------------------------------------------------- the fields

void Dialogue::load_field(int n) {
  if (arrow_exit_named()) wd.set_mask(n, 0);
  active = n;
  ad = descriptor(n);
  active_option = rec.field_option(n);
  arow = field_row(n);
  acol = field_col(n);
  alen = build_image(n, edit.data());
  entry = edit;
  alast = acol + std::max(alen, 1) - 1;
  aformatted = is_formatted(ad);
  modified = false;
  acolour = active_colour;
  write_field(n, acolour, edit.data(), alen);
  // Clear Buff asks for pending type-ahead to be dropped; the window keeps
  // no type-ahead of its own beyond the queue, so nothing is discarded.
  move_cursor(0);
}

// The first enterable field along one kind of link (the descriptor's
// next link at offset 14, its previous link at 12); a full circle, or a
// link out of range, ends on the field itself.
int Dialogue::enterable_along(int from, std::size_t link) const {
  int n = from;
  for (int i = 0; i < field_count; ++i) {
    int to = get_u16(wd.descriptor_bytes(n) + link);
    if (to < 1 || to > field_count) return from;
    n = to;
    if (input_field(n)) return n;
    if (n == from) return from;
  }
  return from;
}

int Dialogue::next_enterable(int from) const { return enterable_along(from, 14); }

int Dialogue::previous_enterable(int from) const { return enterable_along(from, 12); }

int Dialogue::convert_back_active() {
  if (!active || !aformatted || selector(ad.type) || ad.type == 'X' ||
      option_protects(active_option))
    return 0;
  const auto& cv = kv::mask::country_values();
  std::uint8_t img[160];
  std::memcpy(img, edit.data(), 160);
  std::uint8_t fill = options().empty_fill();
  if (fill != 0)
    for (int i = 0; i < alen; ++i)
      if (img[i] == fill) img[i] = ' ';
  if (ad.type == '3' && alen > 0 && std::find(img, img + alen, cv.decimal) == img + alen) {
    int k = 0;
    for (int i = 0; i < alen; ++i) {
      std::uint8_t c = img[i];
      if ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == 'D' || c == 'C' || c == 'B' ||
          c == 'R')
        img[k++] = c;
    }
    std::memset(img + k, ' ', static_cast<std::size_t>(alen - k));
    if (img[alen - 1] < '0' || img[alen - 1] > '9') img[alen - 1] = cv.decimal;
  }
  std::uint8_t value[160];
  std::memset(value, ' ', sizeof value);
  kv::mask::MaskRequest q = field_request(ad, alen, 'U', tables());
  kv::mask::SCRMASK(q, value, img, &term::common());
  if (q.return_code == kv::mask::kRcOverflow) return q.return_code;
  if (q.return_code > 0) abort(q.return_code);
  std::uint8_t kind = q.mask_record[0];
  int len = (kind == 'N' || kind == 'D' || q.mode == 'H') ? q.data_length : ad.length;
  len = std::clamp(len, 0, std::min<int>(ad.length, 160));
  std::uint8_t* data = field_data(active);
  std::memcpy(data, value, static_cast<std::size_t>(len));
  if (ad.type == '5') date_from_country_order(data, len, cv.date_order);
  return 0;
}

void Dialogue::store_active_data(int from) {
  if (!active || aformatted) return;
  std::uint8_t* data = field_data(active);
  std::uint8_t fill = options().empty_fill();
  int end = std::min<int>(alen, ad.length);
  for (int i = std::max(from, 0); i < end; ++i)
    data[i] = (fill != 0 && edit[static_cast<std::size_t>(i)] == fill)
                  ? ' '
                  : edit[static_cast<std::size_t>(i)];
}

// Removes the character under the cursor: the rest of the field moves one
// place left and a blank comes in at its end.
void Dialogue::close_gap_at_cursor() {
  std::memmove(edit.data() + pos, edit.data() + pos + 1, static_cast<std::size_t>(alen - pos - 1));
  edit[static_cast<std::size_t>(alen - 1)] = ' ';
  store_active_data(pos);
  rewrite_active(pos, alen - pos);
}

void Dialogue::rewrite_active(int from, int count) {
  if (!active) return;
  from = std::max(from, 0);
  count = std::min(count, alen - from);
  if (count <= 0) return;
  bool hidden = ad.hidden();
  bool pre = ad.predisplay() && !option_no_predisplay(active_option);
  if (!pre) {
    std::uint8_t buf[160];
    for (int i = 0; i < count; ++i)
      buf[i] = hidden ? ' ' : edit[static_cast<std::size_t>(from + i)];
    put_cells(arow, acol + from, buf, count, acolour);
    return;
  }
  std::uint8_t* data = aformatted ? nullptr : field_data(active);
  for (int i = from; i < from + count; ++i) {
    ExitState s = exit_state(arow, acol + i, acolour);
    s.cursor_pos = i + 1;
    ExitResult r = call_exit('D', rec.pre_exit_name(), s, edit[static_cast<std::size_t>(i)], 0, 0,
                             rec.data(), pass);
    edit[static_cast<std::size_t>(i)] = r.character;
    if (data && i < ad.length) data[i] = r.character;
    std::uint8_t shown = hidden ? ' ' : r.character;
    put_cells(arow, acol + i, &shown, 1, r.called ? r.attr : acolour);
  }
}

bool Dialogue::validate_field(int n) {
  if (n < 1 || n > field_count) return true;
  FieldCheck f;
  f.number = n;
  f.descriptor = descriptor(n);
  f.field_option = rec.field_option(n);
  // The check works on a copy of the field's data: a date field shorter
  // than its six or eight digits, or a mask whose digits outnumber the
  // field, must not reach past the field in the application's record.
  std::uint8_t* data = field_data(n);
  const std::size_t data_len = std::min<std::size_t>(f.descriptor.length, 160);
  std::uint8_t scratch[160];
  std::memset(scratch, ' ', sizeof scratch);
  std::memcpy(scratch, data, data_len);
  f.data = scratch;
  std::uint8_t image[160];
  if (n == active) {
    std::memcpy(image, edit.data(), 160);
    f.display_length = alen;
  } else {
    f.display_length = build_image(n, image);
  }
  f.edit_image = image;
  CheckContext cx;
  cx.panel = rec;
  cx.work_d = wd;
  cx.cursor = &validation_cursor;
  cx.tables = &tables();
  cx.empty_fill = options().empty_fill();
  FieldCheckResult r = check_field(f, cx);
  std::memcpy(data, scratch, data_len);
  if (r.set_paint) rec.set_field_paint(n, r.paint);
  if (!r.passed) {
    validation_failed(n, r.message, r.text);
    return false;
  }
  return true;
}

void Dialogue::validation_failed(int n, int message, const std::string& text) {
  // The move or return that asked for the check does not happen; a hot
  // field's exit key set on the way is dropped with it.
  set_exit(0);
  if (n != active) {
    // The field that held the cursor is no longer the active one.
    if (active) paint_field(active, own_colour(active));
    load_field(n);
  }
  acolour = error_colour;
  write_field(active, acolour, edit.data(), alen);
  move_cursor(0);
  show_text(text.empty() ? tables().message(message) : text);
}

bool Dialogue::leave_field(bool validate, bool hot_rule) {
  if (!active) return true;
  if (validate) {
    if (!validate_field(active)) return false;
  } else if (convert_back_active() == kv::mask::kRcOverflow) {
    validation_failed(active, kMsgOverflow, {});
    return false;
  }
  paint_field(active, own_colour(active));
  if (hot_rule && (ad.hot_field() || (ad.hot_modify() && modified))) set_exit(1000 + active);
  return true;
}

bool Dialogue::enter_field(int n) {
  load_field(n);
  // A hot field ends the dialogue once the cursor stands in the next field.
  return exit_key > 1000;
}

bool Dialogue::next_field_move() {
  if (!active) return false;
  if (!leave_field(true, true)) return false;
  return enter_field(next_enterable(active));
}

bool Dialogue::previous_field_move() {
  if (!active) return false;
  if (!validate_field(active)) return false;
  if (pos > 0) {
    move_cursor(0);
    return false;
  }
  if (!leave_field(false, true)) return false;
  return enter_field(previous_enterable(active));
}

// ---------------------------------------------------------------- events

void Dialogue::refresh() {
  term::ScrCommon& c = term::common();
  if (active) {
    c.field_image.assign(reinterpret_cast<const char*>(edit.data()),
                         static_cast<std::size_t>(alen));
    c.current_field_length = static_cast<std::int16_t>(alen);
    c.paste_room = static_cast<std::int16_t>(alen - pos);
    if (options().misc[10] == 'Y') c.paste_room = options().paste_room;
  } else {
    c.field_image.clear();
    c.current_field_length = 0;
    c.paste_room = 0;
  }
  publish_key_menus();
  if (active) {
    rec.set_cursor_row(static_cast<std::int16_t>(c.caret_row));
    rec.set_cursor_col(static_cast<std::int16_t>(c.caret_column));
  }
  write_indicator_position();
  rec.set_shift_states(0xFF);
}

bool Dialogue::next_simulated_key(term::EventArea& area) {
  term::ScrCommon& c = term::common();
  int crow = c.caret_row, ccol = c.caret_column;
  int code = 0;
  if (sim_col < ccol && ccol > 1)
    code = kLeft;
  else if (sim_col > ccol && ccol < columns)
    code = kRight;
  else if (sim_row < crow && crow > 1)
    code = kUp;
  else if (sim_row > crow && crow < rows - 1)
    code = kDown;
  if (code == 0) {
    simulating = false;
    return false;
  }
  area.key = {};
  area.key.status = 'Y';
  area.key.extended = static_cast<std::uint16_t>(code);
  area.key.scan = kSourceMouse;
  area.simulated = true;
  return true;
}

bool Dialogue::take_event(term::EventArea& area) {
  if (simulating) return next_simulated_key(area);
  TimeoutCheck tc = check_timeouts(
      exit_state(term::common().caret_row, term::common().caret_column, acolour), rec.data(), pass);
  for (const std::string& text : tc.messages) show_text(text);
  if (tc.has_key) {
    area.key = {};
    area.key.status = 'Y';
    area.key.character = tc.key.character;
    area.key.extended = tc.key.extended;
    area.key.scan = tc.key.source;
    area.key.shift_state = kv::shift_flags();
    area.simulated = false;
    return true;
  }
  prepare_event_area(area);
  area.wait_mode = term::kWaitBlock;
  area.key.status = 'N';
  term::SCR_AMP(term::common(), area);
  return area.key.status != 'N';
}

void Dialogue::prepare_event_area(term::EventArea& area) const {
  area.mouse = mouse_settings();
  area.field_type = active ? static_cast<char>(ad.type) : ' ';
  area.field_row = active ? arow : 0;
  area.field_first_col = active ? acol : 0;
  area.field_last_col = active ? alast : 0;
  area.menu_shown = menu_shown ? 'Y' : 'N';
  area.menu_row = rows;
  area.menu_line = shown_line;
  area.menu_click_mode = '1';
}

void Dialogue::event_state(const term::EventArea& area, bool got) {
  term::ScrCommon& c = term::common();
  std::uint8_t b = got ? static_cast<std::uint8_t>(area.key.shift_state & 0xFF)
                       : static_cast<std::uint8_t>(kv::shift_flags() & 0xFF);
  // The modifiers held are read from the display as well: the shift-flag
  // routine reports Alt, Ctrl and Shift only through their toggle history.
  if (c.display) {
    term::Modifiers m = term::read_modifiers(*c.display);
    if (m.alt) b |= 0x08;
    if (m.ctrl) b |= 0x04;
    if (m.shift) b |= 0x02;
  }
  shift_byte = b;
  shift = shift_bits(b);
  if (got) {
    if (area.key.scan == kSourceMouse && !area.simulated) {
      mouse_row = area.mouse_row;
      mouse_col = area.mouse_col;
    }
    rec.set_mouse_row(static_cast<std::int16_t>(mouse_row));
    rec.set_mouse_col(static_cast<std::int16_t>(mouse_col));
    rec.set_shift_states(b);
  }
  if (wait_for_release && !shift.alt && !shift.ctrl && !shift.shift) wait_for_release = false;
  if (floppy_active && !wait_for_release) {
    // The block is read again at every check: an exit may have turned its
    // lines off, and then the panel's own line is shown at once.
    prepare_menu_lines();
    show_menu_line(!floppy_active);
  }
  write_indicator_state(false);
}

void Dialogue::loop(bool first_event_ready, const term::EventArea* ready) {
  term::EventArea area;
  if (first_event_ready && ready) {
    area = *ready;
    if (handle_event(area) && finish()) return;
  }
  for (;;) {
    if (!skip_refresh) refresh();
    skip_refresh = false;
    bool was_simulating = simulating;
    int before_row = term::common().caret_row, before_col = term::common().caret_column;
    bool got = take_event(area);
    event_state(area, got);
    if (!got) continue;
    if (handle_event(area) && finish()) return;
    // A simulated arrow that could not move the cursor ends the simulation.
    if (was_simulating && simulating && term::common().caret_row == before_row &&
        term::common().caret_column == before_col)
      simulating = false;
  }
}

bool Dialogue::handle_event(const term::EventArea& area) {
  const term::KeyEvent& ev = area.key;
  // 1. The user confirmed closing the window.
  if (ev.status == 'Q') {
    source = ev.scan;
    int close = rec.close_keyvalue();
    if (close > 0)
      set_exit(close);
    else if (term::common().global_close_value > 0)
      set_exit(term::common().global_close_value);
    return true;
  }
  Key key{static_cast<std::uint8_t>(ev.character & 0xFF), ev.extended, ev.scan};
  bool click = ev.scan == kSourceMouse && !area.simulated && area.button1 && key.character == 0 &&
               (key.extended == 15 || key.extended == 0);

  PerKeyInput in;
  in.key = key;
  in.panel = rec.data();
  in.pass_to_exit = pass;
  in.field_post_key = active && ad.post_key();
  in.active_type = active ? ad.type : 0;
  in.exit_state = exit_state(term::common().caret_row, term::common().caret_column, acolour);
  in.exit_state.source = key.source;
  PerKeyResult pk = per_key(in);
  if (pk.bailout) validation_pending = false;
  bool changed = !(pk.key == key);
  key = pk.key;
  last_key = key;
  source = key.source;

  // 2. What the postkeystroke exits asked for.
  if (pk.field_full) field_full_request = true;
  if (pk.finish_now && active) return end_of_field();

  if (click && !changed) return mouse_event(area);

  // 3. Characters: control keys from the keyboard, else data.
  if (key.character > 0) {
    std::uint8_t ch = key.character;
    bool control = (ch == 8 || ch == 9 || ch == 13 || ch == 27) && key.source != 0;
    if (!control) {
      if (!active || ad.type == 'P' || ad.type == 'S' || ad.type == 'X' ||
          option_protects(active_option)) {
        show_text(tables().message(kMsgNoData));
        return false;
      }
      if (ad.type == 'R') {
        set_exit(2048 + ch);
        return true;
      }
      return data_character(ch, pk.message);
    }
  }
  bool ends = dispatch_key(key);
  return ends;
}

bool Dialogue::dispatch_key(Key key) {
  int code = key.code();
  // Backspace belongs to the active field; without one it ends the call
  // like every other key.
  if (code == kBackspace && active) {
    if (pos > 0) {
      move_cursor(pos - 1);
      mark_modified();
      if (!selector(ad.type)) close_gap_at_cursor();
    }
    return false;
  }
  if (code == kEnter && rec.subst_enter() > 0)
    code = rec.subst_enter();
  else if (code == kEsc && rec.subst_esc() > 0)
    code = rec.subst_esc();
  else if (code == kHome && rec.subst_home() > 0)
    code = rec.subst_home();
  set_exit(code);
  field_full_request = false;
  // Without an active field every key ends the call with its own code.
  if (!active) return true;

  switch (code) {
    case kTab:
      return next_field_move();
    case kShiftTab:
      return previous_field_move();
    case kEsc:
      if (selector(ad.type)) return false;
      edit = entry;
      store_active_data(0);
      if (convert_back_active() == kv::mask::kRcOverflow) {
        validation_failed(active, kMsgOverflow, {});
        return false;
      }
      acolour = active_colour;
      write_field(active, acolour, edit.data(), alen);
      term::common().insert_flag = 'N';
      update_caret();
      return false;
    case kHome: {
      if (!leave_field(true, true)) return false;
      int home = wd.default_cursor_field();
      int from = active;
      if (home >= 1 && home <= field_count) {
        int prev = get_u16(wd.descriptor_bytes(home) + 12);
        if (prev >= 1 && prev <= field_count) from = prev;
      }
      if (from != active && !validate_field(from)) return false;
      return enter_field(next_enterable(from));
    }
    case kUp:
    case kDown:
      if (ad.return_up_down()) break;
      if (!arrow_exit_named()) return code == kUp ? previous_field_move() : next_field_move();
      return arrow_key(code);
    case kLeft:
    case kRight:
      if (ad.return_left_right()) break;
      if (ad.type == 'S' || ad.type == 'R')
        return code == kLeft ? previous_field_move() : next_field_move();
      if (arrow_exit_named()) call_arrow_exit(code);
      if (code == kLeft && pos > 0)
        move_cursor(pos - 1);
      else if (code == kRight && pos < alen - 1)
        move_cursor(pos + 1);
      return false;
    case kInsert:
      if (!selector(ad.type)) update_caret();
      return false;
    case kDelete:
      mark_modified();
      if (selector(ad.type) || alen <= 0) return false;
      close_gap_at_cursor();
      return false;
    case kCtrlEnd:
      mark_modified();
      if (selector(ad.type) || alen <= 0) return false;
      std::memset(edit.data() + pos, ' ', static_cast<std::size_t>(alen - pos));
      store_active_data(pos);
      rewrite_active(pos, alen - pos);
      update_caret();
      return false;
    default:
      break;
  }
  if (convert_back_active() == kv::mask::kRcOverflow) {
    validation_failed(active, kMsgOverflow, {});
    return false;
  }
  return true;
}

void Dialogue::call_arrow_exit(int code) {
  term::ScrCommon& c = term::common();
  ExitState s = exit_state(c.caret_row, c.caret_column, acolour);
  s.source = source;
  ExitResult r = call_exit('A', rec.arrow_exit_name(), s, static_cast<std::uint8_t>(code & 0xFF), 0,
                           0, rec.data(), pass);
  // An exit that could not be called answered nothing: its block still
  // holds the arrow key's code, which must not land in the field's data.
  if (!r.called || !active || pos >= alen) return;
  edit[static_cast<std::size_t>(pos)] = r.character;
  if (!aformatted && pos < ad.length) field_data(active)[pos] = r.character;
  std::uint8_t shown = ad.hidden() ? ' ' : r.character;
  put_cells(arow, acol + pos, &shown, 1, r.attr);
}

bool Dialogue::arrow_key(int code) {
  term::ScrCommon& c = term::common();
  int column = c.caret_column;
  if (!leave_field(false, false)) return false;
  call_arrow_exit(code);
  int target = 0;
  if (code == kUp) {
    if (active != 1) target = get_u16(wd.descriptor_bytes(active) + 12);
  } else if (active < rows - 1) {
    target = get_u16(wd.descriptor_bytes(active) + 14);
  }
  if (target < 1 || target > field_count) {
    // The field stays current: it is shown as current again.
    acolour = active_colour;
    write_field(active, acolour, edit.data(), alen);
    update_caret();
    return false;
  }
  load_field(target);
  move_cursor(column - acol);
  return false;
}

bool Dialogue::data_character(std::uint8_t ch, int exit_message) {
  // 1. A postkeystroke exit asked for a message instead of the character.
  if (exit_message > 0) {
    show_text(application_message(rec, exit_message));
    return false;
  }
  // A field of no length is full before anything is typed.
  if (alen <= 0) return end_of_field();
  // 2. The field type's check.
  if (int msg = check_keystroke(ad.type, active_option, pos, ch)) {
    show_text(tables().message(msg));
    return false;
  }
  // 3. Clear 1st.
  if (ad.clear_first() && pos == 0 && !clear_first_spent[static_cast<std::size_t>(active)]) {
    clear_first_spent[static_cast<std::size_t>(active)] = true;
    std::memset(edit.data(), ' ', static_cast<std::size_t>(alen));
    store_active_data(0);
    rewrite_active(0, alen);
    move_cursor(0);
  }
  // 4. Insert mode makes room.
  if (term::common().insert_flag == 'Y' && pos < alen - 1) {
    std::memmove(edit.data() + pos + 1, edit.data() + pos,
                 static_cast<std::size_t>(alen - pos - 1));
    store_active_data(pos + 1);
    rewrite_active(pos + 1, alen - pos - 1);
  }
  // 5. The character, through the predisplay exit when the field has one.
  std::uint8_t attr = acolour;
  if (ad.predisplay() && !option_no_predisplay(active_option)) {
    ExitState s = exit_state(arow, acol + pos, acolour);
    s.cursor_pos = pos + 1;
    ExitResult r = call_exit('D', rec.pre_exit_name(), s, ch, 0, 0, rec.data(), pass);
    ch = r.character;
    if (r.called) attr = r.attr;
  }
  edit[static_cast<std::size_t>(pos)] = ch;
  if (!aformatted && pos < ad.length) field_data(active)[pos] = ch;
  std::uint8_t shown = ad.hidden() ? ' ' : ch;
  put_cells(arow, acol + pos, &shown, 1, attr);
  ++pos;
  mark_modified();
  // 6. The end of the field.
  if (pos >= alen || field_full_request) return end_of_field();
  move_cursor(pos);
  return false;
}

bool Dialogue::end_of_field() {
  field_full_request = false;
  if (ad.beep_full()) {
    const Options& o = options();
    int freq = o.full_beep_frequency > 0 ? o.full_beep_frequency : 1500;
    int dur = o.full_beep_duration > 0 ? o.full_beep_duration : 2;
    if (kv::platform_hooks().tone) kv::platform_hooks().tone(freq, dur);
  }
  if (!ad.no_autoskip()) return next_field_move();
  move_cursor(alen - 1);
  if (!validate_field(active)) return false;
  if (!is_on(options().misc[6]) && (ad.hot_field() || (ad.hot_modify() && modified))) {
    set_exit(1000 + active);
    return true;
  }
  return false;
}

// ---------------------------------------------------------------- the mouse

bool Dialogue::mouse_event(const term::EventArea& area) {
  term::ScrCommon& c = term::common();
  int row = area.mouse_row, col = area.mouse_col;
  term::MouseSettings ms = area.mouse;
  bool arrows = ms.arrow_keys == 'Y';
  if (arrows && arrow_exit_named() && (row != c.caret_row || col != c.caret_column)) {
    simulating = true;
    sim_row = row;
    sim_col = col;
    return false;
  }
  if (field_count == 0 || row == rows) return false;
  if (active && row == arow && col >= acol && col <= alast) {
    move_cursor(col - acol);
    return false;
  }
  // The field under the click, searched in tab order from the active one.
  int found = 0;
  int start = active ? active : wd.default_cursor_field();
  if (start < 1 || start > field_count) start = 1;
  int n = start;
  for (int i = 0; i < field_count; ++i) {
    FieldDescriptor d = wd.descriptor(n);
    int r = field_row(n), c0 = field_col(n);
    if (r == row && col >= c0 && col < c0 + std::max<int>(d.length, 1)) {
      found = n;
      break;
    }
    int next = d.next;
    if (next < 1 || next > field_count || next == start) break;
    n = next;
  }
  if (found == 0 || wd.descriptor(found).type == 'X' || option_protects(rec.field_option(found))) {
    if (repaint == 'R') {
      set_exit(kEnter);
      return true;
    }
    return false;
  }
  if (!active) {
    load_field(found);
    return false;
  }
  bool backwards = row < arow || (row == arow && col < acol);
  int from = active;
  if (!leave_field(true, true)) return false;
  int m = from;
  for (int i = 0; i < field_count; ++i) {
    int link = get_u16(wd.descriptor_bytes(m) + (backwards ? 12 : 14));
    if (link < 1 || link > field_count || link == found) break;
    m = link;
    if (validation_pending && rec.field_paint(m) == 'v' && !validate_field(m)) return false;
  }
  load_field(found);
  if (ms.new_field_option == 1 || arrows) move_cursor(col - acol);
  return exit_key > 1000;
}

}  // namespace kv::engine
