// Keys of the desktop window as the window system would report them: a
// Qt key with its modifiers becomes a virtual key, a set-1 scan code and
// the extended-key flag; the character it types follows the rules of a PC
// keyboard (Ctrl+letter gives the control character, navigation and
// function keys type nothing).
#pragma once

#include <cstdint>
#include <string_view>

namespace kv::term::qtd {

struct KeyCode {
  int virtual_key = 0;  // vk:: number; 0 for a character without a key of its own
  int scan = 0;
  bool extended = false;
};

// `qt_key` is a Qt::Key value; `keypad` is true when Qt marked the key as
// one of the numeric keypad.  False when the key has no virtual key (the
// caller may still deliver its text as a typed character).
bool key_code(int qt_key, bool keypad, KeyCode& out);

// The character a key types (Unicode), or -1.  `text` is what the
// keyboard layout produced (UTF-16 code units as Qt gives them);
// `shift`, `ctrl`, `alt` and `caps` are the states at the key.
int key_character(const KeyCode& key, int qt_key, std::u16string_view text, bool shift, bool ctrl,
                  bool alt, bool caps);

// The digit key of the main keyboard's number row, found by its position:
// `xkb_keycode` is the key code that the X server and Wayland report (the
// key's position, whatever the layout prints on it).  The number row gives
// its digit on every layout, as the window system's virtual keys do, so
// that Alt+1 is Alt+1 also where the key types "&" unshifted.  False for
// every other key.
bool number_row_key(std::uint32_t xkb_keycode, KeyCode& out);

// True for the keys that only modify others (Shift, Ctrl, Alt) or switch
// a lock: they never type a character.
bool is_modifier(int virtual_key);

}  // namespace kv::term::qtd
