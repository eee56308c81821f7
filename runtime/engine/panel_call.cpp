// The panel call: the dialogue from painting to the return sequence, the
// values that return at once, and the engine's clock, which runs on the
// display's time so that a headless script's "wait" moves time-outs too.

#include <algorithm>
#include <cstring>

#include "runtime/engine/colours.h"
#include "runtime/engine/diagnostics.h"
#include "runtime/engine/dialogue.h"
#include "runtime/engine/engine.h"
#include "runtime/engine/messages.h"
#include "runtime/engine/options.h"
#include "runtime/engine/painting.h"
#include "runtime/engine/per_key.h"
#include "runtime/engine/tables.h"
#include "runtime/engine/timeouts.h"
#include "runtime/terminal/display.h"
#include "runtime/terminal/terminal.h"
#include "runtime/utilities/bytes.h"
#include "runtime/utilities/data_utils.h"

namespace kv::engine {

// ---------------------------------------------------------------- the clock

namespace {

struct DisplayClock {
  term::Display* display = nullptr;
  long base_centis = 0;
  std::uint64_t base_ms = 0;
};
DisplayClock g_clock;

// The time of day on the display's clock: the time of day when the display
// was first asked, advanced by the display's milliseconds since.  The
// headless display's virtual clock starts at 08:00:00.00, so that scripted
// runs see the same times whenever they run.
kv::TimeOfDay display_time() {
  term::Display* d = term::common().display;
  if (!d) return kv::time_of_day();
  if (d != g_clock.display) {
    g_clock.display = d;
    g_clock.base_ms = d->tick_ms();
    if (d->name() == "headless") {
      g_clock.base_centis = 8L * 360000;
    } else {
      kv::TimeOfDay t = kv::time_of_day();
      g_clock.base_centis = ((t.hour * 60L + t.minute) * 60L + t.second) * 100L + t.centi;
    }
  }
  long centis = g_clock.base_centis + static_cast<long>((d->tick_ms() - g_clock.base_ms) / 10);
  centis %= 24L * 360000;
  return {static_cast<int>(centis / 360000), static_cast<int>(centis / 6000 % 60),
          static_cast<int>(centis / 100 % 60), static_cast<int>(centis % 100)};
}

const bool g_clock_installed = [] {
  set_clock(&display_time);
  return true;
}();

}  // namespace

// ---------------------------------------------------------------- call memory

CallMemory& call_memory() {
  static CallMemory m;
  return m;
}

void reset_call_memory() { call_memory() = CallMemory{}; }

// ---------------------------------------------------------------- the dialogue

Dialogue::Dialogue(std::uint8_t* panel, std::uint8_t* pass_area, std::uint8_t* work_s,
                   std::uint8_t* work_d)
    : rec(panel), pass(pass_area), ws(work_s), wd(work_d) {
  (void)g_clock_installed;
  field_count = std::min<int>(wd.field_count(), rec.numb_of_fields());
  base_digit = static_cast<char>(rec.base_color());
}

FieldDescriptor Dialogue::descriptor(int n) const {
  FieldDescriptor d = wd.descriptor(n);
  std::uint8_t opt = rec.field_option(n);
  // A protected field has its input options switched off for the call.
  if (option_protects(opt)) {
    d.opt1 &= static_cast<std::uint8_t>(~0x01);
    d.opt2 &= static_cast<std::uint8_t>(~(0x80 | 0x40 | 0x01));
    d.opt3 &= static_cast<std::uint8_t>(~0x80);
  }
  if (option_no_predisplay(opt)) d.opt1 &= static_cast<std::uint8_t>(~0x08);
  return d;
}

bool Dialogue::protected_field(int n) const { return option_protects(rec.field_option(n)); }

bool Dialogue::input_field(int n) const {
  return wd.descriptor_bytes(n)[4] != 'X' && rec.field_option(n) != 'P';
}

int Dialogue::field_row(int n) const { return wd.descriptor_bytes(n)[0] + rec.offset_row(); }
int Dialogue::field_col(int n) const { return wd.descriptor_bytes(n)[1] + rec.offset_col(); }

std::uint8_t* Dialogue::field_data(int n) const {
  return rec.data_at(get_u16(wd.descriptor_bytes(n) + 5));
}

bool Dialogue::arrow_exit_named() const {
  return static_cast<std::uint8_t>(rec.arrow_exit_name()[0]) > ' ';
}

ExitState Dialogue::exit_state(int row, int col, std::uint8_t attr) const {
  ExitState s;
  s.field = active;
  s.cursor_pos = pos + 1;
  s.row = row;
  s.col = col;
  s.attr = attr;
  s.source = source;
  s.mouse_row = mouse_row;
  s.mouse_col = mouse_col;
  s.shift = {static_cast<std::uint8_t>(shift.alt), static_cast<std::uint8_t>(shift.ctrl),
             static_cast<std::uint8_t>((shift_byte & 0x02) != 0),
             static_cast<std::uint8_t>((shift_byte & 0x01) != 0)};
  return s;
}

void Dialogue::abort(int reason) const {
  PanelRecord r = rec;
  r.set_display_option(static_cast<std::uint16_t>(reason));
  abort_panel(reason, r.name(), static_cast<char>(r.base_color()));
}

void Dialogue::run() {
  prepare();
  hold_updates();
  paint();
  place_cursor();
  release_updates();
  validation_pending = true;
  term::ScrCommon& c = term::common();
  // Every dialogue starts from the menu line as the application left it
  // (it may change between calls of the same panel), for the modifiers now
  // held: the key menus, the menu row and a click on it use these lines,
  // also when the call shows a message first or only polls.
  prepare_menu_lines();
  shown_shift = -1;
  show_menu_line(true);

  if (repaint == 'O' || repaint == 'W' || repaint == 'X') {
    show_application_message();
    term::EventArea a;
    a.wait_mode = term::kWaitNone;
    term::SCR_AMP(c, a);
    set_exit(13);
    SXR_YLD();
    if (finish()) return;
    loop(false, nullptr);
    return;
  }
  if (repaint == 'R') {
    show_application_message();
    term::EventArea a;
    prepare_event_area(a);
    a.wait_mode = term::kWaitRead;
    term::SCR_AMP(c, a);
    if (a.key.status == 'N') {
      set_exit(13);
      SXR_YLD();
      if (finish()) return;
      loop(false, nullptr);
      return;
    }
    event_state(a, true);
    loop(true, &a);
    return;
  }
  set_pointer(kPointerArrow);
  if (rec.display_option() > 0) {
    show_application_message();
    skip_refresh = true;
    wait_for_release = true;
  }
  write_indicator_state(true);
  loop(false, nullptr);
}

bool Dialogue::finish() {
  term::ScrCommon& c = term::common();
  CallMemory& m = call_memory();
  // 1. Where the cursor stands.
  c.insert_flag = 'N';
  rec.set_offset_the_cursor('N');
  if (active) {
    rec.set_cursor_field(static_cast<std::uint16_t>(active));
    rec.set_cursor_offset(static_cast<std::uint16_t>(pos));
    rec.set_cursor_row(static_cast<std::int16_t>(c.caret_row));
    rec.set_cursor_col(static_cast<std::int16_t>(c.caret_column));
    m.resume_field = active;
    m.resume_position = (ad.mask > 0 || (ad.type >= '1' && ad.type <= '4')) ? 99 : pos;
  } else {
    rec.set_cursor_field(0);
    rec.set_cursor_offset(0);
    rec.set_cursor_row(0);
    rec.set_cursor_col(0);
    m.resume_field = 0;
    m.resume_position = -1;
  }
  // 2. Hot-field returns may bypass the checks.
  if (exit_key > 1000 && exit_key < 2048 && bailout_covers_hot_fields()) validation_pending = false;
  // 3. Error flags go; fields still to be validated are checked.
  if (exit_key > 0 && repaint != 'O' && repaint != 'R' && repaint != 'X' && field_count > 0) {
    for (int n : wd.tab_ring()) {
      if (n > field_count) continue;
      if (rec.field_paint(n) == 'E') rec.set_field_paint(n, 0x00);
      if (validation_pending && rec.field_paint(n) == 'v' && !validate_field(n)) return false;
    }
  }
  // 4-5.
  log("Returning...", "PANEL-EXIT-KEY", std::to_string(exit_key));
  if (exit_key > 1000 && exit_key < 2048 && exit_key - 1000 <= field_count)
    rec.set_field_paint(exit_key - 1000, 'H');
  // 6.
  if (repaint != 'R') set_pointer(kPointerWait);
  caret_off();
  // 7.
  rec.set_display_option(0);
  rec.set_repaint_screen('Y');
  rec.set_scan_code(source);
  const char* text = "Scan code (Keyboard)";
  switch (source) {
    case kSourceMouse:
      text = "Scan code (Mouse)";
      break;
    case kSourceWinMenu:
      text = "Scan code (WinMenu)";
      break;
    case kSourceNone:
      text = "Scan code (None)";
      break;
    case kSourceTimeout:
      text = "Scan code (Timeout)";
      break;
    default:
      break;
  }
  log("Returning...", text, std::to_string(source));
  // 8. An EBCDIC panel goes back as it came.
  if (ebcdic) {
    for (int n = 1; n <= field_count; ++n) {
      FieldDescriptor d = wd.descriptor(n);
      bool numeric = d.type >= '1' && d.type <= '5';
      kv::ascii_to_ebcdic(field_data(n), d.length, numeric ? 'Y' : 'N');
    }
    convert_attribute_flags(rec, field_count, false);
    convert_fixed_portion(rec, false);
  }
  return true;
}

void panel_call(std::uint8_t* panel, std::uint8_t* pass_to_exit, std::uint8_t* work_s,
                std::uint8_t* work_d) {
  Dialogue d(panel, pass_to_exit, work_s, work_d);
  d.run();
}

}  // namespace kv::engine
