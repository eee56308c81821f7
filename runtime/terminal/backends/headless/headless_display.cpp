#include "runtime/terminal/backends/headless/headless_display.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "runtime/terminal/colours.h"
#include "runtime/utilities/boxes.h"
#include "runtime/utilities/codepage.h"

namespace kv::term {

namespace {

constexpr int kMenuPaste = 9005;

struct KeyName {
  const char* name;
  int vk;
  int scan;
  bool extended;
  int plain;    // character without modifiers, -1 none
  int shifted;  // character with Shift
  int control;  // character with Ctrl
};

constexpr KeyName kNamedKeys[] = {
    {"enter", vk::kReturn, 28, false, 13, 13, 10},
    {"kpenter", vk::kReturn, 28, true, 13, 13, 10},
    {"tab", vk::kTab, 15, false, 9, 9, -1},
    {"esc", vk::kEscape, 1, false, 27, 27, 27},
    {"backspace", vk::kBack, 14, false, 8, 8, 127},
    {"insert", vk::kInsert, 82, true, -1, -1, -1},
    {"delete", vk::kDelete, 83, true, -1, -1, -1},
    {"home", vk::kHome, 71, true, -1, -1, -1},
    {"end", vk::kEnd, 79, true, -1, -1, -1},
    {"pgup", vk::kPrior, 73, true, -1, -1, -1},
    {"pgdn", vk::kNext, 81, true, -1, -1, -1},
    {"up", vk::kUp, 72, true, -1, -1, -1},
    {"down", vk::kDown, 80, true, -1, -1, -1},
    {"left", vk::kLeft, 75, true, -1, -1, -1},
    {"right", vk::kRight, 77, true, -1, -1, -1},
    {"space", vk::kSpace, 57, false, ' ', ' ', ' '},
    {"minus", vk::kOemMinus, 12, false, '-', '_', 0x1F},
    {"equals", vk::kOemPlus, 13, false, '=', '+', -1},
};

// Scan codes of the letter keys A..Z and of the digit keys 0..9.
constexpr int kLetterScan[26] = {30, 48, 46, 32, 18, 33, 34, 35, 23, 36, 37, 38, 50,
                                 49, 24, 25, 16, 19, 31, 20, 22, 47, 17, 45, 21, 44};
constexpr int kDigitScan[10] = {11, 2, 3, 4, 5, 6, 7, 8, 9, 10};
constexpr char kShiftedDigits[] = ")!@#$%^&*(";

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string trim(const std::string& s) {
  std::size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return {};
  std::size_t e = s.find_last_not_of(" \t\r\n");
  return s.substr(b, e - b + 1);
}

// A script line without its comment: "#" starts one at the beginning of a
// word, as in a shell script ("key Tab  # to the name"); "a#b" is text.
std::string without_comment(const std::string& line) {
  for (std::size_t i = 0; i < line.size(); ++i)
    if (line[i] == '#' && (i == 0 || line[i - 1] == ' ' || line[i - 1] == '\t'))
      return line.substr(0, i);
  return line;
}

// The text of `type`, `paste` and `expect`: everything after the one blank
// that ends the word before it, so that leading blanks are part of it
// ("expect 12 17      0.00" checks the blanks too).
std::string text_after(const std::string& s, std::size_t word_end) {
  return word_end < s.size() ? s.substr(word_end + 1) : std::string{};
}

// Splits off the first word; the rest keeps its inner spaces.
std::string first_word(const std::string& s, std::string& rest) {
  std::size_t sp = s.find_first_of(" \t");
  if (sp == std::string::npos) {
    rest.clear();
    return s;
  }
  std::size_t r = s.find_first_not_of(" \t", sp);
  rest = r == std::string::npos ? std::string{} : s.substr(r);
  return s.substr(0, sp);
}

bool to_int(const std::string& s, int& out) {
  if (s.empty()) return false;
  char* end = nullptr;
  long v = std::strtol(s.c_str(), &end, 10);
  if (*end != 0 || v < -100000 || v > 100000) return false;
  out = static_cast<int>(v);
  return true;
}

}  // namespace

HeadlessDisplay::HeadlessDisplay() {
  std::string script;
  if (const char* file = std::getenv("KORVEXAN_INPUT"); file && *file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "headless: cannot read input script %s\n", file);
    } else {
      std::ostringstream ss;
      ss << in.rdbuf();
      script = ss.str();
    }
  }
  load(script);
}

