// The debugging window: its list, message lines, menu and opening rules.

#include "runtime/terminal/debug_window.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "runtime/terminal/keys.h"
#include "runtime/terminal/pump.h"
#include "runtime/terminal/terminal.h"
#include "runtime/terminal/window.h"
#include "runtime/utilities/bytes.h"
#include "tests/runtime/terminal/support/window_fixture.h"

namespace kv::term {
namespace {

using testing::WindowTest;

class Debugger : public WindowTest {
 protected:
  std::string line(int n) const { return c.debug.lines[static_cast<std::size_t>(n - 1)]; }
};

TEST_F(Debugger, ListKeepsFiftyLinesNewestFirst) {
  for (int i = 1; i <= 51; ++i) debug_add_line(c, "line " + std::to_string(i));
  EXPECT_EQ(line(1).substr(0, 7), "line 51");
  EXPECT_EQ(line(50).substr(0, 6), "line 2");
  EXPECT_EQ(line(1).size(), 52u);
  EXPECT_EQ(std::string(DebugList::kHeading).size(), 52u);
}

TEST_F(Debugger, OpeningTwiceDoesNothingAndClosingAsksFirst) {
  create();
  KeyEvent ev;
  menu_command(c, cmd::kDebugger, ev);
  WindowId dbg = c.debug_window;
  ASSERT_NE(dbg, 0u);
  EXPECT_EQ(fake.title_of(dbg), "Korvexan/Windows Debugging Window");
  EXPECT_EQ(line(1).substr(0, 26), "Korvexan Debugger enabled!");
  menu_command(c, cmd::kDebugger, ev);
  EXPECT_EQ(c.debug_window, dbg);
  EXPECT_NE(line(2).substr(0, 26), "Korvexan Debugger enabled!");
  // Its menu: Options with three check items and Clear, Help with About.
  const MenuBar* bar = fake.menu_of(dbg);
  ASSERT_NE(bar, nullptr);
  ASSERT_EQ(bar->popups.size(), 2u);
  EXPECT_EQ(bar->popups[0].title, "&Options");
  EXPECT_EQ(bar->popups[0].items[3].text, "&Clear Messages");
  EXPECT_FALSE(bar->find(dbg_cmd::kWinProcMsgs)->checked);
  // Close: No keeps it, Yes closes it through the pump.
  fake.answers = {kIdNo, kIdYes};
  fake.send(dbg, wm::kClose, 0, 0);
  EventArea a;
  SCR_AMP(c, a);
  EXPECT_EQ(c.debug_window, dbg);
  EXPECT_EQ(fake.boxes.back().title, "Debugging Window Action");
  EXPECT_EQ(fake.boxes.back().text, "Close the debugging window?");
  fake.send(dbg, wm::kClose, 0, 0);
  for (int i = 0; i < 3; ++i) SCR_AMP(c, a);
  EXPECT_EQ(c.debug_window, 0u);
  EXPECT_FALSE(fake.is_window(dbg));
  // Lines added while it is closed are kept and it opens again.
  debug_add_line(c, "while closed");
  menu_command(c, cmd::kDebugger, ev);
  EXPECT_NE(c.debug_window, 0u);
  EXPECT_EQ(line(2).substr(0, 12), "while closed");
}

TEST_F(Debugger, OpensAgainOnAWindowCreatedAfterCloseDown) {
  create();
  KeyEvent ev;
  menu_command(c, cmd::kDebugger, ev);
  WindowId dbg = c.debug_window;
  ASSERT_NE(dbg, 0u);
  close_down(c);
  EXPECT_EQ(c.debug_window, 0u);
  EXPECT_FALSE(fake.is_window(dbg));
  // The application goes on and shows another panel: a new window, and
  // the debugger opens on it without a registration failure.
  create();
  menu_command(c, cmd::kDebugger, ev);
  EXPECT_NE(c.debug_window, 0u);
  EXPECT_TRUE(fake.boxes.empty()) << fake.boxes.front().text;
}

TEST_F(Debugger, MessageLinesFollowTheCheckMarksAndClasses) {
  create();
  KeyEvent ev;
  menu_command(c, cmd::kDebugger, ev);
  WindowId dbg = c.debug_window;
  // Unchecked: messages of 0x400 and above produce no lines.
  fake.send(dbg, wm::kUser + wm::kKeyDown, 0, 0);
  EXPECT_EQ(c.debug.sequence, 0);
  fake.send(dbg, wm::kCommand, dbg_cmd::kWinProcMsgs, 0);
  EXPECT_TRUE(fake.menu_of(dbg)->find(dbg_cmd::kWinProcMsgs)->checked);
  fake.send(dbg, wm::kUser + wm::kKeyDown, 9, make_key_param(15, false, false, false));
  EXPECT_EQ(c.debug.sequence, 1);
  EXPECT_EQ(line(1).substr(0, 30), "1    256  WM_KEYDOWN          ");
  EXPECT_EQ(line(1).substr(31, 1), "9");
  fake.send(dbg, wm::kUser + wm::kMouseMove, 0, 0);  // class 1: needs the mouse item
  fake.send(dbg, wm::kUser + wm::kTimer, 0, 0);      // class 2: never
  EXPECT_EQ(c.debug.sequence, 1);
  fake.send(dbg, wm::kCommand, dbg_cmd::kWinProcMouseMsgs, 0);
  fake.send(dbg, wm::kUser + wm::kMouseMove, 0, 0);
  fake.send(dbg, wm::kUser + 0x3F0, 0, 0);  // not in the table
  EXPECT_EQ(c.debug.sequence, 3);
  EXPECT_EQ(line(1).substr(10, 8), "WM-OTHER");
  // Clear: the numbering starts again at 1.
  fake.send(dbg, wm::kCommand, dbg_cmd::kClear, 0);
  EXPECT_EQ(line(1), std::string(52, ' '));
  fake.send(dbg, wm::kUser + wm::kChar, 0, 0);
  EXPECT_EQ(line(1).substr(0, 2), "1 ");
  // The sequence wraps after 9998.
  c.debug.sequence = 9998;
  fake.send(dbg, wm::kUser + wm::kChar, 0, 0);
  EXPECT_EQ(c.debug.sequence, 1);
}

TEST(MessageNames, AscendingAndFoundByHalving) {
  std::uint32_t last = 0;
  for (std::uint32_t n = 0; n < 0x600; ++n) {
    if (const MessageName* m = find_message_name(n)) {
      EXPECT_EQ(m->number, n);
      EXPECT_LE(std::strlen(m->name), 20u);
      EXPECT_TRUE(n == 0 || n > last);
      last = n;
    }
  }
  EXPECT_STREQ(find_message_name(0x0501)->name, "WM-USER-QUIT");
  EXPECT_STREQ(find_message_name(0x0118)->name, "WM_OTHER (Timer?)");
  EXPECT_EQ(find_message_name(0x0118)->klass, '2');
  EXPECT_EQ(find_message_name(0x0203)->klass, '1');
  EXPECT_EQ(find_message_name(0x0514)->number, 0x0514u);
  EXPECT_EQ(find_message_name(0x0017), nullptr);
}

TEST_F(Debugger, LineRecordsFindTheCommonAreaThroughTheMainWindow) {
  create();
  KeyEvent ev;
  menu_command(c, cmd::kDebugger, ev);
  std::uint8_t rec[80];
  std::memset(rec, ' ', sizeof rec);
  put_u32(rec + 23, static_cast<std::uint32_t>(c.window));
  std::memcpy(rec + 27, "0001/EDIT12   painting field 7", 30);
  SCR_DBM(rec);
  EXPECT_EQ(line(1).substr(0, 30), "0001/EDIT12   painting field 7");
  EXPECT_EQ(get_u32(rec + 23), static_cast<std::uint32_t>(c.debug_window));
  // The head of the line stays for the caller; the rest is blank again.
  EXPECT_EQ(std::string(reinterpret_cast<char*>(rec + 27), 15), "0001/EDIT12   p");
  EXPECT_EQ(std::string(reinterpret_cast<char*>(rec + 42), 38), std::string(38, ' '));
}

}  // namespace
}  // namespace kv::term
