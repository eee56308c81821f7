#include "runtime/terminal/keys.h"

#include <cctype>

#include "runtime/terminal/message_box.h"
#include "runtime/terminal/module_trace.h"
#include "runtime/terminal/window.h"
#include "runtime/utilities/boxes.h"
#include "runtime/utilities/codepage.h"
#include "runtime/utilities/data_utils.h"

namespace kv::term {

const std::array<VocabularyEntry, kVocabularySize> kVocabulary = {{
    {"END ", 79, "End"},        {"AEND", 159, "Alt+End"},    {"A0  ", 129, "Alt+0"},
    {"A1  ", 120, "Alt+1"},     {"A2  ", 121, "Alt+2"},      {"A3  ", 122, "Alt+3"},
    {"A4  ", 123, "Alt+4"},     {"A5  ", 124, "Alt+5"},      {"A6  ", 125, "Alt+6"},
    {"A7  ", 126, "Alt+7"},     {"A8  ", 127, "Alt+8"},      {"A9  ", 128, "Alt+9"},
    {"A-  ", 130, "Alt+-"},     {"A=  ", 131, "Alt+="},      {"AA  ", 30, "Alt+A"},
    {"AB  ", 48, "Alt+B"},      {"AC  ", 46, "Alt+C"},       {"AD  ", 32, "Alt+D"},
    {"AE  ", 18, "Alt+E"},      {"AF  ", 33, "Alt+F"},       {"AG  ", 34, "Alt+G"},
    {"AH  ", 35, "Alt+H"},      {"AI  ", 23, "Alt+I"},       {"AJ  ", 36, "Alt+J"},
    {"AK  ", 37, "Alt+K"},      {"AL  ", 38, "Alt+L"},       {"AM  ", 50, "Alt+M"},
    {"AN  ", 49, "Alt+N"},      {"AO  ", 24, "Alt+O"},       {"AP  ", 25, "Alt+P"},
    {"AQ  ", 16, "Alt+Q"},      {"AR  ", 19, "Alt+R"},       {"AS  ", 31, "Alt+S"},
    {"AT  ", 20, "Alt+T"},      {"AU  ", 22, "Alt+U"},       {"AV  ", 47, "Alt+V"},
    {"AW  ", 17, "Alt+W"},      {"AX  ", 45, "Alt+X"},       {"AY  ", 21, "Alt+Y"},
    {"AZ  ", 44, "Alt+Z"},      {"CCR ", 116, "Ctrl+Right"}, {"CCL ", 115, "Ctrl+Left"},
    {"CPGD", 118, "Ctrl+PgDn"}, {"CPGU", 132, "Ctrl+PgUp"},  {"CPRT", 114, "Ctrl+Print"},
    {"D   ", 80, "Down"},       {"L   ", 75, "Left"},        {"R   ", 77, "Right"},
    {"U   ", 72, "Up"},         {"PGDN", 81, "Page-Down"},   {"PGUP", 73, "Page-Up"},
    {"F1  ", 59, "F1"},         {"F2  ", 60, "F2"},          {"F3  ", 61, "F3"},
    {"F4  ", 62, "F4"},         {"F5  ", 63, "F5"},          {"F6  ", 64, "F6"},
    {"F7  ", 65, "F7"},         {"F8  ", 66, "F8"},          {"F9  ", 67, "F9"},
    {"F10 ", 68, "F10"},        {"F11 ", 133, "F11"},        {"F12 ", 134, "F12"},
    {"AF1 ", 104, "Alt+F1"},    {"AF2 ", 105, "Alt+F2"},     {"AF3 ", 106, "Alt+F3"},
    {"AF4 ", 107, "Alt+F4"},    {"AF5 ", 108, "Alt+F5"},     {"AF6 ", 109, "Alt+F6"},
    {"AF7 ", 110, "Alt+F7"},    {"AF8 ", 111, "Alt+F8"},     {"AF9 ", 112, "Alt+F9"},
    {"AF10", 113, "Alt+F10"},   {"AF11", 139, "Alt+F11"},    {"AF12", 140, "Alt+F12"},
    {"CF1 ", 94, "Ctrl+F1"},    {"CF2 ", 95, "Ctrl+F2"},     {"CF3 ", 96, "Ctrl+F3"},
    {"CF4 ", 97, "Ctrl+F4"},    {"CF5 ", 98, "Ctrl+F5"},     {"CF6 ", 99, "Ctrl+F6"},
    {"CF7 ", 100, "Ctrl+F7"},   {"CF8 ", 101, "Ctrl+F8"},    {"CF9 ", 102, "Ctrl+F9"},
    {"CF10", 103, "Ctrl+F10"},  {"CF11", 137, "Ctrl+F11"},   {"CF12", 138, "Ctrl+F12"},
    {"SF1 ", 84, "Shift+F1"},   {"SF2 ", 85, "Shift+F2"},    {"SF3 ", 86, "Shift+F3"},
    {"SF4 ", 87, "Shift+F4"},   {"SF5 ", 88, "Shift+F5"},    {"SF6 ", 89, "Shift+F6"},
    {"SF7 ", 90, "Shift+F7"},   {"SF8 ", 91, "Shift+F8"},    {"SF9 ", 92, "Shift+F9"},
    {"SF10", 93, "Shift+F10"},  {"SF11", 135, "Shift+F11"},  {"SF12", 136, "Shift+F12"},
}};

const VocabularyEntry* find_key_code(std::string_view code4) {
  for (const VocabularyEntry& e : kVocabulary)
    if (code4 == e.code) return &e;
  return nullptr;
}

const VocabularyEntry* find_extended(int extended) {
  for (const VocabularyEntry& e : kVocabulary)
    if (e.extended == extended) return &e;
  return nullptr;
}

Modifiers read_modifiers(Display& d) {
  return {d.key_state(vk::kShift) < 0, d.key_state(vk::kControl) < 0, d.key_state(vk::kMenu) < 0};
}

namespace {

// Codes per modifier column; -1 where the column is not tested.
struct Row {
  int shift, ctrl, alt, none;
};

int pick(const Row& r, Modifiers m) {
  if (r.shift >= 0 && m.shift) return r.shift;
  if (r.ctrl >= 0 && m.ctrl) return r.ctrl;
  if (r.alt >= 0 && m.alt) return r.alt;
  return r.none >= 0 ? r.none : 0;
}

// Alt+letter codes A..Z.
constexpr int kAltLetters[26] = {30, 48, 46, 32, 18, 33, 34, 35, 23, 36, 37, 38, 50,
                                 49, 24, 25, 16, 19, 31, 20, 22, 47, 17, 45, 21, 44};

std::string rtrim(std::string s) {
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

const char* modifier_word(Modifiers m) {
  if (m.shift) return "Shift";
  if (m.ctrl) return "Ctrl";
  if (m.alt) return "Alt";
  return "No Shift";
}

}  // namespace

int extended_code(int key, Modifiers m) {
  switch (key) {
    case vk::kTab:
      return pick({15, -1, -1, -1}, m);
    case vk::kEnd:
      return pick({-1, 117, 159, 79}, m);
    case vk::kHome:
      return pick({-1, 119, 151, 71}, m);
    case vk::kLeft:
      return pick({-1, 115, 155, 75}, m);
    case vk::kUp:
      return pick({-1, 141, 152, 72}, m);
    case vk::kRight:
      return pick({-1, 116, 157, 77}, m);
    case vk::kDown:
      return pick({-1, 145, 160, 80}, m);
    case vk::kInsert:
      return pick({-1, 146, 162, 82}, m);
    case vk::kDelete:
      return pick({-1, 147, 163, 83}, m);
    case vk::kF11:
      return pick({135, 137, 139, 133}, m);
    case vk::kF12:
      return pick({136, 138, 140, 134}, m);
    case vk::kPrior:
      return pick({-1, 132, 153, 73}, m);
    case vk::kNext:
      return pick({-1, 118, 161, 81}, m);
    case vk::kOemMinus:
      return pick({-1, -1, 130, -1}, m);
    case vk::kOemPlus:
      return pick({-1, -1, 131, -1}, m);
    default:
      break;
  }
  if (key >= vk::kF1 && key <= vk::kF10) {
    int n = key - vk::kF1;
    return pick({84 + n, 94 + n, 104 + n, 59 + n}, m);
  }
  if (key >= vk::k0 + 1 && key <= vk::k0 + 9)
    return pick({-1, -1, 120 + (key - vk::k0 - 1), -1}, m);
  if (key == vk::k0) return pick({-1, -1, 129, -1}, m);
  if (key >= vk::kA && key <= vk::kA + 25) {
    // Ctrl with a letter gives no code (Ctrl+C and Ctrl+V are the Edit
    // menu's commands); Ctrl is tested before Alt.
    if (m.ctrl) return 0;
    return pick({-1, -1, kAltLetters[key - vk::kA], -1}, m);
  }
  return 0;
}

bool is_close_key(const ScrCommon& c, int extended) {
  return extended > 0 && (extended == c.global_close_value || extended == c.panel_close_value);
}

void translate_key_down(ScrCommon& c, const Message& m, KeyEvent& ev) {
  Display& d = *c.display;
  ev.status = 'N';
  ev.character = 0;
  ev.extended = 0;
  ev.scan = static_cast<std::uint8_t>(key_scan(m.lparam));
  ev.shift_state = kv::shift_flags();
  Modifiers mods = read_modifiers(d);
  int key = static_cast<int>(m.wparam);
  int code = extended_code(key, mods);
  if (key == vk::kInsert && !mods.ctrl && !mods.alt)
    c.insert_flag = c.insert_flag == 'Y' ? 'N' : 'Y';
  if (mods.ctrl) {
    if (key == vk::kA + ('C' - 'A')) copy_field(c);
    if (key == vk::kA + ('V' - 'A')) paste_clipboard(c);
  }
  if (code > 0 && is_close_key(c, code)) {
    d.post({c.window, wm::kClose, 0, 0, 0, -1});
    code = 0;
  } else if (code != 0) {
    ev.status = 'Y';
  }
  ev.extended = static_cast<std::uint16_t>(code);
  TraceModule& t = amp_module();
  if (t.on()) {
    const VocabularyEntry* e = find_extended(code);
    t("Decoded Key:", modifier_word(mods), e ? e->name : num(code));
  }
}

void translate_sys_key_down(ScrCommon& c, const Message& m, KeyEvent& ev) {
  Display& d = *c.display;
  ev.shift_state = kv::shift_flags();
  int key = static_cast<int>(m.wparam);
  bool dos = c.alt_key_handling == '1';
  if (key == vk::kMenu) {
    if (dos) {
      ev.status = 'N';
      ev.scan = static_cast<std::uint8_t>(key_scan(m.lparam));
      return;
    }
    d.default_proc(m.window, m.message, m.wparam, m.lparam);
    return;
  }
  if (key == vk::kTab || key == vk::kSpace || !dos) {
    d.default_proc(m.window, m.message, m.wparam, m.lparam);
    return;
  }
  translate_key_down(c, m, ev);
}

void translate_sys_key_up(ScrCommon& c, const Message& m, KeyEvent&) {
  if (static_cast<int>(m.wparam) == vk::kMenu && c.alt_key_handling == '1') return;
  c.display->default_proc(m.window, m.message, m.wparam, m.lparam);
}

void translate_sys_char(ScrCommon& c, const Message& m, KeyEvent&) {
  if (m.wparam != ' ' && c.alt_key_handling == '1') return;
  c.display->default_proc(m.window, m.message, m.wparam, m.lparam);
}

void translate_char(ScrCommon& c, const Message& m, KeyEvent& ev) {
  Modifiers mods = read_modifiers(*c.display);
  ev.shift_state = kv::shift_flags();
  auto value = static_cast<std::uint32_t>(m.wparam);
  int ch;
  if (value > 127) {
    // The window system's characters are Unicode; the screen's are the code
    // page's.  A character the code page lacks is shown as "?".
    ch = kv::byte_for(static_cast<char32_t>(value));
    if (ch < 0) ch = '?';
  } else {
    ch = static_cast<int>(value);
  }
  ev.character = static_cast<std::uint16_t>(ch);
  ev.extended = 0;
  ev.scan = static_cast<std::uint8_t>(key_scan(m.lparam));
  ev.status = 'Y';
  if (ch == 13 && key_extended(m.lparam)) ev.scan = kScanKeypadEnter;
  if (ch == 9 && mods.shift) ev.status = 'N';
  if ((ch == 3 || ch == 22) && mods.ctrl) ev.status = 'N';
}

// ---- key menus -------------------------------------------------------------

namespace {

bool is_delimiter(char ch) { return ch == ' ' || ch == '=' || ch == '-' || ch == ':' || ch == '+'; }

struct LabelItem {
  std::string code4;
  std::string label;
};

// The items of one key-label line: a word "CODE<delimiter>label" starts an
// item; the label runs to the next such word.
std::vector<LabelItem> parse_label_line(std::string_view line) {
  std::vector<LabelItem> items;
  std::size_t n = std::min<std::size_t>(line.size(), 80);
  std::size_t i = 0;
  auto starts_item = [&](std::size_t at, std::size_t& token_end) {
    std::size_t j = at;
    while (j < n && !is_delimiter(line[j])) ++j;
    std::size_t len = j - at;
    if (len == 0 || len > 5 || j >= n || line[j] == ' ') return false;
    for (std::size_t k = at; k < j; ++k)
      if (!std::isalnum(static_cast<unsigned char>(line[k]))) return false;
    token_end = j;
    return true;
  };
  long open = -1;
  std::size_t label_start = 0, label_end = 0;
  auto close_item = [&]() {
    if (open < 0) return;
    std::string label(line.substr(label_start, label_end - label_start));
    label = rtrim(label);
    if (label.size() > 30) label = rtrim(label.substr(0, 30));
    items[static_cast<std::size_t>(open)].label = label;
    open = -1;
  };
  while (i < n) {
    while (i < n && line[i] == ' ') ++i;
    if (i >= n) break;
    std::size_t token_end;
    std::size_t word_end = i;
    while (word_end < n && line[word_end] != ' ') ++word_end;
    if (starts_item(i, token_end) || open < 0) {
      close_item();
      if (!starts_item(i, token_end)) {  // text before any key code
        i = word_end;
        continue;
      }
      std::string code(line.substr(i, token_end - i));
      for (char& ch : code) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
      code = code.substr(0, 4);
      code.resize(4, ' ');
      items.push_back({code, {}});
      open = static_cast<long>(items.size() - 1);
      label_start = token_end + 1;
      label_end = word_end;
    } else {
      label_end = word_end;
    }
    i = word_end;
  }
  close_item();
  return items;
}

}  // namespace

void SCR_MP(const std::array<std::string_view, 5>& lines, ScrCommon& c) {
  TraceModule& t = mp_module();
  t.index();
  if (!c.menu_built) t("CreateMenu - First time");
  MenuBar bar;
  c.key_items.clear();
  bool close_set = c.panel_close_value > 0 || c.global_close_value > 0;
  bar.popups.push_back({"&File",
                        {{"&Open", cmd::kOpen, true, false},
                         {"&Print Screen", cmd::kPrintScreen, true, false},
                         {"E&xit\tAlt+F4", cmd::kExit, !close_set, false}}});
  bar.popups.push_back(
      {"&Edit",
       {{"&Copy\tCtrl+C", cmd::kCopy, true, false}, {"&Paste\tCtrl+V", cmd::kPaste, true, false}}});
  bar.popups.push_back({"&View", {{"&Fonts...", cmd::kFonts, false, false}}});
  c.copy_enabled = c.paste_enabled = false;

  if (c.menu_option != '1' && c.menu_option != '2') {
    // Line 5 feeds the function-key popup, line 1 the Alt popup, line 2 the
    // Ctrl popup, lines 3 and 4 the Shift popup.
    struct Source {
      int popup;
      int line;
    };
    const Source order[] = {{0, 4}, {1, 0}, {2, 1}, {3, 2}, {3, 3}};
    std::array<MenuPopup, 4> popups = {
        {{"F&unction keys", {}}, {"&Alt-keys", {}}, {"&Ctrl-keys", {}}, {"&Shift-keys", {}}}};
    std::array<int, 4> counts{};
    for (const Source& s : order) {
      for (const LabelItem& item : parse_label_line(lines[static_cast<std::size_t>(s.line)])) {
        ScrCommon::KeyMenuItem result;
        std::string text;
        if (item.code4 == "ENTE") {
          result = {13, 0};
          text = item.label + "\tEnter";
        } else if (const VocabularyEntry* e = find_key_code(item.code4)) {
          result = {0, e->extended};
          text = item.label + "\t" + rtrim(e->name);
        } else {
          continue;  // not a key of the vocabulary
        }
        c.key_items.push_back(result);
        int command = static_cast<int>(c.key_items.size());
        popups[static_cast<std::size_t>(s.popup)].items.push_back({text, command, false, false});
        switch (item.code4[0]) {
          case 'F':
          case 'E':
          case 'P':
          case 'D':
          case 'R':
          case 'L':
          case 'U':
            ++counts[0];
            break;
          case 'A':
            ++counts[1];
            break;
          case 'C':
            ++counts[2];
            break;
          case 'S':
            ++counts[3];
            break;
          default:
            break;
        }
      }
    }
    for (std::size_t p = 0; p < 4; ++p)
      if (counts[p] > 0) bar.popups.push_back(popups[p]);
  }
  bar.popups.push_back(
      {"&Help",
       {{"&Debugger", cmd::kDebugger, false, false}, {"&About...", cmd::kAbout, false, false}}});
  c.menu = bar;
  c.menu_built = true;

  if (c.display && c.window) {
    c.display->set_menu(c.window, c.menu_option == '2' ? nullptr : &c.menu);
    if (c.system_menu_option == '0') {
      bool enabled = close_set;
      if (enabled != c.close_item_enabled) {
        c.close_item_enabled = enabled;
        c.display->set_close_enabled(c.window, enabled);
      }
    }
    c.display->post({c.window, wm::kUserCopy, 0, 0, 0, -1});
  }
}

}  // namespace kv::term
