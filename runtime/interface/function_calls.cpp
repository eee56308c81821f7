// Function calls 0-19: every call logs its label; invalid numbers and
// invalid time-out or postkeystroke blocks abort with reason 32.

#include <cstring>
#include <string>

#include "runtime/engine/diagnostics.h"
#include "runtime/engine/options.h"
#include "runtime/engine/tables.h"
#include "runtime/engine/timeouts.h"
#include "runtime/interface/cellview.h"
#include "runtime/interface/init_block.h"
#include "runtime/terminal/terminal.h"
#include "runtime/utilities/bytes.h"
#include "runtime/utilities/codepage.h"
#include "runtime/utilities/data_utils.h"
#include "runtime/utilities/profile.h"

namespace kv::iface {

namespace {

using engine::log;
namespace o = init_off;

const char* const kFunctionNA = "N/A     ";

[[noreturn]] void invalid_function() {
  log("Invalid Function Call");
  engine::abort_panel(32, kFunctionNA);
}

void keep(engine::KeptTable& t, std::uint8_t* table, const char* tag) {
  std::memcpy(table, tag, 4);
  t.address = table;
  t.on = true;
}

// Time-outs: on, but neither key given or neither time above 0.
bool timeouts_invalid(const std::uint8_t* b) {
  if (!engine::is_on(b[0])) return false;
  static const std::uint8_t zero[4] = {0, 0, 0, 0};
  bool no_keys = std::memcmp(b + 6, zero, 4) == 0 && std::memcmp(b + 12, zero, 4) == 0;
  bool no_times = get_s16(b + 4) <= 0 && get_s16(b + 10) <= 0;
  return no_keys || no_times;
}

// Exit name of spaces, or whose first non-space character is below space.
bool blank_name(const std::uint8_t* name8) {
  for (int i = 0; i < 8; ++i) {
    if (name8[i] == ' ') continue;
    return name8[i] < ' ';
  }
  return true;
}

void write_settings() {
  term::ScrCommon& c = term::common();
  if (c.settings_file.empty()) return;
  log("Writing .INI file:", "", c.settings_file);
  term::WindowRect r = term::window_rect();
  const term::LogicalFont& f = c.window ? c.font : c.creation_font;
  const std::string& file = c.settings_file;
  profile::Entries e = {{"WindowShowState", num(c.show_command)}};
  // A terminal's or the headless window's cells are no desktop pixels:
  // the desktop window's last place and size stay as they were.
  if (!term::has_window() || !c.display || c.display->geometry_in_pixels()) {
    e.insert(e.end(),
             {
                 {"WindowXOrigin", num(c.window_x_origin)},
                 {"WindowYOrigin", num(c.window_y_origin)},
                 {"WindowXOriginMax", num(c.window_x_origin_max)},
                 {"WindowYOriginMax", num(c.window_y_origin_max)},
                 {"WindowWidth", num(term::has_window() ? r.right - r.left : c.window_width)},
                 {"WindowHeight", num(term::has_window() ? r.bottom - r.top : c.window_height)},
             });
  }
  term::LogicalFont font = f;
  for_each_font_number(font,
                       [&](const char* key, auto& field) { e.emplace_back(key, num(field)); });
  e.emplace_back("FontFacename", f.face);
  if (!profile::write_strings(file, "Korvexan", e))
    engine::warning_box(3, "Cannot write the settings file " + file);
}

void return_info(std::uint8_t* b) {
  term::ScrCommon& c = term::common();
  put_u32(b + o::kWindowHandle, static_cast<std::uint32_t>(c.window));
  put_u32(b + o::kSecondHandle, static_cast<std::uint32_t>(c.status_bar));
  put_padded(b + o::kWindowTitle, 255, c.window_title);
  put_padded(b + o::kAboutTitle, 255, c.about_title);
  put_padded(b + o::kAboutText, 255, c.about_text);
  b[o::kMenuOption] = static_cast<std::uint8_t>(c.menu_option);
  b[o::kAltKey] = static_cast<std::uint8_t>(c.alt_key_handling);
  b[o::kSystemMenu] = static_cast<std::uint8_t>(c.system_menu_option);
  put_s16(b + o::kGlobalClose, c.global_close_value);
  b[o::kStatusNum] = static_cast<std::uint8_t>(c.status_num);
  b[o::kStatusCaps] = static_cast<std::uint8_t>(c.status_caps);
  b[o::kStatusInsert] = static_cast<std::uint8_t>(c.status_insert);
  int x = c.window_x_origin, y = c.window_y_origin, w = c.window_width, h = c.window_height;
  if (term::has_window()) {
    term::WindowRect r = term::window_rect();
    x = r.left;
    y = r.top;
    w = r.right - r.left;
    h = r.bottom - r.top;
  }
  put_s16(b + o::kWindowX, static_cast<std::int16_t>(x % 10000));
  put_s16(b + o::kWindowY, static_cast<std::int16_t>(y % 10000));
  put_s16(b + o::kWindowWidth, static_cast<std::int16_t>(w % 10000));
  put_s16(b + o::kWindowHeight, static_cast<std::int16_t>(h % 10000));
  const term::LogicalFont& f = c.window ? c.font : c.creation_font;
  put_font(b, f);
}

// Function 18.  Block: command (1), key code (4 at offset 1), count out
// (4 at 9), index (4 at 13), return code (2 at 17), name (1024 at 19).
void drag_drop(std::uint8_t* b) {
  term::Drops& d = term::drops();
  std::string rc = "00";
  switch (b[0]) {
    case 'Y':
      d.count = 0;
      if (d.held) term::drop_release();
      if (!d.accepting) {
        term::drops_register(true);
        d.accepting = true;
        d.key_code = get_s32(b + 1) % 10000;
      }
      break;
    case 'N':
      d.count = 0;
      if (d.accepting) {
        if (d.held) term::drop_release();
        term::drops_register(false);
        d.accepting = false;
      }
      break;
    case 'F': {
      if (!d.accepting) {
        rc = "03";
        break;
      }
      if (!d.held) {
        rc = "04";
        break;
      }
      put_s32(b + 9, d.count);
      std::int32_t index = get_s32(b + 13);
      if (index > d.count) {
        rc = "05";
        break;
      }
      std::string name = term::drop_file(index);
      if (name.size() + 1 > 1024) {
        rc = "02";
        break;
      }
      std::memset(b + 19, 0, 1024);
      std::memcpy(b + 19, name.data(), name.size());
      break;
    }
    default:
      rc = "01";
  }
  std::memcpy(b + 17, rc.data(), 2);
}

}  // namespace

void apply_option_letters(const std::uint8_t* letters, int count) {
  engine::Options& opt = engine::options();
  std::uint8_t buf[15];
  std::memset(buf, ' ', sizeof buf);
  std::memcpy(buf, letters, static_cast<std::size_t>(count < 15 ? count : 15));
  if (buf[0] > 0xC0) ebcdic_to_ascii(buf, 15, 'N');
  opt.monochrome = false;
  upcase(buf, 14);
  for (int i = 0; i < 8; ++i) {
    switch (buf[i]) {
      case 'C':
        opt.monochrome = false;
        break;
      case 'M':
        opt.monochrome = true;
        break;
      case 'T':
        opt.full_beep_frequency = 9999;
        opt.full_beep_duration = 9999;
        SXR_BEEP(nullptr, nullptr);
        break;
      default:
        break;  // "D", "F", "N", "Q", "V" are accepted without effect
    }
  }
}

namespace {
// Functions that read or write a parameter block; called without one
// (an OMITTED argument) they are invalid calls rather than a fault.
bool needs_block(int number) {
  switch (number) {
    case 0:
    case 3:
    case 7:
    case 15:
    case 19:
      return false;
    case 4:
    case 5:
      return term::has_window();
    default:
      return true;
  }
}
}  // namespace

void function_call(int number, std::uint8_t* b) {
  engine::Options& opt = engine::options();
  log("Function Call", "  Number", num(number));
  if (!b && needs_block(number)) invalid_function();
  switch (number) {
    case 0:
      log("Alternate Colors OFF");
      opt.alternate_colors.on = false;
      break;
    case 1:
      log("Alternate Color Table");
      keep(opt.alternate_colors, b, "COLO");
      break;
    case 2:
      log("Set Runtime Options", "Values:", field(b, 15));
      entry_state().first_call_pending = true;
      apply_option_letters(b, 15);
      break;
    case 3:
      log("Set Runtime filespecs", "Obsolete!");
      break;
    case 4:
      if (!term::has_window())
        log("Screen Save (Ignored: no hWnd!)");
      else {
        log("Screen Save");
        term::screen_save(b);
      }
      break;
    case 5:
      if (!term::has_window())
        log("Screen Restore (Ignored: no hWnd!)");
      else {
        log("Screen Restore");
        term::screen_restore(b);
      }
      break;
    case 6:
      log("Key Redefinition");
      keep(opt.key_redefinition, b, "KEYD");
      break;
    case 7:
      log("Control Break Trap", "Obsolete!");
      break;
    case 8:
      log("Set Floppy Menus");
      keep(opt.floppy_menus, b, "MENU");
      break;
    case 9:
      log("Miscellaneous Options", "", field(b, 4));
      std::memcpy(opt.misc.data() + 4, b, 4);
      break;
    case 10:
      log("Miscellaneous Options", "", field(b, 15));
      std::memcpy(opt.misc.data() + 1, b, 15);
      if (get_s16(b + 15) > 0) opt.parking_row = get_s16(b + 15);
      opt.misc_offset17 = b[17];
      if (b[9] == 'Y') opt.paste_room = get_s16(b + 18);
      break;
    case 11:
      log("Set Bailout Key Table");
      keep(opt.bailout, b, "BAIL");
      break;
    case 12:
      log("Set Timeouts", "", field(b, 2));
      if (timeouts_invalid(b)) invalid_function();
      std::memcpy(opt.timeouts.data(), b, 16);
      engine::timeouts_changed();
      break;
    case 13:
      log("Set Timeout EXIT parms", "", field(b, 9));
      std::memcpy(opt.timeout_exit.data(), b, 11);
      if (opt.timeout_exit[0] == 0xE8) ebcdic_to_ascii(opt.timeout_exit.data(), 9, 'N');
      engine::timeout_exit_changed();
      break;
    case 14: {
      log("Global Postkeystroke", "", field(b, 9));
      std::array<std::uint8_t, 9> block{};
      std::memcpy(block.data(), b, 9);
      if (block[0] == 0xE8) ebcdic_to_ascii(block.data(), 9, 'N');
      if (block[0] == 'Y' && blank_name(block.data() + 1)) invalid_function();
      opt.global_postkey = block;
      break;
    }
    case 15:
      log("Shutting down...");
      write_settings();
      if (term::drops().held) term::drop_release();
      term::close_down();
      break;
    case 16:
      log("Set MOUSE parameters");
      std::memcpy(opt.mouse.data(), b, 70);
      opt.mouse_set = true;
      break;
    case 17:
      log("Return Korvexan Info");
      return_info(b);
      break;
    case 18:
      log("Drag/Drop", "", field(b, 1));
      drag_drop(b);
      break;
    case 19:
      log("Yield function call");
      term::yield();
      break;
    default:
      invalid_function();
  }
}

}  // namespace kv::iface
