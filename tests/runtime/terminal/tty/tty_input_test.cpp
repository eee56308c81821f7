#include "runtime/terminal/backends/tty/tty_input.h"

#include <gtest/gtest.h>

#include "runtime/terminal/backends/tty/tty_terminfo.h"
#include "runtime/terminal/display.h"

namespace kv::term::tty {
namespace {

std::vector<Event> decode(std::string_view bytes, bool expire = true) {
  Decoder d;
  std::vector<Event> out;
  d.feed(bytes, out);
  if (expire) d.expire(out);
  return out;
}

std::vector<Event> decode_bytewise(std::string_view bytes) {
  Decoder d;
  std::vector<Event> out;
  for (char c : bytes) d.feed(std::string_view(&c, 1), out);
  d.expire(out);
  return out;
}

struct KeyCase {
  const char* what;
  std::string bytes;
  int vk;
  std::uint32_t keys;
  int character;
  int scan;
  bool extended;
};

const KeyCase kKeys[] = {
    {"letter", "a", vk::kA, 0, 'a', 30, false},
    {"capital", "Q", vk::kA + 16, kf_shift, 'Q', 16, false},
    {"digit", "7", vk::k0 + 7, 0, '7', 8, false},
    {"shifted digit", "!", vk::k0 + 1, kf_shift, '!', 2, false},
    {"minus", "-", vk::kOemMinus, 0, '-', 12, false},
    {"plus", "+", vk::kOemPlus, kf_shift, '+', 13, false},
    {"space", " ", vk::kSpace, 0, ' ', 57, false},
    {"punctuation", "/", 0, 0, '/', 0, false},
    {"UTF-8 e acute", "\xC3\xA9", 0, 0, 0xE9, 0, false},
    {"Enter", "\r", vk::kReturn, 0, 13, 28, false},
    {"Tab", "\t", vk::kTab, 0, 9, 15, false},
    {"Backspace DEL", "\x7F", vk::kBack, 0, 8, 14, false},
    {"Backspace BS", "\x08", vk::kBack, 0, 8, 14, false},
    {"Ctrl+A", "\x01", vk::kA, kf_ctrl, 1, 30, false},
    {"Ctrl+J", "\n", vk::kA + 9, kf_ctrl, 10, 36, false},
    {"Ctrl+V", "\x16", vk::kA + 21, kf_ctrl, 22, 47, false},
    {"Ctrl+Space", std::string(1, '\0'), vk::kSpace, kf_ctrl, ' ', 57, false},
    {"Alt+x", "\x1bx", vk::kA + 23, kf_alt, 'x', 45, false},
    {"Alt+Shift+X", "\x1bX", vk::kA + 23, kf_alt | kf_shift, 'X', 45, false},
    {"Alt+Shift+P", "\x1bP", vk::kA + 15, kf_alt | kf_shift, 'P', 25, false},
    {"Alt+]", "\x1b]", 0, kf_alt, ']', 0, false},
    {"Alt+1",
     "\x1b"
     "1",
     vk::k0 + 1, kf_alt, '1', 2, false},
    {"Alt+Enter", "\x1b\r", vk::kReturn, kf_alt, 13, 28, false},
    {"Esc alone", "\x1b", vk::kEscape, 0, 27, 1, false},
    {"F1 SS3", "\x1bOP", vk::kF1, 0, -1, 59, false},
    {"F4 SS3", "\x1bOS", vk::kF1 + 3, 0, -1, 62, false},
    {"F5", "\x1b[15~", vk::kF1 + 4, 0, -1, 63, false},
    {"F10", "\x1b[21~", vk::kF10, 0, -1, 68, false},
    {"F11", "\x1b[23~", vk::kF11, 0, -1, 87, false},
    {"F12", "\x1b[24~", vk::kF12, 0, -1, 88, false},
    {"Shift+F1", "\x1b[1;2P", vk::kF1, kf_shift, -1, 59, false},
    {"Ctrl+F5", "\x1b[15;5~", vk::kF1 + 4, kf_ctrl, -1, 63, false},
    {"Alt+F3", "\x1b[1;3R", vk::kF1 + 2, kf_alt, -1, 61, false},
    {"Ctrl+Shift+F12", "\x1b[24;6~", vk::kF12, kf_ctrl | kf_shift, -1, 88, false},
    {"Meta as Alt", "\x1b[24;9~", vk::kF12, kf_alt, -1, 88, false},
    {"Shift+F1 SS3 modifier", "\x1bO2P", vk::kF1, kf_shift, -1, 59, false},
    {"Alt+F2 ESC prefix", "\x1b\x1bOQ", vk::kF1 + 1, kf_alt, -1, 60, false},
    {"Linux console F2", "\x1b[[B", vk::kF1 + 1, 0, -1, 60, false},
    {"Up", "\x1b[A", vk::kUp, 0, -1, 72, true},
    {"Up application", "\x1bOA", vk::kUp, 0, -1, 72, true},
    {"Ctrl+Right", "\x1b[1;5C", vk::kRight, kf_ctrl, -1, 77, true},
    {"Alt+Left", "\x1b[1;3D", vk::kLeft, kf_alt, -1, 75, true},
    {"Home", "\x1b[H", vk::kHome, 0, -1, 71, true},
    {"Home vt", "\x1b[1~", vk::kHome, 0, -1, 71, true},
    {"End", "\x1bOF", vk::kEnd, 0, -1, 79, true},
    {"Ctrl+End", "\x1b[1;5F", vk::kEnd, kf_ctrl, -1, 79, true},
    {"Insert", "\x1b[2~", vk::kInsert, 0, -1, 82, true},
    {"Delete", "\x1b[3~", vk::kDelete, 0, -1, 83, true},
    {"Ctrl+PgUp", "\x1b[5;5~", vk::kPrior, kf_ctrl, -1, 73, true},
    {"PgDn", "\x1b[6~", vk::kNext, 0, -1, 81, true},
    {"Shift+Tab", "\x1b[Z", vk::kTab, kf_shift, 9, 15, false},
    {"keypad Enter", "\x1bOM", vk::kReturn, 0, 13, 28, true},
    {"keypad 5", "\x1bOu", vk::kNumpad0 + 5, 0, '5', 76, false},
    {"keypad minus", "\x1bOm", vk::kSubtract, 0, '-', 74, false},
    {"modifyOtherKeys Ctrl+Enter", "\x1b[27;5;13~", vk::kReturn, kf_ctrl, 10, 28, false},
    {"CSI u Ctrl+a", "\x1b[97;5u", vk::kA, kf_ctrl, 1, 30, false},
    {"CSI u Alt+Ctrl+b", "\x1b[98;7u", vk::kA + 1, kf_ctrl | kf_alt, -1, 48, false},
    {"Linux console Shift+F3", "\x1b[25~", vk::kF1 + 2, kf_shift, -1, 61, false},
    {"Linux console Shift+F10", "\x1b[34~", vk::kF10, kf_shift, -1, 68, false},
    {"rxvt F1", "\x1b[11~", vk::kF1, 0, -1, 59, false},
    {"rxvt Shift+F11", "\x1b[23$", vk::kF11, kf_shift, -1, 87, false},
    {"rxvt Ctrl+F2", "\x1b[12^", vk::kF1 + 1, kf_ctrl, -1, 60, false},
    {"rxvt Ctrl+Shift+F12", "\x1b[24@", vk::kF12, kf_ctrl | kf_shift, -1, 88, false},
    {"rxvt Ctrl+Shift+F5", "\x1b[28^", vk::kF1 + 4, kf_ctrl | kf_shift, -1, 63, false},
    {"rxvt Shift+Delete", "\x1b[3$", vk::kDelete, kf_shift, -1, 83, true},
    {"rxvt Ctrl+End", "\x1b[8^", vk::kEnd, kf_ctrl, -1, 79, true},
    {"rxvt Ctrl+Shift+PgDn", "\x1b[6@", vk::kNext, kf_ctrl | kf_shift, -1, 81, true},
    {"rxvt Alt+Ctrl+PgUp", "\x1b\x1b[5^", vk::kPrior, kf_ctrl | kf_alt, -1, 73, true},
    {"rxvt Shift+Up", "\x1b[a", vk::kUp, kf_shift, -1, 72, true},
    {"rxvt Ctrl+Left", "\x1bOd", vk::kLeft, kf_ctrl, -1, 75, true},
};

TEST(TtyDecoder, KeysDecodeWholeAndByteByByte) {
  for (const KeyCase& k : kKeys) {
    SCOPED_TRACE(k.what);
    for (const auto& events : {decode(k.bytes), decode_bytewise(k.bytes)}) {
      ASSERT_EQ(events.size(), 1u);
      ASSERT_EQ(events[0].kind, Event::Kind::Key);
      const Key& got = events[0].key;
      EXPECT_EQ(got.vk, k.vk);
      EXPECT_EQ(got.keys, k.keys);
      EXPECT_EQ(got.character, k.character);
      EXPECT_EQ(got.scan, k.scan);
      EXPECT_EQ(got.extended, k.extended);
    }
  }
}

// Every key that a terminal's description names decodes as the key the
// description says, for the terminals programs here run in.
TEST(TtyDecoder, KeysAsTerminalDescriptionsNameThem) {
  struct Cap {
    std::string name;
    int vk;
    std::uint32_t keys;
  };
  std::vector<Cap> caps = {
      {"kcuu1", vk::kUp, 0},          {"kcud1", vk::kDown, 0},
      {"kcuf1", vk::kRight, 0},       {"kcub1", vk::kLeft, 0},
      {"khome", vk::kHome, 0},        {"kend", vk::kEnd, 0},
      {"kich1", vk::kInsert, 0},      {"kdch1", vk::kDelete, 0},
      {"kpp", vk::kPrior, 0},         {"knp", vk::kNext, 0},
      {"kcbt", vk::kTab, kf_shift},   {"kent", vk::kReturn, 0},
      {"kUP", vk::kUp, kf_shift},     {"kDN", vk::kDown, kf_shift},
      {"kRIT", vk::kRight, kf_shift}, {"kLFT", vk::kLeft, kf_shift},
      {"kHOM", vk::kHome, kf_shift},  {"kEND", vk::kEnd, kf_shift},
      {"kIC", vk::kInsert, kf_shift}, {"kDC", vk::kDelete, kf_shift},
      {"kPRV", vk::kPrior, kf_shift}, {"kNXT", vk::kNext, kf_shift},
  };
  // The modified cursor and editing keys: 3 Alt, 5 Ctrl, 6 Ctrl+Shift,
  // 7 Ctrl+Alt.
  const std::pair<const char*, std::uint32_t> mods[] = {
      {"3", kf_alt}, {"5", kf_ctrl}, {"6", kf_ctrl | kf_shift}, {"7", kf_ctrl | kf_alt}};
  const std::pair<const char*, int> bases[] = {
      {"kUP", vk::kUp},     {"kDN", vk::kDown}, {"kRIT", vk::kRight}, {"kLFT", vk::kLeft},
      {"kHOM", vk::kHome},  {"kEND", vk::kEnd}, {"kIC", vk::kInsert}, {"kDC", vk::kDelete},
      {"kPRV", vk::kPrior}, {"kNXT", vk::kNext}};
  for (auto [base, key] : bases)
    for (auto [suffix, keys] : mods) caps.push_back({std::string(base) + suffix, key, keys});
  for (int f = 1; f <= 12; ++f) caps.push_back({"kf" + std::to_string(f), vk::kF1 + f - 1, 0});
  int checked = 0;
  for (const char* term : {"xterm-256color", "tmux-256color", "screen", "linux", "rxvt",
                           "rxvt-unicode-256color", "vt220"}) {
    if (!terminal_known(term, 1)) continue;
    for (const Cap& c : caps) {
      std::string seq = terminfo_string(term, c.name.c_str());
      if (seq.empty() || (c.name == "kent" && seq == "\r")) continue;
      // rxvt names the application-mode cursor keys (ESC O A) as
      // Ctrl+Shift with them; other terminals send those for the plain
      // keys, which is what they are read as.
      if (seq.size() == 3 && seq.compare(0, 2, "\x1bO") == 0 && seq[2] >= 'A' && seq[2] <= 'D' &&
          c.keys != 0)
        continue;
      SCOPED_TRACE(std::string(term) + " " + c.name);
      Decoder d;
      d.set_back_tab(terminfo_string(term, "kcbt"));
      std::vector<Event> out;
      d.feed(seq, out);
      d.expire(out);
      ASSERT_EQ(out.size(), 1u);
      ASSERT_EQ(out[0].kind, Event::Kind::Key);
      EXPECT_EQ(out[0].key.vk, c.vk);
      EXPECT_EQ(out[0].key.keys, c.keys);
      ++checked;
    }
  }
  if (checked == 0) GTEST_SKIP() << "no terminal descriptions installed";
}

TEST(TtyDecoder, EscapeAndIntroducersWaitForTheRestUntilTheDelay) {
  Decoder d;
  std::vector<Event> out;
  d.feed("\x1b", out);
  EXPECT_TRUE(out.empty());
  EXPECT_TRUE(d.pending());
  d.feed("[1;5", out);
  EXPECT_TRUE(out.empty());
  d.feed("A", out);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].key.vk, vk::kUp);
  EXPECT_EQ(out[0].key.keys, kf_ctrl);
  EXPECT_FALSE(d.pending());

