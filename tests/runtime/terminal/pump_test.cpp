// The message pump's order of work and its events from the mouse, the
// label lookup and dropped files.

#include "runtime/terminal/pump.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/runtime/terminal/support/window_fixture.h"

namespace kv::term {
namespace {

using testing::WindowTest;

class Pump : public WindowTest {
 protected:
  EventArea pass(char mode = kWaitRead) {
    EventArea a = area;
    a.wait_mode = mode;
    SCR_AMP(c, a);
    return a;
  }
  // Posts a mouse message at a cell (8 x 16 pixels, middle of the cell).
  void mouse(std::uint32_t msg, int row, int col, std::uint32_t keys = 0) {
    fake.post_mouse(c.window, msg, (col - 1) * 8 + 3, (row - 1) * 16 + 5, keys);
  }
  std::vector<EventArea> drain() {
    std::vector<EventArea> out;
    for (int i = 0; i < 20 && fake.has_pending_work(); ++i) {
      EventArea a = pass();
      if (a.key.status != 'N') out.push_back(a);
    }
    return out;
  }
  EventArea area;
};

TEST_F(Pump, NoWaitModeDoesWindowWorkButTakesNoInput) {
  create();
  fake.post_key(c.window, vk::kF1, 59, false, -1, 0);
  fake.invalidate(c.window, nullptr);
  EventArea a = pass(kWaitNone);
  EXPECT_EQ(a.key.status, 'N');
  EXPECT_FALSE(fake.runs.empty());  // the paint was done
  Message m;
  EXPECT_TRUE(fake.peek(m, 0, wm::kKeyDown, wm::kKeyDown, false));  // the key is still there
  a = pass(kWaitRead);
  EXPECT_EQ(a.key.extended, 59);
}

TEST_F(Pump, PrivateMessagesComeBeforeInputAndQuitIsReported) {
  create();
  fake.post_key(c.window, vk::kF1 + 1, 60, false, -1, 0);
  fake.post({c.window, wm::kUserQuit, 0, 0, 0, -1});
  EventArea a = pass();
  EXPECT_EQ(a.key.status, 'Q');
  EXPECT_EQ(a.key.scan, 254);
  a = pass();
  EXPECT_EQ(a.key.extended, 60);
}

TEST_F(Pump, WaitModeWaitsWithoutTakingTheMessage) {
  create();
  int waits = fake.waits;
  EventArea a = pass(kWaitBlock);
  EXPECT_EQ(a.key.status, 'N');
  EXPECT_GT(fake.waits, waits);  // the fake display was asked to wait
  // The timer that woke it is still due for the next pass.
  Message m;
  EXPECT_TRUE(fake.peek(m, 0, wm::kTimer, wm::kTimer, false));
}

TEST_F(Pump, Button1PressAndDragGiveOneEventPerCell) {
  create();
  mouse(wm::kLButtonDown, 5, 10);
  fake.post_input(c.window, wm::kMouseMove, mouse_keys::kLButton, make_point_param(9 * 8, 4 * 16),
                  0);
  fake.post_input(c.window, wm::kMouseMove, mouse_keys::kLButton, make_point_param(10 * 8, 4 * 16),
                  0);
  fake.post_input(c.window, wm::kMouseMove, mouse_keys::kLButton, make_point_param(11 * 8, 4 * 16),
                  0);
  auto ev = drain();
  ASSERT_EQ(ev.size(), 3u);  // the second move stays in the same cell
  EXPECT_EQ(ev[0].key.extended, 15);
  EXPECT_EQ(ev[0].key.scan, 255);
  EXPECT_EQ(ev[0].mouse_row, 5);
  EXPECT_EQ(ev[0].mouse_col, 10);
  EXPECT_EQ(ev[1].key.extended, 0);
  EXPECT_EQ(ev[1].mouse_col, 11);
  EXPECT_EQ(ev[2].key.extended, 0);
  EXPECT_EQ(ev[2].mouse_col, 12);
  EXPECT_TRUE(ev[2].button1);
  // Release outside any field with no codes: no event; moves no longer
  // report.
  mouse(wm::kLButtonUp, 5, 12);
  fake.post_input(c.window, wm::kMouseMove, 0, make_point_param(20 * 8, 4 * 16), 0);
  EXPECT_TRUE(drain().empty());
  EXPECT_EQ(c.pressed_state, 'N');
}

TEST_F(Pump, Button1ReleaseRules) {
  create();
  area.field_type = 'S';
  area.field_row = 4;
  area.field_first_col = 10;
  area.field_last_col = 20;
  area.mouse.mb1_selector = '1';
  area.mouse.missed_field_func = 63;
  area.menu_shown = 'Y';
  area.menu_row = 25;
  area.menu_line = "F1=Help  F3=Exit  Alt-F4=Quit  1=Menu";
  area.menu_click_mode = '1';
  area.mouse.menu_missed_func = 0;
  // Inside a selector: Enter.
  mouse(wm::kLButtonDown, 4, 12);
  mouse(wm::kLButtonUp, 4, 12);
  auto ev = drain();
  ASSERT_EQ(ev.size(), 2u);
  EXPECT_EQ(ev[1].key.character, 13);
  EXPECT_TRUE(ev[1].simulated);
  EXPECT_TRUE(ev[1].in_field);
  // On the menu row: the label's key; Ctrl held does not change a label
  // that names its own prefix; Shift turns "1=Menu" into Shift+F1.
  struct Case {
    int col;
    std::uint32_t keys;
    int ext;
  };
  const Case cases[] = {{2, 0, 59}, {11, 0, 61}, {22, kf_ctrl, 107}, {34, kf_shift, 84}};
  for (const Case& k : cases) {
    mouse(wm::kLButtonDown, 25, k.col, k.keys);
    mouse(wm::kLButtonUp, 25, k.col, k.keys);
    ev = drain();
    ASSERT_EQ(ev.size(), 2u) << k.col;
    EXPECT_EQ(ev[1].key.extended, k.ext) << k.col;
    EXPECT_EQ(ev[1].key.scan, 255);
  }
  // A space of the menu row with menu-missed codes 0 and 0: no key.
  mouse(wm::kLButtonDown, 25, 9);
  mouse(wm::kLButtonUp, 25, 9);
  EXPECT_EQ(drain().size(), 1u);  // only the press
  // Outside any field and off the menu row: the click-outside codes.
  mouse(wm::kLButtonDown, 10, 50);
  mouse(wm::kLButtonUp, 10, 50);
  ev = drain();
  ASSERT_EQ(ev.size(), 2u);
  EXPECT_EQ(ev[1].key.extended, 63);
  EXPECT_FALSE(ev[1].in_field);
}

TEST_F(Pump, DoubleClicksAndButton2WithThePainterSettings) {
  create();
  area.mouse.mb1_double_func = 48;
  area.mouse.mb2_double_func = 22;
  area.mouse.mb2_release_char = 'r';
  mouse(wm::kLButtonDblClk, 3, 3);
  mouse(wm::kRButtonDblClk, 3, 3);
  mouse(wm::kRButtonUp, 3, 3);  // no press before it: nothing
  mouse(wm::kRButtonDown, 3, 3);
  mouse(wm::kRButtonUp, 3, 3);
  auto ev = drain();
  ASSERT_EQ(ev.size(), 3u);
  EXPECT_EQ(ev[0].key.extended, 48);  // Alt+B
  EXPECT_EQ(ev[1].key.extended, 22);  // Alt+U
  EXPECT_EQ(ev[2].key.character, 'r');
  // Menu-click mode 2: a double click on a label chooses it.
  area.menu_shown = 'Y';
  area.menu_row = 25;
  area.menu_line = "F10=Select_Indicator";
  area.menu_click_mode = '2';
  mouse(wm::kLButtonDblClk, 25, 5);
  ev = drain();
  ASSERT_EQ(ev.size(), 1u);
  EXPECT_EQ(ev[0].key.extended, 68);
}

TEST(LabelLookup, KeyCodesFromLabels) {
  ScrCommon c;
  struct Case {
    const char* line;
    int col;
    std::uint8_t alt, ctrl, shift;
    int want_char, want_ext;
  };
  const Case cases[] = {
      {"F1=List", 3, 0, 0, 0, 0, 59},
      {"Alt-F4=Quit", 1, 0, 0, 0, 0, 107},
      {"Alt-F4=Quit", 9, 0, 1, 0, 0, 107},
      {"Ctrl+PgDn=Next", 4, 0, 0, 0, 0, 118},
      {"Shift:F5=Zoom", 2, 0, 0, 0, 0, 88},
      {"Ctrl PgDn=Next", 2, 0, 0, 0, 0, 118},  // a space also ends the first piece
      {"Alt  F4=Quit", 1, 0, 0, 0, 7, 77},     // two: the second piece is empty
      {"1=Menu", 1, 0, 0, 1, 0, 84},
      {"5=Go", 1, 1, 0, 0, 0, 108},
      {"enter=Accept", 2, 0, 0, 0, 13, 0},
      {"PGDN=Down", 1, 0, 0, 0, 0, 81},
      {"F99=Nothing", 1, 0, 0, 0, 7, 77},  // not a key: the pre-loaded codes stay
      {"F1=List  ", 8, 0, 0, 0, 7, 77},    // a space: nothing found
  };
  for (const Case& k : cases) {
    LabelRequest q;
    q.column = k.col;
    q.alt = k.alt;
    q.ctrl = k.ctrl;
    q.shift_left = k.shift;
    q.menu_line = k.line;
    q.character = 7;
    q.extended = 77;
    SCR_MOUS(q, c);
    EXPECT_EQ(q.character, k.want_char) << k.line;
    EXPECT_EQ(q.extended, k.want_ext) << k.line;
  }
}

TEST_F(Pump, DroppedFilesGiveTheRegisteredKeyCountAndCell) {
  create();
  // Not accepting: the drop is refused by the window.
  EXPECT_FALSE(fake.post_drop(c.window, {"/tmp/a"}, {0, 0}));
  c.drops.accepting = true;
  c.drops.key_code = 1234;
  fake.accept_drops(c.window, true);
  ASSERT_TRUE(fake.post_drop(c.window, {"/tmp/a", "/tmp/b"}, {3 * 8 + 1, 6 * 16 + 2}));
  EventArea a = pass();
  EXPECT_EQ(a.key.status, 'Y');
  EXPECT_EQ(a.key.extended, 1234);
  EXPECT_EQ(a.key.scan, 253);
  EXPECT_EQ(a.drop_count, 2);
  EXPECT_EQ(a.drop_row, 7);
  EXPECT_EQ(a.drop_col, 4);
  EXPECT_TRUE(c.drops.held);
  EXPECT_EQ(fake.drop_files(c.drops.handle).size(), 2u);
  // A second drop replaces the first, which is released.
  Handle first = c.drops.handle;
  fake.post_drop(c.window, {"/tmp/c"}, {0, 0});
  a = pass();
  EXPECT_EQ(a.drop_count, 1);
  EXPECT_TRUE(fake.drop_files(first).empty());
}

}  // namespace
}  // namespace kv::term
