// Keyboard translation: the window system's key messages become the PC
// extended key codes the panel engine was designed around, in a KEY-EVENT;
// the 99-key vocabulary (4-character codes, extended codes, display names);
// and the key menus built from a panel's key-label lines (SCR_MP).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/terminal/scr_common.h"

namespace kv::term {

// KEY-EVENT.
struct KeyEvent {
  char status = 'N';              // "Y" a key, "N" nothing, "Q" the user confirmed quitting
  std::uint16_t character = 0;    // code-page character; 0 for extended keys
  std::uint16_t shift_state = 0;  // the shift-flag word of the keyboard
  std::int16_t reserved = 0;
  std::uint16_t extended = 0;  // PC extended key code, 0 for plain characters
  std::uint8_t scan = 0;       // scan code; 224 keypad Enter, 252 paste, 253 drop,
                               // 254 quit or key-menu command, 255 mouse
};

inline constexpr std::uint8_t kScanKeypadEnter = 224;
inline constexpr std::uint8_t kScanPaste = 252;
inline constexpr std::uint8_t kScanDrop = 253;
inline constexpr std::uint8_t kScanQuitOrMenu = 254;
inline constexpr std::uint8_t kScanMouse = 255;

struct VocabularyEntry {
  const char* code;  // 4 characters, space padded
  int extended;
  const char* name;  // display name
};
inline constexpr int kVocabularySize = 99;
extern const std::array<VocabularyEntry, kVocabularySize> kVocabulary;
// The entry for a 4-character code (space padded), or null.
const VocabularyEntry* find_key_code(std::string_view code4);
// The entry for an extended code, or null.
const VocabularyEntry* find_extended(int extended);

// The modifier keys down at the message being handled.
struct Modifiers {
  bool shift = false, ctrl = false, alt = false;
};
Modifiers read_modifiers(Display& d);

// The extended code of a virtual key under the modifier rules (0: none).
int extended_code(int virtual_key, Modifiers m);

// Translate key down (WM_KEYDOWN, and WM_SYSKEYDOWN under DOS Alt-key
// handling): fills `event`; posts the close request for a close key; starts
// copy (Ctrl+C) or paste (Ctrl+V); flips the insert flag for Insert.
void translate_key_down(ScrCommon& c, const Message& m, KeyEvent& event);
// WM_SYSKEYDOWN / WM_SYSKEYUP / WM_SYSCHAR: translated, dropped or handed
// to the window's default handling by the Alt-key handling option.
void translate_sys_key_down(ScrCommon& c, const Message& m, KeyEvent& event);
void translate_sys_key_up(ScrCommon& c, const Message& m, KeyEvent& event);
void translate_sys_char(ScrCommon& c, const Message& m, KeyEvent& event);
// WM_CHAR: the character in the code page.
void translate_char(ScrCommon& c, const Message& m, KeyEvent& event);

// True when an extended code is one of the close keys (the panel's or the
// global close value).
bool is_close_key(const ScrCommon& c, int extended);

// SCR_MP: builds the menu bar (fixed menus, the key popups unless the menu
// option is "1" or "2", Help) from the five 80-character key-label lines
// and attaches it when the window exists.
void SCR_MP(const std::array<std::string_view, 5>& label_lines, ScrCommon& c);

// Menu commands of the fixed menus.
namespace cmd {
inline constexpr int kOpen = 9001;
inline constexpr int kExit = 9002;
inline constexpr int kPrintScreen = 9003;
inline constexpr int kCopy = 9004;
inline constexpr int kPaste = 9005;
inline constexpr int kFonts = 9006;
inline constexpr int kDebugger = 9007;
inline constexpr int kAbout = 9009;
}  // namespace cmd

}  // namespace kv::term