HeadlessDisplay::HeadlessDisplay(const std::string& script) { load(script); }

void HeadlessDisplay::load(const std::string& script) {
  metrics_ = {};
  metrics_.caption_height = 1;
  work_area_ = {0, 0, 1024, 768};
  cell_metrics_ = {1, 1, 1};
  status_height_ = 0;
  chars_.fill(' ');
  attrs_.fill(0x07);
  std::istringstream in(script);
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    std::string t = trim(without_comment(line));
    if (t.empty()) continue;
    lines_.emplace_back(number, t);
  }
}

void HeadlessDisplay::stop(int status) {
  if (stop_) stop_(status);
  std::exit(status);
}

void HeadlessDisplay::device_wait(std::uint64_t deadline_ms) {
  for (;;) {
    if (wait_left_ms_ > 0) {
      std::uint64_t target = clock_ms_ + wait_left_ms_;
      if (deadline_ms != 0 && deadline_ms > clock_ms_ && deadline_ms < target) target = deadline_ms;
      wait_left_ms_ -= target - clock_ms_;
      clock_ms_ = target;
      return;
    }
    if (lines_.empty()) {
      std::fflush(stdout);
      std::fputs("headless input exhausted\n", stderr);
      std::fflush(stderr);
      stop(97);
    }
    auto [number, line] = lines_.front();
    lines_.pop_front();
    if (!run_line(line))
      std::fprintf(log_, "headless: line %d not understood, ignored: %s\n", number, line.c_str());
    if (has_pending_work() || wait_left_ms_ > 0) return;
  }
}