  // Escape twice with nothing after it: two Esc keys.
  out.clear();
  d.feed("\x1b\x1b", out);
  EXPECT_TRUE(out.empty());
  d.expire(out);
  ASSERT_EQ(out.size(), 2u);
  for (const Event& e : out) {
    EXPECT_EQ(e.key.vk, vk::kEscape);
    EXPECT_EQ(e.key.keys, 0u);
  }

  // ESC TAB: Alt+Tab, unless the terminal names it its back-tab key.
  out.clear();
  d.feed("\x1b\t", out);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].key.keys, kf_alt);
  out.clear();
  d.set_back_tab("\x1b\t");
  d.feed("\x1b\t", out);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].key.vk, vk::kTab);
  EXPECT_EQ(out[0].key.keys, kf_shift);

  // ESC and "[" with nothing after it: Alt with that key.
  out.clear();
  d.feed("\x1b[", out);
  d.expire(out);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].key.keys, kf_alt);
  EXPECT_EQ(out[0].key.character, '[');
}

TEST(TtyDecoder, BadInputIsDroppedAndWhatFollowsStillDecodes) {
  struct Case {
    const char* what;
    std::string bytes;
  };
  const Case cases[] = {
      {"unknown CSI final", "\x1b[99y"},
      {"unknown tilde key", "\x1b[99~"},
      {"private reply", "\x1b[?1;2c"},
      {"CSI with intermediate", "\x1b[1 q"},
      {"unknown SS3", "\x1bOz"},
      {"CSI broken by a control byte", "\x1b[12\x07"},  // the BEL itself is Ctrl+G, checked below
      {"overlong sequence", "\x1b[" + std::string(80, '1') + "m"},
      // Overlong, and read whole: still dropped up to its final byte, as
      // when it comes in pieces (no Home key, no digits typed).
      {"overlong key number", "\x1b[" + std::string(70, '0') + "1~"},
      {"overlong with a parameter after an intermediate",
       "\x1b[" + std::string(70, '6') + "%5666~"},
      {"invalid UTF-8 lead", "\xFF"},
      {"UTF-8 with a bad continuation", "\xC3("},
      {"surrogate in UTF-8", "\xED\xA0\x80"},
      {"OSC reply", "\x1b]52;c;aGVsbG8=\x07"},
      {"SGR mouse without coordinates", "\x1b[<0;5M"},
      {"sideways wheel", "\x1b[<66;5;5M"},
  };
  for (const Case& c : cases)
    for (bool whole : {false, true}) {
      SCOPED_TRACE(std::string(c.what) + (whole ? ", read whole" : ", byte by byte"));
      Decoder d;
      std::vector<Event> out;
      if (whole)
        d.feed(c.bytes, out);
      else
        for (char b : c.bytes) d.feed(std::string_view(&b, 1), out);
      d.feed("z", out);
      d.expire(out);
      ASSERT_FALSE(out.empty());
      // Whatever the bad bytes held, the key after them arrives intact.
      EXPECT_EQ(out.back().kind, Event::Kind::Key);
      EXPECT_EQ(out.back().key.character, 'z');
      for (std::size_t i = 0; i + 1 < out.size(); ++i) {
        // Only the "(" of the bad UTF-8 and the BEL may come through, as the
        // characters they are.
        EXPECT_EQ(out[i].kind, Event::Kind::Key);
        EXPECT_TRUE(out[i].key.character == '(' || out[i].key.character == 7) << i;
      }
    }
}

