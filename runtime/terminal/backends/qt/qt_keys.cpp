#include "runtime/terminal/backends/qt/qt_keys.h"

#include <QtCore/qnamespace.h>

#include "runtime/terminal/messages.h"

namespace kv::term::qtd {

namespace {

// Scan codes of the letter keys A..Z and of the digit keys 0..9.
constexpr int kLetterScan[26] = {30, 48, 46, 32, 18, 33, 34, 35, 23, 36, 37, 38, 50,
                                 49, 24, 25, 16, 19, 31, 20, 22, 47, 17, 45, 21, 44};
constexpr int kDigitScan[10] = {11, 2, 3, 4, 5, 6, 7, 8, 9, 10};
// The keypad's digits (with Num Lock on): VK_NUMPAD0..9 on these scans.
constexpr int kKeypadDigitScan[10] = {82, 79, 80, 81, 75, 76, 77, 71, 72, 73};

struct Named {
  int qt_key;
  int vk;
  int scan;
  bool extended;  // on the main block; keypad copies are never extended
};

constexpr Named kNamed[] = {
    {Qt::Key_Escape, vk::kEscape, 1, false},    {Qt::Key_Tab, vk::kTab, 15, false},
    {Qt::Key_Backtab, vk::kTab, 15, false},     {Qt::Key_Backspace, vk::kBack, 14, false},
    {Qt::Key_Return, vk::kReturn, 28, false},   {Qt::Key_Enter, vk::kReturn, 28, true},
    {Qt::Key_Insert, vk::kInsert, 82, true},    {Qt::Key_Delete, vk::kDelete, 83, true},
    {Qt::Key_Pause, vk::kPause, 69, false},     {Qt::Key_Print, vk::kSnapshot, 55, true},
    {Qt::Key_Home, vk::kHome, 71, true},        {Qt::Key_End, vk::kEnd, 79, true},
    {Qt::Key_Left, vk::kLeft, 75, true},        {Qt::Key_Up, vk::kUp, 72, true},
    {Qt::Key_Right, vk::kRight, 77, true},      {Qt::Key_Down, vk::kDown, 80, true},
    {Qt::Key_PageUp, vk::kPrior, 73, true},     {Qt::Key_PageDown, vk::kNext, 81, true},
    {Qt::Key_Clear, vk::kClear, 76, false},     {Qt::Key_Shift, vk::kShift, 42, false},
    {Qt::Key_Control, vk::kControl, 29, false}, {Qt::Key_Alt, vk::kMenu, 56, false},
    {Qt::Key_AltGr, vk::kMenu, 56, true},       {Qt::Key_CapsLock, vk::kCapital, 58, false},
    {Qt::Key_NumLock, vk::kNumLock, 69, true},  {Qt::Key_ScrollLock, vk::kScroll, 70, false},
    {Qt::Key_Space, vk::kSpace, 57, false},     {Qt::Key_Help, vk::kHelp, 0, false},
};

// Punctuation keys of a US layout: the plain and the shifted symbol give
// the same key.
struct Punct {
  int plain, shifted;
  int vk;
  int scan;
};
constexpr Punct kPunct[] = {
    {Qt::Key_Minus, Qt::Key_Underscore, vk::kOemMinus, 12},
    {Qt::Key_Equal, Qt::Key_Plus, vk::kOemPlus, 13},
    {Qt::Key_BracketLeft, Qt::Key_BraceLeft, 0xDB, 26},
    {Qt::Key_BracketRight, Qt::Key_BraceRight, 0xDD, 27},
    {Qt::Key_Semicolon, Qt::Key_Colon, 0xBA, 39},
    {Qt::Key_Apostrophe, Qt::Key_QuoteDbl, 0xDE, 40},
    {Qt::Key_QuoteLeft, Qt::Key_AsciiTilde, 0xC0, 41},
    {Qt::Key_Backslash, Qt::Key_Bar, 0xDC, 43},
    {Qt::Key_Comma, Qt::Key_Less, 0xBC, 51},
    {Qt::Key_Period, Qt::Key_Greater, 0xBE, 52},
    {Qt::Key_Slash, Qt::Key_Question, 0xBF, 53},
};

// The shifted digit keys of a US layout, "1" to "0".
constexpr int kShiftedDigitKeys[10] = {Qt::Key_ParenRight,  Qt::Key_Exclam,    Qt::Key_At,
                                       Qt::Key_NumberSign,  Qt::Key_Dollar,    Qt::Key_Percent,
                                       Qt::Key_AsciiCircum, Qt::Key_Ampersand, Qt::Key_Asterisk,
                                       Qt::Key_ParenLeft};

bool no_character(int vkey) {
  if (vkey >= vk::kF1 && vkey <= vk::kF1 + 23) return true;
  switch (vkey) {
    case vk::kInsert:
    case vk::kDelete:
    case vk::kHome:
    case vk::kEnd:
    case vk::kPrior:
    case vk::kNext:
    case vk::kLeft:
    case vk::kUp:
    case vk::kRight:
    case vk::kDown:
    case vk::kPause:
    case vk::kSnapshot:
    case vk::kClear:
    case vk::kHelp:
      return true;
    default:
      return is_modifier(vkey);
  }
}

}  // namespace

bool is_modifier(int vkey) {
  return vkey == vk::kShift || vkey == vk::kControl || vkey == vk::kMenu || vkey == vk::kCapital ||
         vkey == vk::kNumLock || vkey == vk::kScroll;
}

bool key_code(int k, bool keypad, KeyCode& out) {
  out = {};
  if (k >= Qt::Key_A && k <= Qt::Key_Z) {
    int i = k - Qt::Key_A;
    out = {vk::kA + i, kLetterScan[i], false};
    return true;
  }
  if (k >= Qt::Key_0 && k <= Qt::Key_9) {
    int d = k - Qt::Key_0;
    if (keypad)
      out = {vk::kNumpad0 + d, kKeypadDigitScan[d], false};
    else
      out = {vk::k0 + d, kDigitScan[d], false};
    return true;
  }
  if (k >= Qt::Key_F1 && k <= Qt::Key_F24) {
    int n = k - Qt::Key_F1 + 1;
    int scan = n <= 10 ? 58 + n : n <= 12 ? 76 + n : 0;  // F11 87, F12 88
    out = {vk::kF1 + n - 1, scan, false};
    return true;
  }
  if (keypad) {
    switch (k) {
      case Qt::Key_Asterisk:
        out = {vk::kMultiply, 55, false};
        return true;
      case Qt::Key_Plus:
        out = {vk::kAdd, 78, false};
        return true;
      case Qt::Key_Minus:
        out = {vk::kSubtract, 74, false};
        return true;
      case Qt::Key_Slash:
        out = {vk::kDivide, 53, true};
        return true;
      case Qt::Key_Period:
      case Qt::Key_Comma:
        out = {vk::kDecimal, 83, false};
        return true;
      default:
        break;
    }
  }
  for (const Named& n : kNamed) {
    if (n.qt_key != k) continue;
    // The keypad's copies of the navigation keys (Num Lock off) sit on the
    // same scan codes without the extended flag; its Enter keeps it.
    bool ext = n.extended && (!keypad || k == Qt::Key_Enter || k == Qt::Key_Slash);
    out = {n.vk, n.scan, ext};
    return true;
  }
  for (const Punct& p : kPunct) {
    if (p.plain == k || p.shifted == k) {
      out = {p.vk, p.scan, false};
      return true;
    }
  }
  for (int d = 0; d < 10; ++d) {
    if (kShiftedDigitKeys[d] == k) {
      out = {vk::k0 + d, kDigitScan[d], false};
      return true;
    }
  }
  return false;
}

bool number_row_key(std::uint32_t xkb_keycode, KeyCode& out) {
  // Key codes 10 to 19 are the keys "1" to "9" and "0" (evdev codes 2 to
  // 11, plus 8).
  if (xkb_keycode < 10 || xkb_keycode > 19) return false;
  int d = static_cast<int>(xkb_keycode - 9) % 10;
  out = {vk::k0 + d, kDigitScan[d], false};
  return true;
}

int key_character(const KeyCode& key, int k, std::u16string_view text, bool shift, bool ctrl,
                  bool alt, bool caps) {
  int vkey = key.virtual_key;
  if (vkey != 0 && no_character(vkey)) return -1;
  // First character of the layout's text, surrogate pairs joined.
  int typed = -1;
  if (!text.empty()) {
    char16_t a = text[0];
    if (a >= 0xD800 && a <= 0xDBFF && text.size() > 1)
      typed = 0x10000 + ((a - 0xD800) << 10) + (text[1] - 0xDC00);
    else
      typed = a;
  }
  if (ctrl && alt) {
    // Ctrl+Alt is the AltGr of many layouts: it types what the layout
    // gives, if anything printable.
    return typed >= 0x20 && typed != 0x7F ? typed : -1;
  }
  if (ctrl) {
    if (vkey >= vk::kA && vkey <= vk::kA + 25) return vkey - vk::kA + 1;
    switch (vkey) {
      case vk::kReturn:
        return 10;
      case vk::kEscape:
        return 27;
      case vk::kBack:
        return 127;
      case vk::kSpace:
        return ' ';
      case vk::kOemMinus:
        return 0x1F;
      default:
        return -1;
    }
  }
  // Keys whose character does not depend on the layout.
  switch (vkey) {
    case vk::kReturn:
      return 13;
    case vk::kTab:
      return 9;
    case vk::kEscape:
      return 27;
    case vk::kBack:
      return 8;
    case vk::kSpace:
      return ' ';
    default:
      break;
  }
  if (typed >= 0x20 && typed != 0x7F) return typed;
  if (vkey >= vk::kA && vkey <= vk::kA + 25) {
    bool upper = shift != caps;
    return (upper ? 'A' : 'a') + (vkey - vk::kA);
  }
  if (vkey >= vk::k0 && vkey <= vk::k0 + 9 && !shift && k >= Qt::Key_0 && k <= Qt::Key_9)
    return '0' + (vkey - vk::k0);
  if (vkey >= vk::kNumpad0 && vkey <= vk::kNumpad0 + 9) return '0' + (vkey - vk::kNumpad0);
  if (vkey == 0 && typed > 0) return typed;
  // Punctuation without a layout text: the key's own symbol.
  if (k >= 0x21 && k <= 0x7E) return k;
  return -1;
}

}  // namespace kv::term::qtd