bool HeadlessDisplay::run_line(const std::string& text) {
  std::string rest;
  std::string line = trim(text);
  std::string cmd = lower(first_word(line, rest));
  WindowId w = main_window();
  if (cmd == "key") return key_line(rest);
  if (cmd == "type") {
    if (!w) return true;  // nothing to type into; consumed
    std::string chars = text_after(line, cmd.size());
    std::size_t pos = 0;
    while (pos < chars.size()) type_char(next_utf8(chars, pos));
    return true;
  }
  if (cmd == "wait") {
    char* end = nullptr;
    double s = std::strtod(rest.c_str(), &end);
    if (rest.empty() || *end != 0 || !(s >= 0) || s > 86400) return false;
    wait_left_ms_ += static_cast<std::uint64_t>(s * 1000.0 + 0.5);
    return true;
  }
  if (cmd == "close") {
    if (w) post_input(w, wm::kSysCommand, sys_command::kClose, 0, device_keys_);
    return rest.empty();
  }
  if (cmd == "answer") {
    std::string a = lower(rest);
    if (a == "yes")
      pending_answer_ = kIdYes;
    else if (a == "no")
      pending_answer_ = kIdNo;
    else
      return false;
    return true;
  }
  if (cmd == "paste") {
    clipboard_set_text(w, from_utf8(text_after(line, cmd.size())));
    if (w) post_input(w, wm::kCommand, kMenuPaste, 0, device_keys_);
    return true;
  }
  if (cmd == "drop") {
    if (rest.empty()) return false;
    std::vector<std::string> files;
    std::istringstream ss(rest);
    std::string f;
    while (ss >> f) files.push_back(f);
    // Dropped at the top left cell; a window that does not accept drops
    // ignores them, as the desktop would.
    if (w) post_drop(w, files, {0, 0});
    return true;
  }
  if (cmd == "menu") {
    int n;
    if (!to_int(rest, n) || n <= 0) return false;
    if (w) post_input(w, wm::kCommand, static_cast<std::uintptr_t>(n), 0, device_keys_);
    return true;
  }
  if (cmd == "click" || cmd == "dblclick" || cmd == "press" || cmd == "move" || cmd == "release") {
    std::istringstream ss(rest);
    std::string rs, cs, bs, extra;
    ss >> rs >> cs >> bs >> extra;
    int row, col;
    if (!to_int(rs, row) || !to_int(cs, col) || !extra.empty()) return false;
    bool right = false;
    if (!bs.empty()) {
      std::string b = lower(bs);
      if ((cmd != "click" && cmd != "dblclick") || (b != "left" && b != "right")) return false;
      right = b == "right";
    }
    if (!w) return true;
    std::uint32_t down = right ? wm::kRButtonDown : wm::kLButtonDown;
    std::uint32_t up = right ? wm::kRButtonUp : wm::kLButtonUp;
    std::uint32_t dbl = right ? wm::kRButtonDblClk : wm::kLButtonDblClk;
    std::uint32_t keys = device_keys_;
    if (cmd == "click") {
      post_mouse_cell(down, row, col, keys);
      post_mouse_cell(up, row, col, keys);
    } else if (cmd == "dblclick") {
      post_mouse_cell(down, row, col, keys);
      post_mouse_cell(up, row, col, keys);
      post_mouse_cell(dbl, row, col, keys);
      post_mouse_cell(up, row, col, keys);
    } else if (cmd == "press") {
      left_held_ = true;
      post_mouse_cell(wm::kLButtonDown, row, col, keys);
    } else if (cmd == "move") {
      post_mouse_cell(wm::kMouseMove, row, col, keys);
    } else {
      left_held_ = false;
      post_mouse_cell(wm::kLButtonUp, row, col, keys);
    }
    return true;
  }
  if (cmd == "expect") {
    std::string rest2, rest3;
    std::string rs = first_word(rest, rest2);
    std::string cs = first_word(rest2, rest3);
    int row, col;
    if (!to_int(rs, row) || !to_int(cs, col) || rest3.empty()) return false;
    rest3 = text_after(rest2, cs.size());
    flush_paint();
    std::string want = from_utf8(rest3);
    std::string got;
    for (std::size_t i = 0; i < want.size(); ++i)
      got += static_cast<char>(cell_char(row, col + static_cast<int>(i)));
    if (got != want) {
      std::fflush(stdout);
      std::fprintf(stderr,
                   "headless expect failed at row %d column %d: expected \"%s\", found \"%s\"\n",
                   row, col, rest3.c_str(), to_utf8(got).c_str());
      std::string screen = dump_text();
      std::fwrite(screen.data(), 1, screen.size(), stderr);
      std::fflush(stderr);
      stop(98);
    }
    return true;
  }
  if (cmd == "dump") {
    std::string file = rest;
    if (file.empty()) {
      const char* env = std::getenv("KORVEXAN_SCREEN");
      if (!env || !*env) {
        std::string screen = dump_text();
        std::fwrite(screen.data(), 1, screen.size(), stdout);
        std::fflush(stdout);
        return true;
      }
      file = env;
    }
    write_dump(file);
    return true;
  }
  return false;
}