TEST(TtyDecoder, UnfinishedSequencesAreDroppedAtTheDelay) {
  for (std::string bytes : {"\x1b[1;5", "\x1bO2", "\x1b]52;c;abc", "\xE2\x94"}) {
    Decoder d;
    std::vector<Event> out;
    d.feed(bytes, out);
    EXPECT_TRUE(out.empty());
    EXPECT_TRUE(d.pending());
    d.expire(out);
    EXPECT_TRUE(out.empty()) << bytes;
    EXPECT_FALSE(d.pending());
    EXPECT_EQ(d.dropped(), 1);
  }
}

TEST(TtyDecoder, MouseReports) {
  struct Case {
    const char* what;
    std::string bytes;
    MouseReport want;
  };
  const Case cases[] = {
      {"SGR left press", "\x1b[<0;12;5M", {MouseAction::Press, 0, 4, 11, 0}},
      {"SGR left release", "\x1b[<0;12;5m", {MouseAction::Release, 0, 4, 11, 0}},
      {"SGR right press with Ctrl", "\x1b[<18;1;1M", {MouseAction::Press, 2, 0, 0, kf_ctrl}},
      {"SGR drag with left held", "\x1b[<32;30;20M", {MouseAction::Motion, 0, 19, 29, 0}},
      {"SGR wheel down", "\x1b[<65;3;4M", {MouseAction::WheelDown, 0, 3, 2, 0}},
      {"SGR Shift+middle", "\x1b[<5;200;60M", {MouseAction::Press, 1, 59, 199, kf_shift}},
      {"X10 press",
       std::string("\x1b[M") + char(32) + char(33 + 9) + char(33 + 2),
       {MouseAction::Press, 0, 2, 9, 0}},
      {"X10 release",
       std::string("\x1b[M") + char(35) + char(33 + 9) + char(33 + 2),
       {MouseAction::Release, -1, 2, 9, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<Event> out = decode_bytewise(c.bytes);
    ASSERT_EQ(out.size(), 1u);
    ASSERT_EQ(out[0].kind, Event::Kind::Mouse);
    EXPECT_EQ(out[0].mouse, c.want);
  }
}

TEST(TtyDecoder, BracketedPasteArrivesWholeEvenInPieces) {
  std::string paste = "\x1b[200~line one\r\x1b[A not a key \xC3\xA9\x1b[201~x";
  for (std::size_t split = 1; split < paste.size(); split += 3) {
    Decoder d;
    std::vector<Event> out;
    d.feed(std::string_view(paste).substr(0, split), out);
    d.feed(std::string_view(paste).substr(split), out);
    ASSERT_EQ(out.size(), 2u) << split;
    EXPECT_EQ(out[0].kind, Event::Kind::Paste);
    EXPECT_EQ(out[0].text, "line one\r\x1b[A not a key \xC3\xA9");
    EXPECT_EQ(out[1].key.character, 'x');
  }
  // A paste that never ends is delivered when the input goes quiet.
  Decoder d;
  std::vector<Event> out;
  d.feed("\x1b[200~abc", out);
  EXPECT_TRUE(d.in_paste());
  d.expire(out);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].text, "abc");
  EXPECT_FALSE(d.pending());
}

