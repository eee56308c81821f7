// The tty display on a pseudo-terminal: what it writes to the terminal,
// what it makes of the bytes the terminal sends, and the terminal's state
// when it is given back.
#include "runtime/terminal/backends/tty/tty_display.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "runtime/terminal/colours.h"

namespace kv::term {
namespace {

TtyDisplay* g_disp = nullptr;

std::intptr_t test_proc(WindowId w, std::uint32_t m, std::uintptr_t wp, std::intptr_t lp) {
  return g_disp->default_proc(w, m, wp, lp);
}

class TtyDisplayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TERM", "xterm-256color", 1);
    unsetenv("LINES");
    unsetenv("COLUMNS");
    unsetenv("KORVEXAN_OSC52");
    winsize ws{27, 80, 0, 0};
    ASSERT_EQ(openpty(&master_, &slave_, nullptr, nullptr, &ws), 0);
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
  }
  void TearDown() override {
    display_.reset();
    g_disp = nullptr;
    if (master_ >= 0) close(master_);
    close(slave_);
  }

  // A display on the pseudo-terminal with one 80 x 25 window.
  void open(const MenuBar* menu = nullptr) {
    display_ = std::make_unique<TtyDisplay>(slave_, slave_);
    g_disp = display_.get();
    WindowClass cls;
    cls.name = "Test";
    cls.proc = &test_proc;
    ASSERT_TRUE(display_->register_class(cls));
    CreateParams p;
    p.class_name = "Test";
    p.width = 80;
    p.height = 25;
    p.menu = menu;
    window_ = display_->create_window(p);
    ASSERT_NE(window_, 0u);
    ASSERT_TRUE(display_->active());
  }

  std::string output() {
    std::string out;
    char buf[4096];
    for (;;) {
      ssize_t n = read(master_, buf, sizeof buf);
      if (n <= 0) break;
      out.append(buf, static_cast<std::size_t>(n));
    }
    return out;
  }

