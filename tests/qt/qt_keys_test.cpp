#include "runtime/terminal/backends/qt/qt_keys.h"

#include <QtCore/qnamespace.h>
#include <gtest/gtest.h>

#include <string>

#include "runtime/terminal/messages.h"

namespace kv::term::qtd {
namespace {

// Qt keys become the window system's virtual keys and PC scan codes; the
// keypad's copies keep their own codes.
TEST(QtKeys, VirtualKeysAndScanCodes) {
  struct Case {
    int qt;
    bool keypad;
    int vk, scan;
    bool extended;
  } cases[] = {
      {Qt::Key_A, false, vk::kA, 30, false},
      {Qt::Key_Z, false, vk::kA + 25, 44, false},
      {Qt::Key_1, false, vk::k0 + 1, 2, false},
      {Qt::Key_0, false, vk::k0, 11, false},
      {Qt::Key_7, true, vk::kNumpad0 + 7, 71, false},
      {Qt::Key_Exclam, false, vk::k0 + 1, 2, false},  // Shift+1 is the 1 key
      {Qt::Key_F1, false, vk::kF1, 59, false},
      {Qt::Key_F10, false, vk::kF10, 68, false},
      {Qt::Key_F11, false, vk::kF11, 87, false},
      {Qt::Key_F12, false, vk::kF12, 88, false},
      {Qt::Key_Return, false, vk::kReturn, 28, false},
      {Qt::Key_Enter, true, vk::kReturn, 28, true},  // keypad Enter
      {Qt::Key_Home, false, vk::kHome, 71, true},
      {Qt::Key_Home, true, vk::kHome, 71, false},  // keypad 7 with Num Lock off
      {Qt::Key_Delete, false, vk::kDelete, 83, true},
      {Qt::Key_Backtab, false, vk::kTab, 15, false},
      {Qt::Key_Minus, false, vk::kOemMinus, 12, false},
      {Qt::Key_Minus, true, vk::kSubtract, 74, false},
      {Qt::Key_Underscore, false, vk::kOemMinus, 12, false},
      {Qt::Key_Plus, false, vk::kOemPlus, 13, false},
      {Qt::Key_Alt, false, vk::kMenu, 56, false},
      {Qt::Key_Control, false, vk::kControl, 29, false},
      {Qt::Key_Shift, false, vk::kShift, 42, false},
      {Qt::Key_CapsLock, false, vk::kCapital, 58, false},
  };
  for (const Case& c : cases) {
    KeyCode k;
    ASSERT_TRUE(key_code(c.qt, c.keypad, k)) << std::hex << c.qt;
    EXPECT_EQ(k.virtual_key, c.vk) << std::hex << c.qt;
    EXPECT_EQ(k.scan, c.scan) << std::hex << c.qt;
    EXPECT_EQ(k.extended, c.extended) << std::hex << c.qt;
  }
  KeyCode k;
  EXPECT_FALSE(key_code(Qt::Key_Eacute, false, k));
}

// The number row by position: its digits on every layout (a French
// keyboard types "&" on the 1 key, yet Alt with it is Alt+1); other keys
// are not taken for digits.
TEST(QtKeys, NumberRowByPosition) {
  struct Case {
    std::uint32_t keycode;
    int vk, scan;
  } cases[] = {{10, vk::k0 + 1, 2}, {18, vk::k0 + 9, 10}, {19, vk::k0, 11}};
  for (const Case& c : cases) {
    KeyCode k;
    ASSERT_TRUE(number_row_key(c.keycode, k)) << c.keycode;
    EXPECT_EQ(k.virtual_key, c.vk) << c.keycode;
    EXPECT_EQ(k.scan, c.scan) << c.keycode;
    EXPECT_FALSE(k.extended);
  }
  for (std::uint32_t other : {0u, 9u, 20u, 24u, 87u}) {
    KeyCode k;
    EXPECT_FALSE(number_row_key(other, k)) << other;
  }
  // The character still comes from the layout.
  KeyCode one;
  number_row_key(10, one);
  EXPECT_EQ(key_character(one, Qt::Key_Ampersand, u"&", false, false, false, false), '&');
}

// What a key types: the layout's text for printable keys, control
// characters with Ctrl, nothing for navigation and function keys (whatever
// text the layout attaches to them, like X'7F' for Delete).
TEST(QtKeys, Characters) {
  struct Case {
    int qt;
    std::u16string text;
    bool shift, ctrl, alt, caps;
    int want;
  } cases[] = {
      {Qt::Key_A, u"a", false, false, false, false, 'a'},
      {Qt::Key_A, u"A", true, false, false, false, 'A'},
      {Qt::Key_A, u"", false, false, false, true, 'A'},  // no layout text: Caps Lock
      {Qt::Key_A, u"\x01", false, true, false, false, 1},
      {Qt::Key_Z, u"", false, true, false, false, 26},
      {Qt::Key_A, u"a", false, false, true, false, 'a'},         // Alt+A types a system character
      {Qt::Key_A, u"", false, true, true, false, -1},            // Ctrl+Alt+A types nothing
      {Qt::Key_E, u"\u20ac", false, true, true, false, 0x20AC},  // AltGr+E on a layout with €
      {Qt::Key_Return, u"\r", false, false, false, false, 13},
      {Qt::Key_Return, u"", false, true, false, false, 10},
      {Qt::Key_Backspace, u"\b", false, true, false, false, 127},
      {Qt::Key_Escape, u"\x1b", false, false, false, false, 27},
      {Qt::Key_Delete, u"\x7f", false, false, false, false, -1},
      {Qt::Key_F1, u"", false, false, false, false, -1},
      {Qt::Key_Left, u"", false, false, false, false, -1},
      {Qt::Key_Shift, u"", true, false, false, false, -1},
      {Qt::Key_1, u"!", true, false, false, false, '!'},
      {Qt::Key_Minus, u"", false, true, false, false, 0x1F},
      {Qt::Key_Slash, u"", false, false, false, false, '/'},
      {Qt::Key_5, u"", false, false, false, false, '5'},
  };
  for (const Case& c : cases) {
    KeyCode k;
    ASSERT_TRUE(key_code(c.qt, false, k));
    EXPECT_EQ(key_character(k, c.qt, c.text, c.shift, c.ctrl, c.alt, c.caps), c.want)
        << std::hex << c.qt << " ctrl " << c.ctrl << " alt " << c.alt;
  }
  // A character without a key of its own arrives as typed.
  EXPECT_EQ(key_character(KeyCode{}, Qt::Key_Eacute, u"\u00e9", false, false, false, false), 0xE9);
}

}  // namespace
}  // namespace kv::term::qtd
