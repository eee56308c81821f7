// Window messages, virtual keys and the other small numbers that travel
// between the window logic and a display.  They carry the window system's
// own values, so that the pump's message ranges (0-0xFF, 0x100-0x30F,
// 0x310-0x400, 0x400 and above), the debugging window's message names and
// the key translation tables work unchanged on every display.
#pragma once

#include <cstdint>

namespace kv::term {

// ---- window messages ------------------------------------------------------
namespace wm {
inline constexpr std::uint32_t kNull = 0x0000;
inline constexpr std::uint32_t kCreate = 0x0001;
inline constexpr std::uint32_t kDestroy = 0x0002;
inline constexpr std::uint32_t kMove = 0x0003;
inline constexpr std::uint32_t kSize = 0x0005;
inline constexpr std::uint32_t kActivate = 0x0006;
inline constexpr std::uint32_t kSetFocus = 0x0007;
inline constexpr std::uint32_t kKillFocus = 0x0008;
inline constexpr std::uint32_t kPaint = 0x000F;
inline constexpr std::uint32_t kClose = 0x0010;
inline constexpr std::uint32_t kQuit = 0x0012;
inline constexpr std::uint32_t kEraseBackground = 0x0014;
inline constexpr std::uint32_t kShowWindow = 0x0018;
inline constexpr std::uint32_t kSetCursor = 0x0020;
inline constexpr std::uint32_t kMouseActivate = 0x0021;
inline constexpr std::uint32_t kGetMinMaxInfo = 0x0024;
inline constexpr std::uint32_t kWindowPosChanging = 0x0046;
inline constexpr std::uint32_t kWindowPosChanged = 0x0047;
inline constexpr std::uint32_t kNcCreate = 0x0081;
inline constexpr std::uint32_t kNcCalcSize = 0x0083;
inline constexpr std::uint32_t kNcHitTest = 0x0084;
inline constexpr std::uint32_t kNcPaint = 0x0085;
inline constexpr std::uint32_t kKeyDown = 0x0100;
inline constexpr std::uint32_t kKeyUp = 0x0101;
inline constexpr std::uint32_t kChar = 0x0102;
inline constexpr std::uint32_t kSysKeyDown = 0x0104;
inline constexpr std::uint32_t kSysKeyUp = 0x0105;
inline constexpr std::uint32_t kSysChar = 0x0106;
inline constexpr std::uint32_t kCommand = 0x0111;
inline constexpr std::uint32_t kSysCommand = 0x0112;
inline constexpr std::uint32_t kTimer = 0x0113;
inline constexpr std::uint32_t kHScroll = 0x0114;
inline constexpr std::uint32_t kVScroll = 0x0115;
inline constexpr std::uint32_t kEnterIdle = 0x0121;
inline constexpr std::uint32_t kMouseMove = 0x0200;
inline constexpr std::uint32_t kLButtonDown = 0x0201;
inline constexpr std::uint32_t kLButtonUp = 0x0202;
inline constexpr std::uint32_t kLButtonDblClk = 0x0203;
inline constexpr std::uint32_t kRButtonDown = 0x0204;
inline constexpr std::uint32_t kRButtonUp = 0x0205;
inline constexpr std::uint32_t kRButtonDblClk = 0x0206;
inline constexpr std::uint32_t kMButtonDown = 0x0207;
inline constexpr std::uint32_t kMButtonUp = 0x0208;
inline constexpr std::uint32_t kMButtonDblClk = 0x0209;
inline constexpr std::uint32_t kDropFiles = 0x0233;
inline constexpr std::uint32_t kPaletteChanged = 0x0311;
inline constexpr std::uint32_t kUser = 0x0400;

// The runtime's private messages to its own windows.
inline constexpr std::uint32_t kUserQuit = 0x0501;     // WM-USER-QUIT
inline constexpr std::uint32_t kUserCopy = 0x0504;     // WM-USER-COPY
inline constexpr std::uint32_t kUserNewFont = 0x0510;  // WM-USER-NEWFONT
inline constexpr std::uint32_t kChooseFontGetLogFont = 0x0511;
inline constexpr std::uint32_t kChooseFontApply = 0x0512;
inline constexpr std::uint32_t kChooseFontSetLogFont = 0x0513;
inline constexpr std::uint32_t kChooseFontSetFlags = 0x0514;
}  // namespace wm

// WM_SIZE kinds (word parameter).
namespace size_kind {
inline constexpr std::uintptr_t kRestored = 0;
inline constexpr std::uintptr_t kMinimized = 1;
inline constexpr std::uintptr_t kMaximized = 2;
inline constexpr std::uintptr_t kMaxShow = 3;
inline constexpr std::uintptr_t kMaxHide = 4;
}  // namespace size_kind

// WM_VSCROLL / WM_HSCROLL requests (low word of the word parameter; the
// thumb position is in the high word).
namespace scroll_request {
inline constexpr int kLineUp = 0;
inline constexpr int kLineDown = 1;
inline constexpr int kPageUp = 2;
inline constexpr int kPageDown = 3;
inline constexpr int kThumbPosition = 4;
inline constexpr int kThumbTrack = 5;
inline constexpr int kTop = 6;
inline constexpr int kBottom = 7;
inline constexpr int kEndScroll = 8;
}  // namespace scroll_request

// WM_SYSCOMMAND commands that the window procedure tells apart.
namespace sys_command {
inline constexpr std::uintptr_t kClose = 0xF060;
inline constexpr std::uintptr_t kNextWindow = 0xF040;
inline constexpr std::uintptr_t kPrevWindow = 0xF050;
inline constexpr std::uintptr_t kKeyMenu = 0xF100;
}  // namespace sys_command

// WM_NCHITTEST results and WM_MOUSEACTIVATE answers.
inline constexpr std::intptr_t kHitClient = 1;
inline constexpr std::intptr_t kMouseActivate = 1;
inline constexpr std::intptr_t kMouseActivateAndEat = 2;

// Mouse word parameter: buttons held and modifier keys at the event.
namespace mouse_keys {
inline constexpr std::uintptr_t kLButton = 0x0001;
inline constexpr std::uintptr_t kRButton = 0x0002;
inline constexpr std::uintptr_t kShift = 0x0004;
inline constexpr std::uintptr_t kControl = 0x0008;
inline constexpr std::uintptr_t kMButton = 0x0010;
}  // namespace mouse_keys

// Mouse messages carry the client position in the long parameter: x in the
// low 16 bits, y in the next 16 (both signed).
inline constexpr std::intptr_t make_point_param(int x, int y) {
  return static_cast<std::intptr_t>((static_cast<std::uint32_t>(y & 0xFFFF) << 16) |
                                    static_cast<std::uint32_t>(x & 0xFFFF));
}
inline constexpr int point_x(std::intptr_t l) {
  return static_cast<std::int16_t>(static_cast<std::uint32_t>(l) & 0xFFFF);
}
inline constexpr int point_y(std::intptr_t l) {
  return static_cast<std::int16_t>((static_cast<std::uint32_t>(l) >> 16) & 0xFFFF);
}

// Key messages carry in the long parameter: the repeat count (bits 0-15),
// the scan code (16-23), the extended-key flag (24), the Alt context flag
// (29), the previous key state (30) and the transition flag (31).
inline constexpr std::intptr_t make_key_param(int scan, bool extended, bool alt, bool up) {
  std::uint32_t v = 1u | (static_cast<std::uint32_t>(scan & 0xFF) << 16);
  if (extended) v |= 1u << 24;
  if (alt) v |= 1u << 29;
  if (up) v |= (1u << 30) | (1u << 31);
  return static_cast<std::intptr_t>(static_cast<std::int32_t>(v));
}
inline constexpr int key_scan(std::intptr_t l) {
  return static_cast<int>((static_cast<std::uint32_t>(l) >> 16) & 0xFF);
}
inline constexpr bool key_extended(std::intptr_t l) {
  return ((static_cast<std::uint32_t>(l) >> 24) & 1u) != 0;
}

// ---- virtual keys ---------------------------------------------------------
namespace vk {
inline constexpr int kCancel = 0x03;
inline constexpr int kBack = 0x08;
inline constexpr int kTab = 0x09;
inline constexpr int kClear = 0x0C;
inline constexpr int kReturn = 0x0D;
inline constexpr int kShift = 0x10;
inline constexpr int kControl = 0x11;
inline constexpr int kMenu = 0x12;  // Alt
inline constexpr int kPause = 0x13;
inline constexpr int kCapital = 0x14;
inline constexpr int kEscape = 0x1B;
inline constexpr int kSpace = 0x20;
inline constexpr int kPrior = 0x21;  // Page Up
inline constexpr int kNext = 0x22;   // Page Down
inline constexpr int kEnd = 0x23;
inline constexpr int kHome = 0x24;
inline constexpr int kLeft = 0x25;
inline constexpr int kUp = 0x26;
inline constexpr int kRight = 0x27;
inline constexpr int kDown = 0x28;
inline constexpr int kSelect = 0x29;
inline constexpr int kPrint = 0x2A;
inline constexpr int kExecute = 0x2B;
inline constexpr int kSnapshot = 0x2C;
inline constexpr int kInsert = 0x2D;
inline constexpr int kDelete = 0x2E;
inline constexpr int kHelp = 0x2F;
inline constexpr int k0 = 0x30;  // '0'..'9' are 0x30..0x39
inline constexpr int kA = 0x41;  // 'A'..'Z' are 0x41..0x5A
inline constexpr int kNumpad0 = 0x60;
inline constexpr int kMultiply = 0x6A;
inline constexpr int kAdd = 0x6B;
inline constexpr int kSeparator = 0x6C;
inline constexpr int kSubtract = 0x6D;
inline constexpr int kDecimal = 0x6E;
inline constexpr int kDivide = 0x6F;
inline constexpr int kF1 = 0x70;  // F1..F24 are 0x70..0x87
inline constexpr int kF10 = 0x79;
inline constexpr int kF11 = 0x7A;
inline constexpr int kF12 = 0x7B;
inline constexpr int kNumLock = 0x90;
inline constexpr int kScroll = 0x91;
inline constexpr int kOemPlus = 0xBB;   // the "=" / "+" key
inline constexpr int kOemMinus = 0xBD;  // the "-" / "_" key
}  // namespace vk

// Key-state readings (as the window system reports them): the top bit is
// "down now", the lowest bit "toggled on" for the lock keys.
inline constexpr std::int16_t kKeyDown = static_cast<std::int16_t>(0x8000);
inline constexpr std::int16_t kKeyToggled = 0x0001;

// ---- message boxes --------------------------------------------------------
namespace mb {
inline constexpr unsigned kOk = 0x0000;
inline constexpr unsigned kYesNo = 0x0004;
inline constexpr unsigned kIconStop = 0x0010;
inline constexpr unsigned kIconQuestion = 0x0020;
inline constexpr unsigned kIconExclamation = 0x0030;
inline constexpr unsigned kIconInformation = 0x0040;
inline constexpr unsigned kDefButton2 = 0x0100;
inline constexpr unsigned kButtonMask = 0x000F;
inline constexpr unsigned kIconMask = 0x00F0;
}  // namespace mb
// Box results (the button pressed).
inline constexpr int kIdOk = 1;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;

// ---- show commands (the window system's show-state numbers) ---------------
namespace show {
inline constexpr int kHide = 0;
inline constexpr int kShowNormal = 1;
inline constexpr int kShowMinimized = 2;
inline constexpr int kShowMaximized = 3;
inline constexpr int kShowNoActivate = 4;
inline constexpr int kShow = 5;
inline constexpr int kMinimize = 6;
inline constexpr int kShowMinNoActive = 7;
inline constexpr int kShowNa = 8;
inline constexpr int kRestore = 9;
inline constexpr int kShowDefault = 10;
}  // namespace show

// System pointer identifiers (set-pointer of the cell screen).
namespace pointer {
inline constexpr int kArrow = 32512;
inline constexpr int kIBeam = 32513;
inline constexpr int kWait = 32514;
inline constexpr int kCross = 32515;
}  // namespace pointer

// Timer 1 of the main window: wakes a waiting pump every 250 ms so that the
// engine can check its time-outs.
inline constexpr int kMainTimerId = 1;
inline constexpr int kMainTimerMs = 250;

}  // namespace kv::term