  void type(std::string_view bytes) {
    ASSERT_EQ(write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }

  // Waits (at most half a second) for the display to post input.
  std::vector<Message> input() {
    display_->device_wait(display_->tick_ms() + 500);
    std::vector<Message> v;
    Message m;
    while (display_->peek(m, 0, 0x0100, 0x030F, true)) v.push_back(m);
    return v;
  }

  void draw(int row, int col, std::string_view text, std::uint8_t attr) {
    display_->draw_text(window_, col, row, text, 0, foreground_of(attr), background_of(attr));
  }

  int master_ = -1, slave_ = -1;
  std::unique_ptr<TtyDisplay> display_;
  WindowId window_ = 0;
};

TEST_F(TtyDisplayTest, TakesTheTerminalAndGivesItBackAsItWas) {
  termios before{};
  tcgetattr(slave_, &before);
  ASSERT_TRUE(before.c_lflag & ICANON);
  open();
  std::string on = output();
  EXPECT_NE(on.find("\x1b[?1049h"), std::string::npos);  // the alternate screen
  EXPECT_NE(on.find("\x1b[?1006h"), std::string::npos);  // SGR mouse reports
  EXPECT_NE(on.find("\x1b[?2004h"), std::string::npos);  // bracketed paste
  termios raw{};
  tcgetattr(slave_, &raw);
  EXPECT_FALSE(raw.c_lflag & ICANON);
  EXPECT_FALSE(raw.c_lflag & ECHO);
  EXPECT_FALSE(raw.c_lflag & ISIG);  // Ctrl+C is Copy, not an interrupt

  ASSERT_TRUE(display_->destroy_window(window_));
  EXPECT_FALSE(display_->active());
  std::string off = output();
  EXPECT_NE(off.find("\x1b[?1000l"), std::string::npos);
  EXPECT_NE(off.find("\x1b[?2004l"), std::string::npos);
  EXPECT_NE(off.find("\x1b[?1049l"), std::string::npos);
  termios after{};
  tcgetattr(slave_, &after);
  EXPECT_EQ(after.c_lflag, before.c_lflag);
  EXPECT_EQ(after.c_iflag, before.c_iflag);
}

TEST_F(TtyDisplayTest, DrawsCodePageAsUnicodeAndWritesOnlyWhatChanged) {
  open();
  draw(0, 0, "\xC9\xCD\xBB Name:", 0x1F);
  draw(2, 10, "          ", 0x70);
  display_->flush();
  std::string first = output();
  EXPECT_NE(first.find("\xE2\x95\x94\xE2\x95\x90\xE2\x95\x97"), std::string::npos);  // ╔═╗
  EXPECT_NE(first.find("Name:"), std::string::npos);

  // Nothing changed: nothing written.
  display_->flush();
  EXPECT_EQ(output(), "");

  // One ten-character field changes.
  draw(2, 10, "Smith     ", 0x70);
  display_->flush();
  std::string change = output();
  EXPECT_NE(change.find("Smith"), std::string::npos);
  EXPECT_LE(change.size(), 64u) << change;
  EXPECT_EQ(change.find("Name:"), std::string::npos);
}

TEST_F(TtyDisplayTest, CaretShapesAndPlace) {
  open();
  display_->flush();
  output();
  // A caret a quarter of a cell wide (0 on a 1 x 1 cell) is a bar.
  display_->create_caret(window_, 0, 1);
  display_->show_caret(window_);
  display_->set_caret_pos(3, 2);
  display_->flush();
  std::string bar = output();
  EXPECT_NE(bar.find("\x1b[6 q"), std::string::npos) << bar;
  EXPECT_NE(bar.find("\x1b[4;4H"), std::string::npos) << bar;  // below the menu row
  display_->create_caret(window_, 1, 1);
  display_->show_caret(window_);
  display_->flush();
  EXPECT_NE(output().find("\x1b[2 q"), std::string::npos);
  // A hidden caret hides the cursor.
  display_->hide_caret(window_);
  display_->flush();
  EXPECT_NE(output().find("\x1b[?25l"), std::string::npos);
}

TEST_F(TtyDisplayTest, TheWindowTitleIsTheTerminalTitle) {
  open();
  display_->flush();
  output();
  // CP437 bytes as Unicode; byte 7 is the bullet glyph, not a BEL that
  // would end the sequence early.
  display_->set_title(window_, "Order \x82ntry\x07");
  EXPECT_NE(output().find("\x1b]2;Order \xC3\xA9ntry\xE2\x80\xA2\x07"), std::string::npos);
  display_->flush();
  EXPECT_EQ(output().find("\x1b]2;"), std::string::npos);  // written once
}

TEST_F(TtyDisplayTest, TheWindowAlwaysTakesTheWholePanel) {
  open();
  // A tiny size (a settings file from another display) does not shrink it.
  display_->move_window(window_, 0, 0, 5, 3, true);
  EXPECT_GE(display_->client_rect(window_).width(), 80);
  EXPECT_GE(display_->client_rect(window_).height(), 25);
}

TEST_F(TtyDisplayTest, KeysBecomeKeyMessagesAndGarbageNothing) {
  open();
  output();
  type("\x1b[1;2P");  // Shift+F1
  std::vector<Message> v = input();
  ASSERT_EQ(v.size(), 1u);
  EXPECT_EQ(v[0].message, wm::kKeyDown);
  EXPECT_EQ(v[0].wparam, static_cast<std::uintptr_t>(vk::kF1));
  EXPECT_EQ(key_scan(v[0].lparam), 59);
  EXPECT_EQ(v[0].key_flags & (kf_shift | kf_ctrl | kf_alt), kf_shift);

  type("\x1bx");  // Alt+X: a system key, then Alt's release
  v = input();
  ASSERT_EQ(v.size(), 2u);
  EXPECT_EQ(v[0].message, wm::kSysKeyDown);
  EXPECT_EQ(v[0].wparam, static_cast<std::uintptr_t>(vk::kA + 23));
  EXPECT_EQ(v[1].message, wm::kSysKeyUp);
  EXPECT_EQ(v[1].wparam, static_cast<std::uintptr_t>(vk::kMenu));

  type("\x1bOM");  // keypad Enter: the extended flag tells it apart
  v = input();
  ASSERT_EQ(v.size(), 1u);
  EXPECT_TRUE(key_extended(v[0].lparam));
  EXPECT_EQ(v[0].character, 13);

  // Unknown and unfinished sequences: no message, nothing drawn.
  type("\x1b[99y\x1b[?62;c\x1b[1;5");
  v = input();
  display_->device_wait(display_->tick_ms() + 200);  // past the escape delay
  Message m;
  EXPECT_TRUE(v.empty());
  EXPECT_FALSE(display_->peek(m, 0, 0x0100, 0x030F, true));
  EXPECT_EQ(output(), "");
  // And the loop goes on.
  type("q");
  v = input();
  ASSERT_EQ(v.size(), 1u);
  EXPECT_EQ(v[0].character, 'q');
}

TEST_F(TtyDisplayTest, MouseReportsBecomeButtonMessagesInClientCells) {
  MenuBar menu;
  menu.popups.push_back({"&File", {{"E&xit\tAlt+F4", 9002}}});
  open(&menu);
  display_->flush();
  ASSERT_EQ(display_->layout().top, 1);  // the menu bar has the first row
  type("\x1b[<0;12;6M\x1b[<0;12;6m");    // terminal cell (5, 11): client (4, 11)
  std::vector<Message> v = input();
  ASSERT_EQ(v.size(), 2u);
  EXPECT_EQ(v[0].message, wm::kLButtonDown);
  EXPECT_EQ(point_x(v[0].lparam), 11);
  EXPECT_EQ(point_y(v[0].lparam), 4);
  EXPECT_EQ(v[1].message, wm::kLButtonUp);
  type("\x1b[<0;12;6M");
  v = input();
  ASSERT_EQ(v.size(), 1u);
  EXPECT_EQ(v[0].message, wm::kLButtonDblClk);
  // Dragging outside the panel still reaches the window; a press there
  // does not.
  type("\x1b[<32;12;27M\x1b[<0;12;27m\x1b[<2;5;27M");
  v = input();
  ASSERT_EQ(v.size(), 2u);
  EXPECT_EQ(v[0].message, wm::kMouseMove);
  EXPECT_EQ(v[0].wparam & mouse_keys::kLButton, mouse_keys::kLButton);
  EXPECT_EQ(point_y(v[0].lparam), 24);
  EXPECT_EQ(v[1].message, wm::kLButtonUp);
  // A click on the status bar, left or right, is no click in the window.
  type("\x1b[<0;5;27M\x1b[<0;5;27m\x1b[<2;5;27m\x1b[<0;80;27m");
  EXPECT_TRUE(input().empty());
}

TEST_F(TtyDisplayTest, MenusOpenFromF10AndAltLetter) {
  MenuBar menu;
  menu.popups.push_back({"&File", {{"&Open", 9001, true}, {"", 0}, {"E&xit\tAlt+F4", 9002}}});
  menu.popups.push_back({"&Help", {{"&About...", 9009}}});
  open(&menu);
  Message m;
  // F10, Down past the separator, Enter.
  type("\x1b[B\r");
  display_->default_proc(window_, wm::kSysKeyDown, vk::kF10,
                         make_key_param(68, false, false, false));
  ASSERT_TRUE(display_->peek(m, 0, wm::kCommand, wm::kCommand, true));
  EXPECT_EQ(m.wparam, 9002u);
  // Alt+H opens Help; its item by its letter.
  type("a");
  display_->default_proc(window_, wm::kSysKeyDown, 'H', make_key_param(35, false, true, false));
  ASSERT_TRUE(display_->peek(m, 0, wm::kCommand, wm::kCommand, true));
  EXPECT_EQ(m.wparam, 9009u);
  // A grayed item cannot be chosen; Esc closes without a command.
  type("\r\x1b");
  display_->default_proc(window_, wm::kSysKeyDown, vk::kF10,
                         make_key_param(68, false, false, false));
  EXPECT_FALSE(display_->peek(m, 0, wm::kCommand, wm::kCommand, true));
}

TEST_F(TtyDisplayTest, MouseMenuChoosesOnRelease) {
  MenuBar menu;
  menu.popups.push_back({"&File", {{"E&xit", 9002}}});
  menu.popups.push_back({"&Help", {{"&About...", 9009}}});
  open(&menu);
  display_->flush();
  // " File " is columns 1-6, " Help " 7-12; the Help popup's item is on
  // row 2 from column 8.
  type("\x1b[<0;9;1M\x1b[<0;9;1m\x1b[<0;10;3M\x1b[<0;10;3m");
  display_->device_wait(display_->tick_ms() + 500);
  Message m;
  ASSERT_TRUE(display_->peek(m, 0, wm::kCommand, wm::kCommand, true));
  EXPECT_EQ(m.wparam, 9009u);
}

TEST_F(TtyDisplayTest, MessageBoxesWaitForTheirAnswer) {
  open();
  struct Case {
    const char* what;
    std::string keys;
    unsigned style;
    int want;
  };
  const Case cases[] = {
      {"OK with Enter", "\r", mb::kOk | mb::kIconStop, kIdOk},
      {"OK ignores other keys", "xyz\x1b[A\r", mb::kOk, kIdOk},
      {"Y", "y", mb::kYesNo | mb::kIconQuestion, kIdYes},
      {"N", "N", mb::kYesNo, kIdNo},
      {"Enter takes the default No", "\r", mb::kYesNo | mb::kDefButton2, kIdNo},
      {"Right then Enter", "\x1b[C\r", mb::kYesNo | mb::kDefButton2, kIdYes},
      {"Esc is No", "\x1b", mb::kYesNo, kIdNo},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    output();
    type(c.keys);
    EXPECT_EQ(display_->message_box(window_, 0, "Close", "Do you really want to quit?", c.style),
              c.want);
    std::string shown = output();
    EXPECT_NE(shown.find("Do you really want to quit?"), std::string::npos);
  }
  // The screen under the box comes back (the box covers rows 10-15,
  // columns 26-53 of the terminal).
  draw(12, 30, "UNDER", 0x07);
  display_->flush();
  output();
  type("\r");
  display_->message_box(window_, 3, "Korvexan Internal Error!", "text", mb::kOk);
  EXPECT_NE(output().find("UNDER"), std::string::npos);
}

TEST_F(TtyDisplayTest, PasteBecomesTheClipboardAndThePasteCommand) {
  open();
  type("\x1b[200~caf\xC3\xA9\x1b[201~");
  std::vector<Message> v = input();
  ASSERT_EQ(v.size(), 1u);
  EXPECT_EQ(v[0].message, wm::kCommand);
  EXPECT_EQ(v[0].wparam, 9005u);
  EXPECT_EQ(display_->clipboard_text(), std::optional<std::string>("caf\x82"));  // é in CP437
}

TEST_F(TtyDisplayTest, ClipboardGoesToTheTerminalWhereItTakesIt) {
  setenv("KORVEXAN_OSC52", "1", 1);
  open();
  output();
  display_->clipboard_set_text(window_, "Smith");
  EXPECT_NE(output().find("\x1b]52;c;U21pdGg=\x07"), std::string::npos);
  EXPECT_EQ(display_->clipboard_text(), std::optional<std::string>("Smith"));
  unsetenv("KORVEXAN_OSC52");
}

TEST_F(TtyDisplayTest, ResizeRedrawsAndASmallTerminalSaysSo) {
  open();
  display_->set_status_parts(1, {10, 23, 36, -1});
  draw(0, 0, "TOP", 0x07);
  display_->flush();
  output();
  winsize ws{20, 60, 0, 0};
  ASSERT_EQ(ioctl(master_, TIOCSWINSZ, &ws), 0);
  raise(SIGWINCH);
  display_->flush();
  EXPECT_EQ(display_->layout().rows, 20);
  EXPECT_TRUE(display_->layout().too_small);
  std::string redrawn = output();
  EXPECT_NE(redrawn.find("TOP"), std::string::npos);
  EXPECT_NE(redrawn.find("Terminal 20x60 < screen 25x80"), std::string::npos);
}

TEST_F(TtyDisplayTest, ATerminalThatGoesAwayEndsTheDialogueInsteadOfHanging) {
  open();
  close(master_);
  master_ = -1;
  display_->device_wait(0);  // no deadline: must come back all the same
  Message m;
  ASSERT_TRUE(display_->peek(m, 0, wm::kUserQuit, wm::kUserQuit, true));
  // Nobody can answer a box now: it takes its default at once.
  EXPECT_EQ(display_->message_box(window_, 0, "Close", "Quit?", mb::kYesNo), kIdNo);
  EXPECT_EQ(display_->message_box(window_, 3, "Error", "text", mb::kOk), kIdOk);
  // Waiting again tells the program again, without a busy loop.
  std::uint64_t before = display_->tick_ms();
  display_->device_wait(0);
  EXPECT_TRUE(display_->peek(m, 0, wm::kUserQuit, wm::kUserQuit, true));
  EXPECT_GE(display_->tick_ms() - before, 90u);
}

TEST_F(TtyDisplayTest, TinyTerminalsShowWhatFitsWithBoxesAndMenus) {
  MenuBar menu;
  menu.popups.push_back({"&File", {{"&Open", 9001}, {"", 0}, {"E&xit\tAlt+F4", 9002}}});
  open(&menu);
  display_->create_caret(window_, 0, 1);
  display_->show_caret(window_);
  display_->set_caret_pos(79, 24);
  const std::pair<unsigned short, unsigned short> sizes[] = {{1, 1},   {2, 10}, {3, 3},
                                                             {5, 200}, {4, 12}, {60, 2}};
  for (auto [rows, cols] : sizes) {
    SCOPED_TRACE(std::to_string(rows) + "x" + std::to_string(cols));
    winsize ws{rows, cols, 0, 0};
    ASSERT_EQ(ioctl(master_, TIOCSWINSZ, &ws), 0);
    raise(SIGWINCH);
    draw(24, 70, "corner", 0x1F);
    display_->flush();
    EXPECT_EQ(display_->layout().rows, rows);
    EXPECT_EQ(display_->layout().cols, cols);
    output();
    type("\r");
    EXPECT_EQ(display_->message_box(window_, 3, "A title longer than the terminal is wide",
                                    "text\rmore text than fits", mb::kOk),
              kIdOk);
    type("\x1b[B\r");
    display_->default_proc(window_, wm::kSysKeyDown, vk::kF10,
                           make_key_param(68, false, false, false));
    Message m;
    ASSERT_TRUE(display_->peek(m, 0, wm::kCommand, wm::kCommand, true));
    EXPECT_EQ(m.wparam, 9002u);
    output();
  }
}

}  // namespace
}  // namespace kv::term