TEST(TtyMouseTracker, ClicksDoubleClicksAndDrags) {
  MouseTracker t;
  auto press = [](int button, int row, int col) {
    return MouseReport{MouseAction::Press, button, row, col, 0};
  };
  auto release = [](int button, int row, int col) {
    return MouseReport{MouseAction::Release, button, row, col, 0};
  };
  using V = std::vector<MouseMessage>;
  EXPECT_EQ(t.report(press(0, 3, 4), 1000), (V{{wm::kLButtonDown, 3, 4, mouse_keys::kLButton}}));
  EXPECT_EQ(t.report(release(0, 3, 4), 1050), (V{{wm::kLButtonUp, 3, 4, 0}}));
  // Second press on the same cell within the double-click time.
  EXPECT_EQ(t.report(press(0, 3, 4), 1300), (V{{wm::kLButtonDblClk, 3, 4, mouse_keys::kLButton}}));
  t.report(release(0, 3, 4), 1350);
  // A third quick press starts over.
  EXPECT_EQ(t.report(press(0, 3, 4), 1400)[0].message, wm::kLButtonDown);
  t.report(release(0, 3, 4), 1450);
  // Too late, or on another cell: plain presses.
  EXPECT_EQ(t.report(press(0, 3, 4), 1450 + MouseTracker::kDoubleClickMs + 1)[0].message,
            wm::kLButtonDown);
  t.report(release(0, 3, 4), 3000);
  EXPECT_EQ(t.report(press(0, 3, 5), 3100)[0].message, wm::kLButtonDown);
  // Dragging reports the held button; an X10 release (button unknown)
  // releases it.
  EXPECT_EQ(t.report({MouseAction::Motion, 0, 4, 5, kf_shift}, 3200),
            (V{{wm::kMouseMove, 4, 5, mouse_keys::kLButton | mouse_keys::kShift}}));
  EXPECT_EQ(t.report(release(-1, 4, 6), 3300), (V{{wm::kLButtonUp, 4, 6, 0}}));
  EXPECT_FALSE(t.left_held());
  // The right button; wheel turns give nothing.
  EXPECT_EQ(t.report(press(2, 1, 1), 4000)[0].message, wm::kRButtonDown);
  EXPECT_EQ(t.report(release(2, 1, 1), 4010)[0].message, wm::kRButtonUp);
  EXPECT_EQ(t.report(press(2, 1, 1), 4100)[0].message, wm::kRButtonDblClk);
  EXPECT_TRUE(t.report({MouseAction::WheelUp, 0, 1, 1, 0}, 4200).empty());
}

TEST(TtyBase64, KnownVectors) {
  EXPECT_EQ(base64(""), "");
  EXPECT_EQ(base64("f"), "Zg==");
  EXPECT_EQ(base64("fo"), "Zm8=");
  EXPECT_EQ(base64("foo"), "Zm9v");
  EXPECT_EQ(base64("foob"), "Zm9vYg==");
  EXPECT_EQ(base64("\xE2\x95\x94"), "4pWU");
}

}  // namespace
}  // namespace kv::term::tty
