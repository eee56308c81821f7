// Terminal input for the tty display: the bytes a terminal sends (plain
// and control characters, UTF-8, CSI / SS3 escape sequences with xterm
// modifier parameters, SGR 1006 and X10 mouse reports, bracketed paste)
// decoded into the keys and mouse actions of a PC keyboard and mouse, and
// the mouse actions turned into the window system's button messages
// (double clicks built from timing).
//
// Nothing here touches the terminal: the display feeds the bytes it reads
// and posts what comes out, so all of it is testable from byte strings.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kv::term::tty {

// A key as the window system would report it: virtual key, scan code,
// extended flag, the character it types (Unicode, -1 none) and the kf_*
// modifier bits of display.h.
struct Key {
  int vk = 0;
  int scan = 0;
  bool extended = false;
  int character = -1;
  std::uint32_t keys = 0;
  bool operator==(const Key&) const = default;
};

enum class MouseAction { Press, Release, Motion, WheelUp, WheelDown };

// A mouse report: button 0 left, 1 middle, 2 right, -1 unknown (an X10
// release, or motion without a button); cell from 0.
struct MouseReport {
  MouseAction action = MouseAction::Press;
  int button = 0;
  int row = 0, col = 0;
  std::uint32_t keys = 0;
  bool operator==(const MouseReport&) const = default;
};

struct Event {
  enum class Kind { Key, Mouse, Paste };
  Kind kind = Kind::Key;
  Key key;
  MouseReport mouse;
  std::string text;  // Paste: the pasted text, UTF-8
};

// The key a character typed on a US layout stands for, with `keys`
// modifiers (kf_* bits) already known to be held.  Control characters are
// the keys that send them (13 Enter, 9 Tab, 27 Esc, 127 and 8 Backspace,
// 1-26 Ctrl+letter).
Key key_for_char(char32_t c, std::uint32_t keys);

// A named key (F1..F12, arrows, editing keys, keypad Enter) with modifiers.
enum class Named { F1, Up, Down, Right, Left, Home, End, Insert, Delete, PgUp, PgDn, KpEnter, Tab };
Key named_key(Named k, std::uint32_t keys, int function_number = 1);

class Decoder {
 public:
  // Appends bytes; complete events are appended to `out`.  Bytes that may
  // begin a longer sequence are held until more arrive or expire().
  void feed(std::string_view bytes, std::vector<Event>& out);
  // No further bytes came within the escape delay: a lone ESC is the Esc
  // key, ESC with one more byte is Alt with that key, and anything else
  // still held is an unfinished sequence and is dropped.
  void expire(std::vector<Event>& out);
  // The terminal's back-tab key as its description names it.  The Linux
  // console sends ESC TAB for Shift+Tab; elsewhere that stays Alt+Tab.
  void set_back_tab(std::string_view sequence) { esc_tab_back_tab_ = sequence == "\x1b\t"; }
  // Bytes are held waiting for the rest of a sequence.
  bool pending() const { return !buffer_.empty() || in_paste_; }
  bool in_paste() const { return in_paste_; }
  // Sequences dropped as unknown, malformed or unfinished (for tests and
  // the trace).
  int dropped() const { return dropped_; }

  // A bracketed paste longer than this is cut.
  static constexpr std::size_t kMaxPaste = 1 << 20;
  // A control sequence longer than this is garbage and is dropped.
  static constexpr std::size_t kMaxSequence = 64;
  static constexpr std::size_t kMaxString = 4096;  // OSC / DCS strings

 private:
  enum class Result { Done, Incomplete };
  // Decodes one unit at the front of buffer_; `flush` when no more bytes
  // will come (expire).
  Result decode_one(std::vector<Event>& out, bool flush);
  Result decode_escape(std::size_t at, std::uint32_t alt, std::vector<Event>& out, bool flush,
                       std::size_t& used);
  Result decode_csi(std::size_t at, std::uint32_t alt, std::vector<Event>& out, std::size_t& used);
  Result decode_ss3(std::size_t at, std::uint32_t alt, std::vector<Event>& out, std::size_t& used);
  Result decode_char(std::size_t at, std::uint32_t keys, std::vector<Event>& out, bool flush,
                     std::size_t& used);
  void feed_paste(std::vector<Event>& out);
  void skip_garbage();
  void emit_key(const Key& k, std::vector<Event>& out) const;
  // The key a VT-style number stands for (ESC [ number ~ and rxvt's
  // variants); false for a number that names none.
  bool tilde_key(int number, std::uint32_t keys, std::vector<Event>& out) const;

  std::string buffer_;
  bool in_paste_ = false;
  bool esc_tab_back_tab_ = false;
  bool discarding_ = false;  // inside an overlong sequence, up to its final byte
  std::string paste_;
  int dropped_ = 0;
};

// One window-system mouse message: its number (wm::), the cell and the
// button bits of the word parameter for a move (mouse_keys::).
struct MouseMessage {
  std::uint32_t message = 0;
  int row = 0, col = 0;
  std::uintptr_t held = 0;
  bool operator==(const MouseMessage&) const = default;
};

// Turns reports into button messages as the window system sends them: a
// second press of the same button on the same cell within the double-click
// time is a double click; moves report the buttons held; wheel turns give
// nothing.
class MouseTracker {
 public:
  static constexpr std::uint64_t kDoubleClickMs = 500;
  std::vector<MouseMessage> report(const MouseReport& r, std::uint64_t now_ms);
  bool left_held() const { return (held_ & 1u) != 0; }
  // The button is held (-1: any button).
  bool held(int button) const {
    return button < 0 ? held_ != 0 : button <= 2 && (held_ & (1u << button)) != 0;
  }

 private:
  unsigned held_ = 0;  // bit 0 left, 1 middle, 2 right
  int last_button_ = -1;
  int last_row_ = -1, last_col_ = -1;
  std::uint64_t last_press_ms_ = 0;
  bool last_was_double_ = false;
};

// Base64 (for OSC 52 clipboard writes).
std::string base64(std::string_view bytes);

}  // namespace kv::term::tty
