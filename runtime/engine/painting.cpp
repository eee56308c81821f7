// Painting: the preparation of a panel call, the choice of what to
// repaint, the screen set-up, static data, fields and the cursor's field.

#include "runtime/engine/painting.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "runtime/engine/colours.h"
#include "runtime/engine/diagnostics.h"
#include "runtime/engine/dialogue.h"
#include "runtime/engine/options.h"
#include "runtime/engine/tables.h"
#include "runtime/engine/timeouts.h"
#include "runtime/engine/validation.h"
#include "runtime/masks/scrmask.h"
#include "runtime/terminal/cell_screen.h"
#include "runtime/terminal/terminal.h"
#include "runtime/utilities/bytes.h"
#include "runtime/utilities/data_utils.h"

namespace kv::engine {

namespace {

std::string num(long v) { return std::to_string(v); }

void log_country() {
  kv::Country c = kv::country_from_locale();
  const char* formats[] = {"MDY", "DMY", "YMD"};
  log("Localization data", "Country", num(c.code) + " " + c.name);
  log("Localization data", "Decimal separator", std::string(1, c.decimal));
  log("Localization data", "Thousand separator", std::string(1, c.thousands));
  log("Localization data", "Date separator", std::string(1, c.date_sep));
  log("Localization data", "Time separator", std::string(1, c.time_sep));
  log("Localization data", "List separator", std::string(1, c.list_sep));
  log("Localization data", "Currency symbol", std::string(1, c.currency));
  log("Localization data", "Currency format", std::string(1, c.currency_format));
  log("Localization data", "Currency digits", num(c.currency_digits));
  log("Localization data", "Date Format", formats[std::clamp(c.date_order, 0, 2)]);
  log("Localization data", "Time format", num(c.time_format));
}

bool blank(const std::uint8_t* p, int n) {
  for (int i = 0; i < n; ++i)
    if (p[i] != ' ') return false;
  return true;
}

}  // namespace

// ---------------------------------------------------------------- screen writes

namespace {
bool g_hold = false;
bool g_held_write = false;
}  // namespace

void hold_updates() {
  g_hold = true;
  g_held_write = false;
}

void release_updates() {
  g_hold = false;
  if (!g_held_write) return;
  g_held_write = false;
  term::ScrCommon& c = term::common();
  if (c.display && c.window) c.display->update_window(c.window);
}

void write_cells(int row, int col, const std::uint8_t* text, int length, std::uint8_t attr,
                 bool now) {
  term::ScrCommon& c = term::common();
  if (now && g_hold) {
    g_held_write = true;
    now = false;
  }
  term::VioRequest q;
  q.function = term::vio::kWrite;
  q.row = static_cast<std::int16_t>(row);
  q.column = static_cast<std::int16_t>(col);
  q.length = static_cast<std::int16_t>(length);
  q.columns = c.screen_columns;
  q.write_attribute = attr;
  q.window = c.window;
  q.update_now = now ? 1 : 0;
  term::SCR_VIO(q, const_cast<std::uint8_t*>(text), c);
}

void clear_screen(std::uint8_t attr) {
  term::ScrCommon& c = term::common();
  term::VioRequest q;
  q.function = term::vio::kClear;
  q.clear_attribute = attr;
  q.window = c.window;
  term::SCR_VIO(q, nullptr, c);
}

void set_caret(int row, int col, int caret_value) {
  term::ScrCommon& c = term::common();
  term::move_caret(c, row, col);
  term::VioRequest q;
  q.window = c.window;
  q.function = term::vio::kCaretOnOff;
  q.caret_on = caret_value;
  term::SCR_VIO(q, nullptr, c);
}

void caret_off() {
  term::ScrCommon& c = term::common();
  term::VioRequest q;
  q.window = c.window;
  q.function = term::vio::kCaretOnOff;
  q.caret_on = 0;
  term::SCR_VIO(q, nullptr, c);
}

void set_pointer(int id) {
  term::ScrCommon& c = term::common();
  term::VioRequest q;
  q.window = c.window;
  q.function = term::vio::kSetPointer;
  q.pointer_id = id;
  term::SCR_VIO(q, nullptr, c);
}

std::pair<int, int> clamp_window_offsets(int offset_row, int offset_col, int usable_rows,
                                         int screen_columns, int height, int width) {
  int max_row = std::max(0, usable_rows - height);
  int max_col = std::max(0, screen_columns - width);
  return {std::clamp(offset_row, 0, max_row), std::clamp(offset_col, 0, max_col)};
}

// ---------------------------------------------------------------- preparation

void Dialogue::prepare() {
  CallMemory& m = call_memory();
  // 1. An EBCDIC panel record is worked on in ASCII.
  ebcdic = rec.is_ebcdic();
  if (ebcdic) {
    convert_fixed_portion(rec, true);
    convert_attribute_flags(rec, field_count, true);
  }
  // 2-3.
  start_call_timeouts();
  rec.set_exit_key(0);
  rec.set_scan_code(0);
  // 4. The key-redefinition table is tested before the call uses it.
  if (options().key_redefinition.on) check_key_redefinition();
  // 5. Colours.
  if (options().alternate_colors.on) check_alternate_colors();
  menu_colour = map_attribute(static_cast<std::uint8_t>(rec.menu_color() & 0xFF));
  error_colour = map_attribute(static_cast<std::uint8_t>(rec.error_color() & 0xFF));
  active_colour = map_attribute(static_cast<std::uint8_t>(rec.active_color() & 0xFF));
  // 6. Country settings, once per process.
  if (!m.country_logged) {
    m.country_logged = true;
    if (trace_switch() == 'L') log_country();
  }
  // 7. A new panel name starts a new section of the log.
  std::string name(rec.name());
  same_panel = name == m.last_panel;
  if (!same_panel) {
    log(std::string(25, '-'), std::string(22, '-'), std::string(40, '-'));
    log("Panel name changed", ebcdic ? "EBCDIC" : "ASCII", name);
  }
  repaint = static_cast<char>(rec.repaint_screen());
  clear_first_spent.assign(static_cast<std::size_t>(field_count) + 1, false);
}

// ---------------------------------------------------------------- painting

void Dialogue::paint() {
  CallMemory& m = call_memory();
  bool set_up, new_panel;
  if (!same_panel) {
    set_up = !(repaint == 'I' || repaint == 'W');
    new_panel = true;
  } else {
    set_up = new_panel = (repaint == 'S' || repaint == 'X');
  }
  paint_all = repaint == 'Y';
  immediate = repaint == 'O' || repaint == 'W' || repaint == 'X' || repaint == 'R';
  log(immediate ? "Paint immediate" : "Paint deferred", "PANEL-REPAINT-SCREEN",
      std::string(1, repaint));

  // The geometry in force: the last screen set up, until this call sets
  // up its own.
  ScreenSize size = screen_size_for_code(m.size_code);
  rows = size.rows;
  columns = size.columns;
  reserved = m.reserved_rows;
  if (set_up) set_up_screen();
  usable = rows - reserved;
  if (term::common().window == 0) term::ensure_window();

  if (set_up) paint_static();
  if (new_panel) {
    // The validation records are located once per panel; the cursor
    // resumes the scan for later fields.
    validation_cursor = {};
    m.last_panel = std::string(rec.name());
    prepare_menu_lines();
    shown_shift = -1;
    show_menu_line(true);
    publish_key_menus();
  }
  paint_fields();
}

void Dialogue::set_up_screen() {
  CallMemory& m = call_memory();
  term::ScrCommon& c = term::common();
  base_digit = static_cast<char>(rec.base_color());
  int size_code = m.size_code;
  if (ws.format_b()) {
    if (base_digit != '8') size_code = ws.size_code();
    reserved = ws.reserved_rows();
  } else {
    if (base_digit != '8') size_code = 1;
    reserved = 1;
  }
  if (size_code < 1 || size_code > 4) size_code = 1;
  ScreenSize size = screen_size_for_code(size_code);
  rows = size.rows;
  columns = size.columns;
  reserved = std::clamp(reserved, 0, rows - 1);
  m.size_code = size_code;
  m.reserved_rows = reserved;
  log("Processing new panel", "Base color", std::string(1, base_digit));
  log("Processing new panel", "Rows", num(rows));
  log("Processing new panel", "Columns", num(columns));

  bool changed = c.screen_rows != rows || c.screen_columns != columns;
  c.screen_rows = static_cast<std::int16_t>(rows);
  c.screen_columns = static_cast<std::int16_t>(columns);
  if (c.window == 0) {
    term::ensure_window();
  } else if (changed) {
    term::VioRequest q;
    q.function = term::vio::kGrow;
    q.window = c.window;
    term::SCR_VIO(q, nullptr, c);
  }

  usable = rows - reserved;
  if (base_digit == '8') {
    auto [r, col] = clamp_window_offsets(rec.offset_row(), rec.offset_col(), usable, columns,
                                         ws.window_height(), ws.window_width());
    rec.set_offset_row(static_cast<std::int16_t>(r));
    rec.set_offset_col(static_cast<std::int16_t>(col));
    log("Processing new panel", "(Window)");
    return;
  }
  if (base_digit > '8') abort(1);
  char digit = screen_base_digit(base_digit, ws.base_attribute());
  clear_screen(static_cast<std::uint8_t>((static_cast<std::uint8_t>(digit) % 16) * 16));
}

void Dialogue::paint_static() {
  log("Painting Static Data");
  const int orow = rec.offset_row(), ocol = rec.offset_col();
  auto it = ws.items(columns);
  std::uint8_t run[255];
  for (StaticItem item = it.next(); item.kind != StaticItem::End; item = it.next()) {
    int row = item.row + orow, col = item.col + ocol;
    if (row < 1 || row > rows || col < 1 || col > columns) abort(6);
    std::uint8_t attr = map_attribute(item.attr);
    if (item.kind == StaticItem::Repeat) {
      std::memset(run, static_cast<std::uint8_t>(item.text[0]),
                  static_cast<std::size_t>(item.count));
      write_cells(row, col, run, item.count, attr, immediate);
    } else {
      write_cells(row, col, reinterpret_cast<const std::uint8_t*>(item.text.data()), item.count,
                  attr, immediate);
    }
  }
}

void Dialogue::paint_fields() {
  if (ebcdic)
    for (int n = 1; n <= field_count; ++n) {
      FieldDescriptor d = wd.descriptor(n);
      bool numeric = d.type >= '1' && d.type <= '5';
      kv::ebcdic_to_ascii(field_data(n), d.length, numeric ? 'Y' : 'N');
    }
  if (base_digit == '8' || rec.base_color() == '8') {
    auto [r, col] = clamp_window_offsets(rec.offset_row(), rec.offset_col(), usable, columns,
                                         ws.window_height(), ws.window_width());
    rec.set_offset_row(static_cast<std::int16_t>(r));
    rec.set_offset_col(static_cast<std::int16_t>(col));
  }
  log("Painting Field Data", paint_all ? "All fields" : "");
  for (int n : wd.tab_ring()) {
    // WORK-D may describe more fields than the attribute table holds.
    if (n > field_count) continue;
    std::uint8_t flag = rec.field_paint(n);
    FieldDescriptor d = descriptor(n);
    if (paint_all || flag == 'C' || flag == 'E' || flag == 'R') {
      std::uint8_t colour = own_colour(n);
      if (flag == 'E') {
        colour = error_colour;
        if (!protected_field(n) && d.type != 'X') {
          ++error_count;
          if (first_error == 0) first_error = n;
        }
      } else if (flag == 'C' && first_cursor == 0 && first_error == 0) {
        first_cursor = n;
      }
      paint_field(n, colour);
      if (flag != 'E') rec.set_field_paint(n, 0x00);
      if (!protected_field(n) && (d.must_valid() || d.required())) rec.set_field_paint(n, 'v');
    } else {
      rec.set_field_paint(n, 0x00);
    }
    if (input_field(n)) has_input = true;
  }
}

void Dialogue::paint_field(int n, std::uint8_t attr) {
  std::uint8_t image[160];
  int len = build_image(n, image);
  write_field(n, attr, image, len);
}

int Dialogue::build_image(int n, std::uint8_t* image) {
  FieldDescriptor d = descriptor(n);
  const Tables& t = tables();
  int len = std::min<int>(d.length, 160);
  const std::uint8_t* data = field_data(n);
  bool trace = trace_switch() == 'L';
  if (trace) {
    log("Field number/type", num(n), std::string(1, static_cast<char>(d.type)));
    if (d.mask > 0) {
      const std::uint8_t* m = field_mask(d, t);
      std::string_view text = field(m + 2, 80);
      auto end = text.find(static_cast<char>(kv::mask::kMaskEnd));
      log("Mask number/text", num(d.mask), text.substr(0, end));
    } else if (is_formatted(d)) {
      log("Default mask");
    }
  }
  std::memset(image, ' ', 160);
  if (is_formatted(d)) {
    std::uint8_t value[160], display[160];
    char direction = d.blank_if_zero() ? 'd' : 'D';
    kv::mask::MaskRequest q = field_request(d, len, direction, t);
    // Numeric, date and hexadecimal masks read as many characters of data
    // as the mask has digit positions, so that nothing beyond the field's
    // data is read.
    int data_len = len;
    std::uint8_t kind = q.mask_record[0];
    if (kind == 'N' || kind == 'D' || q.mode == 'H') {
      // A data item is never longer than the field's display length.
      data_len = std::clamp<int>(kv::mask::data_length(q), 0, len);
    }
    std::memset(value, ' ', sizeof value);
    std::memcpy(value, data, static_cast<std::size_t>(data_len));
    if (d.type == '5')
      date_to_country_order(value, data_len, kv::mask::country_values().date_order);
    std::memset(display, ' ', sizeof display);
    kv::mask::SCRMASK(q, value, display, &term::common());
    if (q.return_code > 0) abort(q.return_code);
    len = std::clamp<int>(q.display_length, 0, 160);
    std::memcpy(image, display, static_cast<std::size_t>(len));
  } else {
    std::memcpy(image, data, static_cast<std::size_t>(len));
  }
  if (blank(image, len)) {
    std::uint8_t opt = rec.field_option(n);
    bool prot = option_protects(opt) || d.type == 'X';
    bool selector = d.type == 'R' || d.type == 'S';
    std::uint8_t fill = 0;
    if (prot)
      fill = options().protected_fill();
    else if (!selector)
      fill = options().empty_fill();
    if (fill != 0) std::memset(image, fill, static_cast<std::size_t>(len));
  }
  if (trace)
    log("Raw/formatted field",
        std::string(reinterpret_cast<char*>(image), static_cast<std::size_t>(len)),
        std::string(reinterpret_cast<const char*>(data), std::min<std::size_t>(d.length, 160)));
  return len;
}

void Dialogue::write_field(int n, std::uint8_t attr, const std::uint8_t* image_in, int length) {
  FieldDescriptor d = descriptor(n);
  int row = field_row(n), col = field_col(n);
  if (row < 1 || row > rows || col < 1 || col > columns) abort(3);
  std::uint8_t local[160];
  const std::uint8_t* image = image_in;
  if (!image) {
    length = build_image(n, local);
    image = local;
  }
  if (length < 0) length = std::min<int>(d.length, 160);
  bool hidden = d.hidden();
  bool pre = d.predisplay() && !option_no_predisplay(rec.field_option(n));
  if (pre) {
    // The predisplay exit sees every character before it is shown and
    // chooses what is shown; the image keeps its answers.
    auto* img = const_cast<std::uint8_t*>(image);
    for (int i = 0; i < length; ++i) {
      ExitState s = exit_state(row, col + i, attr);
      s.field = n;
      s.cursor_pos = i + 1;
      ExitResult r = call_exit('D', rec.pre_exit_name(), s, img[i], 0, 0, rec.data(), pass);
      img[i] = r.character;
      std::uint8_t shown = hidden ? ' ' : r.character;
      put_cells(row, col + i, &shown, 1, r.called ? r.attr : attr);
    }
    return;
  }
  if (hidden) {
    std::uint8_t spaces[160];
    std::memset(spaces, ' ', sizeof spaces);
    write_cells(row, col, spaces, length, attr, immediate);
  } else {
    write_cells(row, col, image, length, attr, immediate);
  }
}

std::uint8_t Dialogue::own_colour(int n) const {
  std::uint16_t word = rec.field_color(n);
  std::uint8_t attr = word > 0 ? static_cast<std::uint8_t>(word & 0xFF) : wd.descriptor_bytes(n)[3];
  return map_attribute(attr);
}

void Dialogue::place_cursor() {
  int target = first_error ? first_error : first_cursor;
  if (target == 0) {
    int requested = rec.cursor_field();
    target = (requested >= 1 && requested <= field_count) ? requested : wd.default_cursor_field();
  }
  log("Setting Active Field", "Requested", num(target));
  if (target < 1 || target > field_count) target = field_count > 0 ? 1 : 0;
  if (!has_input || target == 0) {
    active = 0;
    log("Setting Active Field", "Active Field is:", "0");
    return;
  }
  load_field(target);
  if (error_count > 0) {
    acolour = error_colour;
    write_field(active, acolour, edit.data(), alen);
  } else {
    CallMemory& m = call_memory();
    int offset = rec.cursor_offset();
    if (rec.offset_the_cursor() == 'Y' && offset < alen) {
      pos = offset;
    } else if (active == m.resume_field && offset == m.resume_position && offset < alen) {
      pos = offset;
    }
  }
  move_cursor(pos);
  log("Setting Active Field", "Active Field is:", num(active));
}

}  // namespace kv::engine
