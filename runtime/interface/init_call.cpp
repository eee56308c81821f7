// The initialisation call: window options and settings (first call only),
// titles, masks and messages (every call).

#include <cstring>
#include <string>
#include <type_traits>

#include "runtime/engine/diagnostics.h"
#include "runtime/engine/tables.h"
#include "runtime/interface/cellview.h"
#include "runtime/interface/init_block.h"
#include "runtime/terminal/terminal.h"
#include "runtime/utilities/bytes.h"
#include "runtime/utilities/profile.h"

namespace kv::iface {

namespace {

using engine::log;
namespace o = init_off;

std::string text_of(const std::uint8_t* p, std::size_t n) {
  return std::string(trim_right(field(p, n)));
}

std::string menu_name(char c) {
  switch (c) {
    case '0':
      return "Windows (ALL)";
    case '1':
      return "Windows (SYS)";
    case '2':
      return "No Windows Menu";
    default:
      return "Invalid";
  }
}
std::string alt_name(char c) { return c == '0' ? "Windows" : c == '1' ? "DOS" : "Invalid"; }
std::string sysmenu_name(char c) {
  return c == '0' ? "Enabled" : c == '1' ? "Disabled" : "Invalid";
}

void copy_options(const std::uint8_t* b) {
  term::ScrCommon& c = term::common();
  c.menu_option = static_cast<char>(b[o::kMenuOption]);
  c.alt_key_handling = static_cast<char>(b[o::kAltKey]);
  c.system_menu_option = static_cast<char>(b[o::kSystemMenu]);
  c.global_close_value = get_s16(b + o::kGlobalClose);
  c.status_num = static_cast<char>(b[o::kStatusNum]);
  c.status_caps = static_cast<char>(b[o::kStatusCaps]);
  c.status_insert = static_cast<char>(b[o::kStatusInsert]);
  c.multiple_instances = static_cast<char>(b[o::kMultipleInstances]);
  c.mb1_double_char = get_s16(b + o::kMb1DoubleChar);
  c.mb1_double_func = get_s16(b + o::kMb1DoubleFunc);
  c.mb1_selector = static_cast<char>(b[o::kMb1Selector]);
  c.mouse_arrow_keys = static_cast<char>(b[o::kMouseArrowKeys]);
  c.menu_missed_char = get_s16(b + o::kMenuMissedChar);
  c.menu_missed_func = get_s16(b + o::kMenuMissedFunc);
  c.new_field_option = b[o::kNewFieldOption];
  c.missed_field_char = get_s16(b + o::kMissedFieldChar);
  c.missed_field_func = get_s16(b + o::kMissedFieldFunc);
  c.mb2_double_char = get_s16(b + o::kMb2DoubleChar);
  c.mb2_double_func = get_s16(b + o::kMb2DoubleFunc);
  c.mb2_release_char = get_s16(b + o::kMb2ReleaseChar);
  c.mb2_release_func = get_s16(b + o::kMb2ReleaseFunc);

  const char* opt = "Korvexan options";
  log(opt, "Menu", menu_name(c.menu_option));
  log(opt, "Alt-key handling", alt_name(c.alt_key_handling));
  log(opt, "System Menu", sysmenu_name(c.system_menu_option));
  log(opt, "Global CLOSE value", num(c.global_close_value));
  log(opt, "Status: Numlock", std::string(1, c.status_num));
  log(opt, "Status: Caplock", std::string(1, c.status_caps));
  log(opt, "Status: Insert", std::string(1, c.status_insert));
  log(opt, "Multiple instances", std::string(1, c.multiple_instances));
  log(opt, "MB1-Double Char", num(c.mb1_double_char));
  log(opt, "MB1-Double Func", num(c.mb1_double_func));
  log(opt, "MB1-Selector Field", c.mb1_selector == '1' ? "Simulate Enter" : "No Action");
  log(opt, "Mouse Arrow keys", std::string(1, c.mouse_arrow_keys));
  log(opt, "Menu-missed (char)", num(c.menu_missed_char));
  log(opt, "Menu-missed (func)", num(c.menu_missed_func));
  log(opt, "New field option", c.new_field_option == 0 ? "Tab (first pos)" : "Match mouse");
  log(opt, "Missed field (char)", num(c.missed_field_char));
  log(opt, "Missed field (func)", num(c.missed_field_func));
  log(opt, "MB2-Double Char", num(c.mb2_double_char));
  log(opt, "MB2-Double Func", num(c.mb2_double_func));
  log(opt, "MB2-Release Char", num(c.mb2_release_char));
  log(opt, "MB2-Release Func", num(c.mb2_release_func));
}

long mod10000(long v) { return v % 10000; }

// Window placement and font from section "Korvexan"; the results go back
// into the block and into the common area.
void read_settings(std::uint8_t* b) {
  term::ScrCommon& c = term::common();
  const std::string& file = c.settings_file;
  const char* sec = "Korvexan";
  auto get = [&](const char* key, long def) {
    return mod10000(profile::get_int(file, sec, key, def));
  };

  c.show_command = static_cast<std::int32_t>(get("WindowShowState", 1));
  c.window_x_origin = static_cast<std::int32_t>(get("WindowXOrigin", 0));
  c.window_y_origin = static_cast<std::int32_t>(get("WindowYOrigin", 0));
  c.window_x_origin_max = static_cast<std::int32_t>(get("WindowXOriginMax", 0));
  c.window_y_origin_max = static_cast<std::int32_t>(get("WindowYOriginMax", 0));
  c.window_width = static_cast<std::int32_t>(get("WindowWidth", 9999));
  c.window_height = static_cast<std::int32_t>(get("WindowHeight", 9999));

  // Each font key defaults to the block's value.
  term::LogicalFont& f = c.creation_font;
  f = font_of_block(b);
  for_each_font_number(f, [&](const char* key, auto& field) {
    field = static_cast<std::remove_reference_t<decltype(field)>>(get(key, field));
  });
  f.face = profile::get_string(file, sec, "FontFacename", f.face).substr(0, 32);

  put_s16(b + o::kWindowX, static_cast<std::int16_t>(c.window_x_origin));
  put_s16(b + o::kWindowY, static_cast<std::int16_t>(c.window_y_origin));
  put_s16(b + o::kWindowWidth, static_cast<std::int16_t>(c.window_width));
  put_s16(b + o::kWindowHeight, static_cast<std::int16_t>(c.window_height));
  put_font(b, f);

  log("WindowXOrigin", "", num(c.window_x_origin));
  log("WindowYOrigin", "", num(c.window_y_origin));
  log("WindowXOriginMax", "", num(c.window_x_origin_max));
  log("WindowYOriginMax", "", num(c.window_y_origin_max));
  log("WindowWidth", "", num(c.window_width));
  log("WindowHeight", "", num(c.window_height));
  const char* kf = "Korvexan Font:";
  log(kf, "Height", num(f.height));
  log(kf, "Width", num(f.width));
  log(kf, "Escapement", num(f.escapement));
  log(kf, "Orientation", num(f.orientation));
  log(kf, "Weight", num(f.weight));
  log(kf, "Italics", num(f.italic));
  log(kf, "Facename", f.face);
  log(kf, "PitchandFamily", num(f.pitch_family));
}

int mask_count_of(const std::uint8_t* masks) {
  int n = 0;
  for (int i = 0; i < 3; ++i) {
    if (masks[i] < '0' || masks[i] > '9') return 0;
    n = n * 10 + (masks[i] - '0');
  }
  return n > engine::Tables::kMaxMasks ? engine::Tables::kMaxMasks : n;
}

}  // namespace

void initialisation_call(std::uint8_t* block, const std::uint8_t* stub, const std::uint8_t* masks,
                         const std::uint8_t* messages) {
  term::ScrCommon& c = term::common();
  EntryState& st = entry_state();
  log("Windows initialization");
  c.screen_rows = 25;
  c.screen_columns = 80;

  std::string settings = text_of(block + o::kSettingsFile, 255);
  settings = std::string(trim_right(up_to_nul(settings)));
  if (!settings.empty()) {
    c.settings_file = settings;
    log("Using .INI file:", "", settings);
  }

  if (!st.options_copied) {
    st.options_copied = true;
    copy_options(block);
    c.creation_font = font_of_block(block);
    if (!c.settings_file.empty()) read_settings(block);
  }

  c.window_title = std::string(up_to_nul(text_of(block + o::kWindowTitle, 255)));
  c.about_title = std::string(up_to_nul(text_of(block + o::kAboutTitle, 255)));
  c.about_text = std::string(up_to_nul(text_of(block + o::kAboutText, 255)));

  engine::Tables& t = engine::tables();
  if (stub) std::memcpy(t.stub.data(), stub, t.stub.size());
  if (masks) {
    t.mask_count = mask_count_of(masks);
    for (int n = 1; n <= t.mask_count; ++n) {
      const std::uint8_t* rec = masks + 3 + (n - 1) * engine::Tables::kMaskSize;
      std::memcpy(t.masks[static_cast<std::size_t>(n - 1)].data(), rec, engine::Tables::kMaskSize);
      if (engine::trace_switch() == 'L') {
        std::string_view text = field(rec, engine::Tables::kMaskSize);
        auto end = text.find(static_cast<char>(0xDD));
        log("Edit Mask Number " + zero_padded(n, 3), "Edit Mask Text",
            text.substr(0, end == std::string_view::npos ? text.size() : end));
      }
    }
  }
  if (messages)
    for (int n = 0; n < engine::Tables::kMessages; ++n)
      std::memcpy(t.messages[static_cast<std::size_t>(n)].data(),
                  messages + n * engine::Tables::kMessageSize, engine::Tables::kMessageSize);
  st.initialised = true;
}

}  // namespace kv::iface