bool HeadlessDisplay::key_line(const std::string& spec_in) {
  std::string spec = trim(spec_in);
  if (spec.empty() || spec.find_first_of(" \t") != std::string::npos) return false;
  std::uint32_t keys = device_keys_ & (kf_caps | kf_num | kf_scroll | kf_insert);
  std::string name = spec;
  for (;;) {
    std::string l = lower(name);
    if (l.rfind("shift+", 0) == 0)
      keys |= kf_shift, name = name.substr(6);
    else if (l.rfind("ctrl+", 0) == 0)
      keys |= kf_ctrl, name = name.substr(5);
    else if (l.rfind("alt+", 0) == 0)
      keys |= kf_alt, name = name.substr(4);
    else
      break;
  }
  if (name.empty()) return false;
  WindowId w = main_window();
  std::string l = lower(name);
  bool shift = keys & kf_shift, ctrl = keys & kf_ctrl, alt = keys & kf_alt;
  auto pick = [&](int plain, int shifted, int control) {
    if (ctrl && alt) return -1;
    if (ctrl) return control;
    return shift ? shifted : plain;
  };
  int vkey = 0, scan = 0, ch = -1;
  bool ext = false;
  if (l.size() >= 2 && l[0] == 'f' && std::isdigit(static_cast<unsigned char>(l[1]))) {
    int n;
    if (!to_int(l.substr(1), n) || n < 1 || n > 12) return false;
    vkey = vk::kF1 + n - 1;
    scan = n <= 10 ? 58 + n : 76 + n;  // F11 87, F12 88
  } else if (l.size() == 1 && std::isalpha(static_cast<unsigned char>(l[0]))) {
    int i = l[0] - 'a';
    vkey = vk::kA + i;
    scan = kLetterScan[i];
    ch = pick('a' + i, 'A' + i, i + 1);
    if ((keys & kf_caps) && !ctrl && ch >= 0) ch = shift ? 'a' + i : 'A' + i;
  } else if (l.size() == 1 && std::isdigit(static_cast<unsigned char>(l[0]))) {
    int d = l[0] - '0';
    vkey = vk::k0 + d;
    scan = kDigitScan[d];
    ch = pick('0' + d, kShiftedDigits[d], -1);
  } else {
    const KeyName* k = nullptr;
    for (const KeyName& kn : kNamedKeys)
      if (l == kn.name) k = &kn;
    if (!k) return false;
    vkey = k->vk;
    scan = k->scan;
    ext = k->extended;
    ch = pick(k->plain, k->shifted, k->control);
  }
  if (vkey == vk::kInsert && !ctrl && !alt) device_keys_ ^= kf_insert;
  if (w) {
    post_key(w, vkey, scan, ext, ch, keys);
    // The key is released again; only Alt's release matters to the logic.
    if (alt)
      post_input(w, wm::kSysKeyUp, vk::kMenu, make_key_param(56, false, false, true),
                 keys & ~kf_alt);
  }
  return true;
}

void HeadlessDisplay::type_char(char32_t c) {
  WindowId w = main_window();
  std::uint32_t keys = device_keys_ & (kf_caps | kf_num | kf_scroll | kf_insert);
  if (c < 0x80 && std::isalpha(static_cast<int>(c))) {
    int i = std::tolower(static_cast<int>(c)) - 'a';
    if (std::isupper(static_cast<int>(c))) keys |= kf_shift;
    post_key(w, vk::kA + i, kLetterScan[i], false, static_cast<int>(c), keys);
  } else if (c >= '0' && c <= '9') {
    int d = static_cast<int>(c - '0');
    post_key(w, vk::k0 + d, kDigitScan[d], false, static_cast<int>(c), keys);
  } else if (c == ' ') {
    post_key(w, vk::kSpace, 57, false, ' ', keys);
  } else {
    // Characters without a key of their own arrive as typed characters.
    post_key(w, 0, 0, false, static_cast<int>(c), keys);
  }
}

void HeadlessDisplay::post_mouse_cell(std::uint32_t message, int row, int col, std::uint32_t keys) {
  WindowId w = main_window();
  Point scroll = scroll_pos(w);
  TextMetrics m = cell_metrics_;
  int x = (col - 1) * m.avg_width - scroll.x;
  int y = (row - 1) * m.height - scroll.y;
  if (message == wm::kMouseMove) {
    std::uintptr_t held = left_held_ ? mouse_keys::kLButton : 0;
    if (keys & kf_shift) held |= mouse_keys::kShift;
    if (keys & kf_ctrl) held |= mouse_keys::kControl;
    post_input(w, message, held, make_point_param(x, y), keys);
    return;
  }
  post_mouse(w, message, x, y, keys);
}

void HeadlessDisplay::device_draw(WindowId window, int x, int y, std::string_view bytes, Handle,
                                  Rgb foreground, Rgb background) {
  if (window != main_window()) return;  // secondary windows are not dumped
  copy_drawn_run(chars_.data(), attrs_.data(), x, y, bytes, foreground, background);
}

std::uint8_t HeadlessDisplay::cell_char(int row, int col) const {
  if (row < 1 || row > kRows || col < 1 || col > kCols) return 0;
  return chars_[static_cast<std::size_t>((row - 1) * kCols + col - 1)];
}
std::uint8_t HeadlessDisplay::cell_attr(int row, int col) const {
  if (row < 1 || row > kRows || col < 1 || col > kCols) return 0;
  return attrs_[static_cast<std::size_t>((row - 1) * kCols + col - 1)];
}

