#include "runtime/terminal/backends/tty/tty_input.h"

#include <algorithm>

#include "runtime/terminal/display.h"
#include "runtime/terminal/messages.h"

namespace kv::term::tty {

namespace {

// Scan codes of the letter keys A..Z and of the digit keys 0..9 (PC set 1).
constexpr int kLetterScan[26] = {30, 48, 46, 32, 18, 33, 34, 35, 23, 36, 37, 38, 50,
                                 49, 24, 25, 16, 19, 31, 20, 22, 47, 17, 45, 21, 44};
constexpr int kDigitScan[10] = {11, 2, 3, 4, 5, 6, 7, 8, 9, 10};
constexpr char kShiftedDigits[] = ")!@#$%^&*(";
// Keypad digits 0..9: scan codes of the keypad keys.
constexpr int kKeypadScan[10] = {82, 79, 80, 81, 75, 76, 77, 71, 72, 73};

int pick(std::uint32_t keys, int plain, int shifted, int control) {
  bool ctrl = keys & kf_ctrl, alt = keys & kf_alt;
  if (ctrl && alt) return -1;
  if (ctrl) return control;
  return (keys & kf_shift) ? shifted : plain;
}

Key letter(int i, std::uint32_t keys) {
  return {vk::kA + i, kLetterScan[i], false, pick(keys, 'a' + i, 'A' + i, i + 1), keys};
}

// xterm's modifier parameter: 1 + (1 shift, 2 alt, 4 ctrl, 8 meta).
std::uint32_t modifiers(int param) {
  if (param < 2) return 0;
  int m = param - 1;
  std::uint32_t k = 0;
  if (m & 1) k |= kf_shift;
  if (m & (2 | 8)) k |= kf_alt;
  if (m & 4) k |= kf_ctrl;
  return k;
}

bool is_final(unsigned char b) { return b >= 0x40 && b <= 0x7E; }
bool is_param(unsigned char b) { return b >= 0x30 && b <= 0x3F; }
bool is_intermediate(unsigned char b) { return b >= 0x20 && b <= 0x2F; }

// Numbers of a parameter string "a;b;c" (sub-parameters after ":" are
// ignored; an empty number is -1).
std::vector<int> numbers(std::string_view s) {
  std::vector<int> v;
  int cur = -1;
  bool sub = false;
  for (char ch : s) {
    if (ch == ';') {
      v.push_back(cur);
      cur = -1;
      sub = false;
    } else if (ch == ':') {
      sub = true;
    } else if (ch >= '0' && ch <= '9' && !sub) {
      cur = cur < 0 ? ch - '0' : std::min(cur * 10 + (ch - '0'), 1000000);
    }
  }
  v.push_back(cur);
  return v;
}

int at_or(const std::vector<int>& v, std::size_t i, int dflt) {
  return i < v.size() && v[i] >= 0 ? v[i] : dflt;
}

}  // namespace

Key named_key(Named k, std::uint32_t keys, int fn) {
  switch (k) {
    case Named::F1: {
      fn = std::clamp(fn, 1, 12);
      return {vk::kF1 + fn - 1, fn <= 10 ? 58 + fn : 76 + fn, false, -1, keys};
    }
    case Named::Up:
      return {vk::kUp, 72, true, -1, keys};
    case Named::Down:
      return {vk::kDown, 80, true, -1, keys};
    case Named::Right:
      return {vk::kRight, 77, true, -1, keys};
    case Named::Left:
      return {vk::kLeft, 75, true, -1, keys};
    case Named::Home:
      return {vk::kHome, 71, true, -1, keys};
    case Named::End:
      return {vk::kEnd, 79, true, -1, keys};
    case Named::Insert:
      return {vk::kInsert, 82, true, -1, keys};
    case Named::Delete:
      return {vk::kDelete, 83, true, -1, keys};
    case Named::PgUp:
      return {vk::kPrior, 73, true, -1, keys};
    case Named::PgDn:
      return {vk::kNext, 81, true, -1, keys};
    case Named::KpEnter:
      return {vk::kReturn, 28, true, pick(keys, 13, 13, 10), keys};
    case Named::Tab:
      return {vk::kTab, 15, false, pick(keys, 9, 9, -1), keys};
  }
  return {};
}

Key key_for_char(char32_t c, std::uint32_t keys) {
  if (c == 13) return {vk::kReturn, 28, false, pick(keys, 13, 13, 10), keys};
  if (c == 9) return named_key(Named::Tab, keys);
  if (c == 27) return {vk::kEscape, 1, false, 27, keys};
  if (c == 127 || c == 8) return {vk::kBack, 14, false, pick(keys, 8, 8, 127), keys};
  if (c == 0) return {vk::kSpace, 57, false, ' ', keys | kf_ctrl};
  if (c >= 1 && c <= 26) return letter(static_cast<int>(c) - 1, keys | kf_ctrl);
  if (c == 0x1F) return {vk::kOemMinus, 12, false, 0x1F, keys | kf_ctrl};
  if (c < 0x20) return {0, 0, false, static_cast<int>(c), keys | kf_ctrl};
  if (c >= 'a' && c <= 'z') return letter(static_cast<int>(c - 'a'), keys);
  if (c >= 'A' && c <= 'Z') return letter(static_cast<int>(c - 'A'), keys | kf_shift);
  if (c >= '0' && c <= '9') {
    int d = static_cast<int>(c - '0');
    return {vk::k0 + d, kDigitScan[d], false, pick(keys, '0' + d, kShiftedDigits[d], -1), keys};
  }
  if (c < 0x80) {
    if (const char* p = std::char_traits<char>::find(kShiftedDigits, 10, static_cast<char>(c))) {
      int d = static_cast<int>(p - kShiftedDigits);
      std::uint32_t k = keys | kf_shift;
      return {vk::k0 + d, kDigitScan[d], false, pick(k, '0' + d, kShiftedDigits[d], -1), k};
    }
  }
  switch (c) {
    case ' ':
      return {vk::kSpace, 57, false, ' ', keys};
    case '-':
      return {vk::kOemMinus, 12, false, pick(keys, '-', '_', 0x1F), keys};
    case '_':
      return {vk::kOemMinus, 12, false, pick(keys | kf_shift, '-', '_', 0x1F), keys | kf_shift};
    case '=':
      return {vk::kOemPlus, 13, false, pick(keys, '=', '+', -1), keys};
    case '+':
      return {vk::kOemPlus, 13, false, pick(keys | kf_shift, '=', '+', -1), keys | kf_shift};
    default:
      break;
  }
  // Characters without a key of their own arrive as typed characters.
  return {0, 0, false, static_cast<int>(c), keys};
}

void Decoder::emit_key(const Key& k, std::vector<Event>& out) const {
  Event e;
  e.kind = Event::Kind::Key;
  e.key = k;
  out.push_back(std::move(e));
}

void Decoder::feed(std::string_view bytes, std::vector<Event>& out) {
  buffer_.append(bytes);
  for (;;) {
    if (in_paste_) {
      feed_paste(out);
      if (in_paste_) return;
    }
    if (discarding_) skip_garbage();
    if (buffer_.empty()) return;
    if (decode_one(out, false) == Result::Incomplete) return;
  }
}

void Decoder::skip_garbage() {
  std::size_t i = 0;
  while (i < buffer_.size()) {
    auto b = static_cast<unsigned char>(buffer_[i]);
    if (is_param(b) || is_intermediate(b)) {
      ++i;
      continue;
    }
    if (is_final(b)) ++i;
    discarding_ = false;
    break;
  }
  buffer_.erase(0, i);
}

void Decoder::expire(std::vector<Event>& out) {
  if (in_paste_) {
    // A paste whose end never came: deliver what arrived.
    paste_ += buffer_;
    buffer_.clear();
    if (paste_.size() > kMaxPaste) paste_.resize(kMaxPaste);
    Event e;
    e.kind = Event::Kind::Paste;
    e.text = std::move(paste_);
    paste_.clear();
    in_paste_ = false;
    out.push_back(std::move(e));
  }
  if (discarding_) skip_garbage();
  discarding_ = false;
  while (!buffer_.empty()) {
    decode_one(out, true);
    if (in_paste_) feed_paste(out);
  }
}

void Decoder::feed_paste(std::vector<Event>& out) {
  static constexpr std::string_view kEnd = "\x1b[201~";
  std::size_t end = buffer_.find(kEnd);
  if (end == std::string::npos) {
    // Keep a tail that may be the start of the end marker.
    std::size_t keep = std::min(buffer_.size(), kEnd.size() - 1);
    std::size_t take = buffer_.size() - keep;
    if (paste_.size() < kMaxPaste)
      paste_.append(buffer_, 0, std::min(take, kMaxPaste - paste_.size()));
    buffer_.erase(0, take);
    return;
  }
  if (paste_.size() < kMaxPaste)
    paste_.append(buffer_, 0, std::min(end, kMaxPaste - paste_.size()));
  buffer_.erase(0, end + kEnd.size());
  Event e;
  e.kind = Event::Kind::Paste;
  e.text = std::move(paste_);
  paste_.clear();
  in_paste_ = false;
  out.push_back(std::move(e));
}

Decoder::Result Decoder::decode_one(std::vector<Event>& out, bool flush) {
  std::size_t used = 0;
  Result r;
  if (static_cast<unsigned char>(buffer_[0]) == 0x1B)
    r = decode_escape(0, 0, out, flush, used);
  else
    r = decode_char(0, 0, out, flush, used);
  if (r == Result::Incomplete) return r;
  buffer_.erase(0, std::max<std::size_t>(used, 1));
  return Result::Done;
}

Decoder::Result Decoder::decode_escape(std::size_t at, std::uint32_t alt, std::vector<Event>& out,
                                       bool flush, std::size_t& used) {
  std::size_t size = buffer_.size();
  if (at + 1 >= size) {
    if (!flush) return Result::Incomplete;
    emit_key(key_for_char(27, alt), out);
    used = at + 1;
    return Result::Done;
  }
  unsigned char n = static_cast<unsigned char>(buffer_[at + 1]);
  if (n == '[' || n == 'O') {
    std::size_t body = 0;
    Result r = n == '[' ? decode_csi(at + 2, alt, out, body) : decode_ss3(at + 2, alt, out, body);
    if (r == Result::Done) {
      used = at + 2 + body;
      return r;
    }
    if (!flush) return Result::Incomplete;
    if (at + 2 >= size) {
      // ESC and one more byte, nothing after it: Alt with that key.
      emit_key(key_for_char(n, kf_alt | alt), out);
      used = at + 2;
    } else {
      ++dropped_;  // an unfinished sequence
      used = size;
    }
    return Result::Done;
  }
  // Whether ESC ] starts a reply or is Alt+] shows in the next byte.
  if (n == ']' && at + 2 >= size && !flush) return Result::Incomplete;
  if (n == ']' && at + 2 < size && buffer_[at + 2] >= '0' && buffer_[at + 2] <= '9') {
    // An operating-system command string the terminal sends back (ESC ]
    // number ; ...): not input; consumed up to BEL or ST.  ESC with "P",
    // "X", "^" or "_" stays Alt with that key: nothing here asks the
    // terminal for replies of those kinds.
    for (std::size_t i = at + 2; i < size; ++i) {
      unsigned char b = static_cast<unsigned char>(buffer_[i]);
      if (b == 0x07) {
        used = i + 1;
        return Result::Done;
      }
      if (b == 0x1B && i + 1 < size && buffer_[i + 1] == '\\') {
        used = i + 2;
        return Result::Done;
      }
    }
    if (!flush && size - at <= kMaxString) return Result::Incomplete;
    ++dropped_;
    used = size;
    return Result::Done;
  }
  if (n == 0x1B && alt == 0) {
    if (at + 2 >= size) {
      if (!flush) return Result::Incomplete;
      // Escape pressed twice (or held) with nothing after it: each is
      // the Esc key.
      emit_key(key_for_char(27, 0), out);
      used = at + 1;
      return Result::Done;
    }
    // ESC ESC ...: some terminals send Alt with a key as ESC before the
    // key's own sequence.
    std::size_t inner = 0;
    Result r = decode_escape(at + 1, kf_alt, out, flush, inner);
    if (r == Result::Incomplete) return r;
    used = inner;
    return Result::Done;
  }
  if (n == '\t' && esc_tab_back_tab_) {
    emit_key(named_key(Named::Tab, kf_shift | alt), out);
    used = at + 2;
    return Result::Done;
  }
  std::size_t inner = 0;
  Result r = decode_char(at + 1, kf_alt | alt, out, flush, inner);
  if (r == Result::Incomplete) return r;
  used = inner;
  return Result::Done;
}

Decoder::Result Decoder::decode_char(std::size_t at, std::uint32_t keys, std::vector<Event>& out,
                                     bool flush, std::size_t& used) {
  std::size_t size = buffer_.size();
  unsigned char b = static_cast<unsigned char>(buffer_[at]);
  if (b < 0x80) {
    emit_key(key_for_char(b, keys), out);
    used = at + 1;
    return Result::Done;
  }
  std::size_t len = b >= 0xC2 && b <= 0xDF   ? 2
                    : b >= 0xE0 && b <= 0xEF ? 3
                    : b >= 0xF0 && b <= 0xF4 ? 4
                                             : 0;
  if (len == 0) {
    ++dropped_;
    used = at + 1;
    return Result::Done;
  }
  if (at + len > size) {
    for (std::size_t i = at + 1; i < size; ++i)
      if ((static_cast<unsigned char>(buffer_[i]) & 0xC0) != 0x80) {
        ++dropped_;
        used = at + 1;
        return Result::Done;
      }
    if (!flush) return Result::Incomplete;
    ++dropped_;
    used = size;
    return Result::Done;
  }
  char32_t cp = b & (0x7F >> len);
  for (std::size_t i = 1; i < len; ++i) {
    unsigned char cb = static_cast<unsigned char>(buffer_[at + i]);
    if ((cb & 0xC0) != 0x80) {
      ++dropped_;
      used = at + 1;
      return Result::Done;
    }
    cp = (cp << 6) | (cb & 0x3F);
  }
  used = at + len;
  bool overlong = (len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000);
  if (overlong || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++dropped_;
    return Result::Done;
  }
  emit_key(key_for_char(cp, keys), out);
  return Result::Done;
}

namespace {
// The keys that SS3 and CSI sequences name by their final byte alone
// (cursor keys, Home, End, F1-F4); false for any other byte.
template <typename Emit>
bool final_byte_key(char f, Emit&& named) {
  struct Entry {
    char final;
    Named key;
    int function_number;
  };
  static constexpr Entry kKeys[] = {
      {'A', Named::Up, 1},   {'B', Named::Down, 1}, {'C', Named::Right, 1}, {'D', Named::Left, 1},
      {'H', Named::Home, 1}, {'F', Named::End, 1},  {'P', Named::F1, 1},    {'Q', Named::F1, 2},
      {'R', Named::F1, 3},   {'S', Named::F1, 4},
  };
  for (const Entry& e : kKeys)
    if (e.final == f) {
      named(e.key, e.function_number);
      return true;
    }
  return false;
}
}  // namespace

Decoder::Result Decoder::decode_ss3(std::size_t at, std::uint32_t alt, std::vector<Event>& out,
                                    std::size_t& used) {
  std::size_t size = buffer_.size();
  std::size_t i = at;
  int mod = 0;
  while (i < size && buffer_[i] >= '0' && buffer_[i] <= '9' && i - at < 3)
    mod = mod * 10 + (buffer_[i++] - '0');
  if (i >= size) return Result::Incomplete;
  char f = buffer_[i];
  used = i + 1 - at;
  std::uint32_t keys = modifiers(mod) | alt;
  auto named = [&](Named k, int fn = 1) { emit_key(named_key(k, keys, fn), out); };
  if (final_byte_key(f, named)) return Result::Done;
  switch (f) {
    case 'M':
      named(Named::KpEnter);
      return Result::Done;
    default:
      break;
  }
  if (f >= 'a' && f <= 'd') {
    // rxvt's Ctrl with the cursor keys.
    static constexpr Named kArrows[] = {Named::Up, Named::Down, Named::Right, Named::Left};
    emit_key(named_key(kArrows[f - 'a'], keys | kf_ctrl), out);
    return Result::Done;
  }
  // The keypad in application mode.
  if (f >= 'p' && f <= 'y') {
    int d = f - 'p';
    emit_key({vk::kNumpad0 + d, kKeypadScan[d], false, pick(keys, '0' + d, '0' + d, -1), keys},
             out);
    return Result::Done;
  }
  switch (f) {
    case 'j':
      emit_key({vk::kMultiply, 55, false, '*', keys}, out);
      return Result::Done;
    case 'k':
      emit_key({vk::kAdd, 78, false, '+', keys}, out);
      return Result::Done;
    case 'l':
      emit_key({vk::kSeparator, 83, false, ',', keys}, out);
      return Result::Done;
    case 'm':
      emit_key({vk::kSubtract, 74, false, '-', keys}, out);
      return Result::Done;
    case 'n':
      emit_key({vk::kDecimal, 83, false, '.', keys}, out);
      return Result::Done;
    case 'o':
      emit_key({vk::kDivide, 53, true, '/', keys}, out);
      return Result::Done;
    case 'X':
      emit_key({0, 0, false, '=', keys}, out);
      return Result::Done;
    default:
      break;
  }
  ++dropped_;
  return Result::Done;
}

bool Decoder::tilde_key(int number, std::uint32_t keys, std::vector<Event>& out) const {
  // ESC [ number ~: the VT editing keys and F1-F12 (with the gaps of the
  // VT numbering); F13 to F20 of the Linux console and rxvt are what they
  // send for Shift+F3 to Shift+F10 (Shift+F1 and Shift+F2 send F11 and F12).
  struct Entry {
    int number;
    Named key;
    int function_number;
    bool shift;
  };
  static constexpr Entry kKeys[] = {
      {1, Named::Home, 1, false},   {7, Named::Home, 1, false}, {2, Named::Insert, 1, false},
      {3, Named::Delete, 1, false}, {4, Named::End, 1, false},  {8, Named::End, 1, false},
      {5, Named::PgUp, 1, false},   {6, Named::PgDn, 1, false}, {11, Named::F1, 1, false},
      {12, Named::F1, 2, false},    {13, Named::F1, 3, false},  {14, Named::F1, 4, false},
      {15, Named::F1, 5, false},    {17, Named::F1, 6, false},  {18, Named::F1, 7, false},
      {19, Named::F1, 8, false},    {20, Named::F1, 9, false},  {21, Named::F1, 10, false},
      {23, Named::F1, 11, false},   {24, Named::F1, 12, false}, {25, Named::F1, 3, true},
      {26, Named::F1, 4, true},     {28, Named::F1, 5, true},   {29, Named::F1, 6, true},
      {31, Named::F1, 7, true},     {32, Named::F1, 8, true},   {33, Named::F1, 9, true},
      {34, Named::F1, 10, true},
  };
  for (const Entry& e : kKeys)
    if (e.number == number) {
      emit_key(named_key(e.key, e.shift ? keys | kf_shift : keys, e.function_number), out);
      return true;
    }
  return false;
}

Decoder::Result Decoder::decode_csi(std::size_t at, std::uint32_t alt, std::vector<Event>& out,
                                    std::size_t& used) {
  std::size_t size = buffer_.size();
  if (at >= size) return Result::Incomplete;
  // Linux console F1..F5: ESC [ [ A..E.
  if (buffer_[at] == '[') {
    if (at + 1 >= size) return Result::Incomplete;
    char f = buffer_[at + 1];
    used = 2;
    if (f >= 'A' && f <= 'E')
      emit_key(named_key(Named::F1, alt, f - 'A' + 1), out);
    else
      ++dropped_;
    return Result::Done;
  }
  // X10 mouse: ESC [ M and three bytes.
  if (buffer_[at] == 'M') {
    if (at + 4 > size) return Result::Incomplete;
    int b = static_cast<unsigned char>(buffer_[at + 1]) - 32;
    int x = static_cast<unsigned char>(buffer_[at + 2]) - 33;
    int y = static_cast<unsigned char>(buffer_[at + 3]) - 33;
    used = 4;
    if (b < 0 || x < 0 || y < 0) {
      ++dropped_;
      return Result::Done;
    }
    Event e;
    e.kind = Event::Kind::Mouse;
    MouseReport& m = e.mouse;
    m.row = y;
    m.col = x;
    if (b & 4) m.keys |= kf_shift;
    if (b & 8) m.keys |= kf_alt;
    if (b & 16) m.keys |= kf_ctrl;
    if (b & 64) {
      m.action = (b & 3) == 0 ? MouseAction::WheelUp : MouseAction::WheelDown;
    } else if (b & 32) {
      m.action = MouseAction::Motion;
      m.button = (b & 3) == 3 ? -1 : b & 3;
    } else if ((b & 3) == 3) {
      m.action = MouseAction::Release;
      m.button = -1;
    } else {
      m.action = MouseAction::Press;
      m.button = b & 3;
    }
    out.push_back(std::move(e));
    return Result::Done;
  }
  std::size_t i = at;
  // A run of parameter and intermediate bytes longer than a sequence can
  // be is garbage, dropped up to its final byte: whether it came in one
  // read or in many, with or without its end.
  auto overlong = [&] {
    ++dropped_;
    used = i - at;
    discarding_ = true;
    return Result::Done;
  };
  while (i < size && is_param(static_cast<unsigned char>(buffer_[i]))) ++i;
  if (i - at > kMaxSequence) return overlong();
  std::size_t params_end = i;
  // rxvt ends a key's number with "$" for Shift (where others put "~"):
  // after a plain number it is the final byte, not an intermediate.
  if (i < size && buffer_[i] == '$' && i > at &&
      std::all_of(buffer_.begin() + static_cast<std::ptrdiff_t>(at),
                  buffer_.begin() + static_cast<std::ptrdiff_t>(i),
                  [](char c) { return c >= '0' && c <= '9'; })) {
    used = i + 1 - at;
    if (!tilde_key(numbers(std::string_view(buffer_).substr(at, i - at))[0], kf_shift | alt, out))
      ++dropped_;
    return Result::Done;
  }
  while (i < size && is_intermediate(static_cast<unsigned char>(buffer_[i]))) ++i;
  if (i - at > kMaxSequence) return overlong();
  if (i >= size) return Result::Incomplete;
  unsigned char f = static_cast<unsigned char>(buffer_[i]);
  if (!is_final(f)) {
    // Malformed: drop what was read; the odd byte is decoded on its own.
    ++dropped_;
    used = i - at;
    return Result::Done;
  }
  used = i + 1 - at;
  std::string_view params(buffer_.data() + at, params_end - at);
  bool intermediates = i != params_end;
  if (intermediates) {
    ++dropped_;
    return Result::Done;
  }
  // SGR mouse: ESC [ < b ; x ; y M (press, motion) or m (release).
  if (!params.empty() && params[0] == '<') {
    std::vector<int> v = numbers(params.substr(1));
    if ((f != 'M' && f != 'm') || v.size() != 3 || v[0] < 0 || v[1] < 1 || v[2] < 1) {
      ++dropped_;
      return Result::Done;
    }
    int b = v[0];
    Event e;
    e.kind = Event::Kind::Mouse;
    MouseReport& m = e.mouse;
    m.col = v[1] - 1;
    m.row = v[2] - 1;
    if (b & 4) m.keys |= kf_shift;
    if (b & 8) m.keys |= kf_alt;
    if (b & 16) m.keys |= kf_ctrl;
    if (b & 64) {
      if ((b & 3) > 1) return Result::Done;  // sideways wheel: nothing
      m.action = (b & 3) == 0 ? MouseAction::WheelUp : MouseAction::WheelDown;
    } else if (b & 32) {
      m.action = MouseAction::Motion;
      m.button = (b & 3) == 3 ? -1 : b & 3;
    } else {
      m.action = f == 'M' ? MouseAction::Press : MouseAction::Release;
      m.button = (b & 3) == 3 ? -1 : b & 3;
      if (b & 128) {  // buttons 8 and up: nothing of ours
        return Result::Done;
      }
    }
    out.push_back(std::move(e));
    return Result::Done;
  }
  if (!params.empty() && !(params[0] >= '0' && params[0] <= ';')) {
    ++dropped_;  // private replies (ESC [ ? ... ) are not keys
    return Result::Done;
  }
  std::vector<int> v = numbers(params);
  int p0 = at_or(v, 0, 1);
  std::uint32_t keys = modifiers(at_or(v, 1, 1)) | alt;
  auto named = [&](Named k, int fn = 1) { emit_key(named_key(k, keys, fn), out); };
  if (final_byte_key(f, named)) return Result::Done;
  if (f >= 'a' && f <= 'd' && params.empty()) {
    // rxvt's Shift with the cursor keys.
    static constexpr Named kArrows[] = {Named::Up, Named::Down, Named::Right, Named::Left};
    emit_key(named_key(kArrows[f - 'a'], keys | kf_shift), out);
    return Result::Done;
  }
  switch (f) {
    case 'Z':
      emit_key(named_key(Named::Tab, keys | kf_shift), out);
      return Result::Done;
    case 'I':
    case 'O':
      return Result::Done;  // focus in / out
    case 'u': {
      // Keys reported by code: ESC [ code ; modifiers u.
      int code = at_or(v, 0, -1);
      if (code < 0 || code > 0x10FFFF) break;
      emit_key(key_for_char(static_cast<char32_t>(code), keys), out);
      return Result::Done;
    }
    case '~':
    case '^':
    case '@': {
      // rxvt marks Ctrl with "^" and Ctrl+Shift with "@" in place of "~".
      std::uint32_t k = keys | (f == '^' ? kf_ctrl : f == '@' ? kf_ctrl | kf_shift : 0);
      if (tilde_key(p0, k, out)) return Result::Done;
      if (f != '~') break;
      switch (p0) {
        case 27: {
          // xterm's modifyOtherKeys: ESC [ 27 ; modifiers ; code ~.
          int code = at_or(v, 2, -1);
          if (code < 0 || code > 0x10FFFF) break;
          emit_key(key_for_char(static_cast<char32_t>(code), keys), out);
          return Result::Done;
        }
        case 200:
          in_paste_ = true;
          paste_.clear();
          return Result::Done;
        case 201:
          return Result::Done;  // a paste end without a start
        default:
          break;
      }
      break;
    }
    default:
      break;
  }
  ++dropped_;
  return Result::Done;
}

std::vector<MouseMessage> MouseTracker::report(const MouseReport& r, std::uint64_t now) {
  static constexpr std::uint32_t kDown[3] = {wm::kLButtonDown, wm::kMButtonDown, wm::kRButtonDown};
  static constexpr std::uint32_t kUp[3] = {wm::kLButtonUp, wm::kMButtonUp, wm::kRButtonUp};
  static constexpr std::uint32_t kDouble[3] = {wm::kLButtonDblClk, wm::kMButtonDblClk,
                                               wm::kRButtonDblClk};
  std::vector<MouseMessage> out;
  auto held_bits = [&] {
    std::uintptr_t h = 0;
    if (held_ & 1u) h |= mouse_keys::kLButton;
    if (held_ & 2u) h |= mouse_keys::kMButton;
    if (held_ & 4u) h |= mouse_keys::kRButton;
    if (r.keys & kf_shift) h |= mouse_keys::kShift;
    if (r.keys & kf_ctrl) h |= mouse_keys::kControl;
    return h;
  };
  switch (r.action) {
    case MouseAction::WheelUp:
    case MouseAction::WheelDown:
      return out;
    case MouseAction::Motion:
      out.push_back({wm::kMouseMove, r.row, r.col, held_bits()});
      return out;
    case MouseAction::Press: {
      if (r.button < 0 || r.button > 2) return out;
      bool dbl = !last_was_double_ && last_button_ == r.button && last_row_ == r.row &&
                 last_col_ == r.col && now - last_press_ms_ <= kDoubleClickMs;
      last_was_double_ = dbl;
      last_button_ = r.button;
      last_row_ = r.row;
      last_col_ = r.col;
      last_press_ms_ = now;
      held_ |= 1u << r.button;
      out.push_back({dbl ? kDouble[r.button] : kDown[r.button], r.row, r.col, held_bits()});
      return out;
    }
    case MouseAction::Release: {
      if (r.button >= 0 && r.button <= 2) {
        held_ &= ~(1u << r.button);
        out.push_back({kUp[r.button], r.row, r.col, held_bits()});
        return out;
      }
      // A release that does not say which button: every button held.
      for (int b = 0; b < 3; ++b)
        if (held_ & (1u << b)) {
          held_ &= ~(1u << b);
          out.push_back({kUp[b], r.row, r.col, held_bits()});
        }
      return out;
    }
  }
  return out;
}

std::string base64(std::string_view in) {
  static const char* t = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((in.size() + 2) / 3 * 4);
  std::size_t i = 0;
  for (; i + 2 < in.size(); i += 3) {
    std::uint32_t v = (static_cast<unsigned char>(in[i]) << 16) |
                      (static_cast<unsigned char>(in[i + 1]) << 8) |
                      static_cast<unsigned char>(in[i + 2]);
    out += t[(v >> 18) & 63];
    out += t[(v >> 12) & 63];
    out += t[(v >> 6) & 63];
    out += t[v & 63];
  }
  if (i < in.size()) {
    std::uint32_t v = static_cast<unsigned char>(in[i]) << 16;
    if (i + 1 < in.size()) v |= static_cast<unsigned char>(in[i + 1]) << 8;
    out += t[(v >> 18) & 63];
    out += t[(v >> 12) & 63];
    out += i + 1 < in.size() ? t[(v >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

}  // namespace kv::term::tty