int HeadlessDisplay::message_box(WindowId, int kind, std::string_view title, std::string_view text,
                                 unsigned style) {
  std::string line =
      "BOX " + std::to_string(kind) + " " + to_utf8(title) + " | " + to_utf8(one_line(text)) + "\n";
  std::fflush(stdout);
  std::fwrite(line.data(), 1, line.size(), log_);
  std::fflush(log_);
  if ((style & mb::kButtonMask) != mb::kYesNo) return kIdOk;
  // The answer may be given just before or just after the event that asks.
  if (pending_answer_ == 0 && !lines_.empty()) {
    std::string rest;
    std::string cmd = lower(first_word(lines_.front().second, rest));
    if (cmd == "answer") {
      run_line(lines_.front().second);
      lines_.pop_front();
    }
  }
  int answer = pending_answer_ == 0 ? kIdNo : pending_answer_;
  pending_answer_ = 0;
  return answer;
}

Handle HeadlessDisplay::create_message_window(std::string_view caption, std::string_view text) {
  Handle h = BasicDisplay::create_message_window(caption, text);
  status_ = std::string(text);
  std::string line = "STATUS " + to_utf8(text) + "\n";
  std::fflush(stdout);
  std::fwrite(line.data(), 1, line.size(), log_);
  std::fflush(log_);
  return h;
}

void HeadlessDisplay::set_status_text(Handle bar, int part, std::string_view text, bool raised) {
  BasicDisplay::set_status_text(bar, part, text, raised);
  if (part != 0) return;
  status_ = std::string(text);
  if (text.empty()) return;
  std::string line = "STATUS " + to_utf8(text) + "\n";
  std::fflush(stdout);
  std::fwrite(line.data(), 1, line.size(), log_);
  std::fflush(log_);
}

bool HeadlessDisplay::choose_font(WindowId, LogicalFont&, std::uint32_t& error) {
  // No fonts to choose from: the dialog is cancelled.
  error = 0;
  return false;
}

void HeadlessDisplay::flush_paint() {
  for (WindowId w : windows()) update_window(w);
}

std::string HeadlessDisplay::dump_text() {
  flush_paint();
  int rows = 25, cols = 80;
  WindowId w = main_window();
  if (w) {
    Rect c = client_rect(w);
    TextMetrics m = cell_metrics_;
    rows = std::clamp((c.height() - status_height_) / std::max(m.height, 1), 0, kRows);
    cols = std::clamp(c.width() / std::max(m.avg_width, 1), 0, kCols);
  }
  Point caret = caret_pos();
  Point scroll = w ? scroll_pos(w) : Point{};
  int crow = (caret.y + scroll.y) / std::max(cell_metrics_.height, 1) + 1;
  int ccol = (caret.x + scroll.x) / std::max(cell_metrics_.avg_width, 1) + 1;
  std::string out = "SCREEN " + std::to_string(rows) + "x" + std::to_string(cols) + " CURSOR " +
                    std::to_string(crow) + " " + std::to_string(ccol) + "\n";
  out += "STATUS " + to_utf8(status_) + "\n";
  for (int r = 0; r < rows; ++r) {
    std::string row(reinterpret_cast<const char*>(chars_.data()) + r * kCols,
                    static_cast<std::size_t>(cols));
    out += to_utf8(row) + "\n";
  }
  out += "ATTR\n";
  static const char* hex = "0123456789ABCDEF";
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < cols; ++c) {
      std::uint8_t a = attrs_[static_cast<std::size_t>(r * kCols + c)];
      out += hex[a >> 4];
      out += hex[a & 15];
    }
    out += "\n";
  }
  return out;
}

void HeadlessDisplay::write_dump(const std::string& file) {
  std::string text = dump_text();
  std::ofstream outf(file, std::ios::binary | std::ios::trunc);
  if (!outf) {
    std::fprintf(stderr, "headless: cannot write screen dump %s\n", file.c_str());
    return;
  }
  outf << text;
}

void HeadlessDisplay::shutdown() {
  if (shut_down_) return;
  shut_down_ = true;
  if (const char* env = std::getenv("KORVEXAN_SCREEN"); env && *env) write_dump(env);
}

std::unique_ptr<Display> make_headless_display() { return std::make_unique<HeadlessDisplay>(); }

}  // namespace kv::term
