// The main window: creation steps and their failure boxes, placement,
// sizes, scroll bookkeeping, scrolling, new font, status bar, the menu
// commands and copy and paste.

#include "runtime/terminal/window.h"

#include <gtest/gtest.h>

#include <string>

#include "runtime/terminal/cell_screen.h"
#include "runtime/terminal/pump.h"
#include "tests/runtime/terminal/support/window_fixture.h"

namespace kv::term {
namespace {

using testing::WindowTest;

class Window : public WindowTest {};

TEST_F(Window, DefaultsGiveShowNormalAtTheOriginAsLargeAsAllowed) {
  create();
  Placement p;
  ASSERT_TRUE(fake.get_placement(c.window, p));
  EXPECT_EQ(p.show_command, 1);
  Rect r = fake.window_rect(c.window);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 0);
  // Frame extras: 2 x frame; 2 x frame + (caption - 1) + (menu + 1).
  EXPECT_EQ(c.frame_width_extra, 8);
  EXPECT_EQ(c.frame_height_extra, 8 + 18 + 20);
  // The window is trimmed to the maximum tracking size: the whole screen
  // of 25 x 80 cells of 8 x 16, plus the status bar (and, while the size is
  // not yet known, room for a scroll bar).
  EXPECT_EQ(r.width(), 640 + 8 + 16);
  EXPECT_EQ(r.height(), 400 + 20 + 46 + 16);
  EXPECT_EQ(fake.title_of(c.window), "");
  // No scroll bars: the client shows every cell.
  EXPECT_EQ(c.vscroll_range, 0);
  EXPECT_EQ(c.hscroll_range, 0);
}

TEST_F(Window, ShowStatesAndTheirNames) {
  c.show_command = 0;
  create();
  EXPECT_EQ(c.show_command, 1);  // hidden is shown normally
  EXPECT_STREQ(show_command_name(0), "SW-HIDE (Set to NORMAL)");
  EXPECT_STREQ(show_command_name(3), "SW-SHOWMAXIMIZED");
  EXPECT_STREQ(show_command_name(10), "SW-SHOWDEFAULT");
  EXPECT_STREQ(show_command_name(11), "Unknown CMD-SHOW value");
  // A start-up show state from the environment wins over the settings.
  reset_common(c, fake);
  c.show_command = 3;
  fake.startup_show = 2;
  create();
  EXPECT_EQ(c.show_command, 2);
}

TEST(WindowPosition, OriginsBeyondTheWorkAreaAreBroughtBack) {
  ScrCommon c;
  c.work_area = {0, 0, 1024, 738};
  c.caption_height = 18;
  struct Case {
    int x, y;
    Point want;
  };
  const Case cases[] = {
      {5000, 0, {1014, 0}},  // x beyond the right edge: right - 10
      {0, -100, {0, -18}},   // y above the caption: minus the caption height
      {0, 9000, {0, 720}},   // y below the bottom: bottom - caption height
      {100, 50, {100, 50}},
  };
  for (const Case& k : cases) {
    c.window_x_origin = k.x;
    c.window_y_origin = k.y;
    EXPECT_EQ(window_position(c), k.want) << k.x << "," << k.y;
  }
  c.work_area = {0, 30, 1024, 768};
  c.window_x_origin = 0;
  c.window_y_origin = 10;
  EXPECT_EQ(window_position(c).y, 40);  // from the work area's top
}

TEST_F(Window, ClassNameRetriesUpToKorvexan255) {
  fake.taken = {"Korvexan001"};
  create();
  EXPECT_EQ(c.class_name, "Korvexan002");
  // Close-down unregisters the class that was used.
  VioRequest q;
  q.function = vio::kDestroy;
  SCR_VIO(q, nullptr, c);
  SCR_WC(c);
  EXPECT_TRUE(fake.register_class({"Korvexan002", &SCR_WP, false, 1}));

  reset_common(c, fake);
  for (int n = 1; n <= 255; ++n) {
    char name[16];
    std::snprintf(name, sizeof name, "Korvexan%03d", n);
    fake.taken.insert(name);
  }
  SCR_WC(c);
  EXPECT_EQ(c.window, 0u);
  ASSERT_EQ(fake.boxes.size(), 2u);
  EXPECT_NE(fake.boxes[0].text.find("RegisterClass failed!"), std::string::npos);
  EXPECT_NE(fake.boxes[1].text.find("CreateWindowEx failed!"), std::string::npos);
  EXPECT_EQ(fake.boxes[1].kind, 3);
}

TEST_F(Window, WithoutAWindowMenuTheMenuHeightStillCountsOne) {
  c.menu_option = '2';
  create();
  EXPECT_EQ(c.menu_height, 1);
  EXPECT_EQ(c.frame_height_extra, 8 + 18 + 1);
  EXPECT_EQ(fake.menu_of(c.window), nullptr);
}

TEST_F(Window, ScrollRangesFollowTheClientSize) {
  create();
  int fw = full_client_width(c), fh = full_client_height(c);
  // Ten pixels narrower: a horizontal range of 10.
  scroll_bookkeeping(c, fw - 10, fh);
  EXPECT_EQ(c.hscroll_range, 10);
  EXPECT_EQ(c.vscroll_range, 0);
  scroll(c, Bar::Horizontal, scroll_request::kThumbPosition, 7);
  EXPECT_EQ(c.hscroll, 7);
  // Back to full width: the bar goes and the position is 0 again.
  scroll_bookkeeping(c, fw, fh);
  EXPECT_EQ(c.hscroll_range, 0);
  EXPECT_EQ(c.hscroll, 0);
  // A shown bar's own room counts when deciding whether bars are needed.
  scroll_bookkeeping(c, fw, fh - 5);
  EXPECT_EQ(c.vscroll_range, 5);
  scroll_bookkeeping(c, fw - 10, fh);
  EXPECT_EQ(c.vscroll_range, 0);
  EXPECT_EQ(c.hscroll_range, 0);
}

TEST_F(Window, PageDownScrollsFiveRowsAndStopsAtTheRange) {
  create();
  int fh = full_client_height(c);
  scroll_bookkeeping(c, full_client_width(c), fh - 100);
  ASSERT_EQ(c.vscroll_range, 100);
  scroll(c, Bar::Vertical, scroll_request::kPageDown, 0);
  EXPECT_EQ(c.vscroll, 80);
  EXPECT_EQ(c.vscroll_step, 80);
  scroll(c, Bar::Vertical, scroll_request::kPageDown, 0);
  EXPECT_EQ(c.vscroll, 100);  // stops at the range
  scroll(c, Bar::Vertical, scroll_request::kLineDown, 0);
  EXPECT_EQ(c.vscroll, 100);
  scroll(c, Bar::Vertical, scroll_request::kLineUp, 0);
  EXPECT_EQ(c.vscroll, 99);
  scroll(c, Bar::Vertical, scroll_request::kPageUp, 0);
  scroll(c, Bar::Vertical, scroll_request::kPageUp, 0);
  EXPECT_EQ(c.vscroll, 0);
  EXPECT_EQ(fake.scroll_pos(c.window).y, 0);
}

TEST_F(Window, MaximumTrackingSizeAllowsForScrollBarsOnlyWhenTheyShow) {
  create();
  MinMaxInfo mm;
  c.current_width = 2000;
  c.current_height = 2000;
  min_max_info(c, mm);
  EXPECT_EQ(mm.max_track_size, (Point{640 + 8, 420 + 46}));
  EXPECT_EQ(mm.max_size, mm.max_track_size);
  c.current_width = 100;  // narrower than the screen: a horizontal bar shows
  min_max_info(c, mm);
  EXPECT_EQ(mm.max_track_size, (Point{640 + 8, 420 + 46 + 16}));
}

TEST_F(Window, NewFontResizesToTheNewCellSize) {
  create();
  fake.set_cell(10, 20);
  fake.send(c.window, wm::kUserNewFont, 0, 0);
  EXPECT_EQ(c.metrics.avg_width, 10);
  EXPECT_EQ(c.metrics.height, 20);
  // The window grew to show every cell of the larger font (the maximum
  // tracking size leaves room for scroll bars while it was smaller) ...
  Rect client = fake.client_rect(c.window);
  EXPECT_GE(client.width(), 800);
  EXPECT_GE(client.height(), 25 * 20 + 20);
  EXPECT_LE(client.width(), 800 + 16);
  EXPECT_EQ(c.vscroll_range, 0);
  EXPECT_EQ(c.hscroll_range, 0);
  // ... and shrinks to the smaller one.
  fake.set_cell(6, 12);
  fake.send(c.window, wm::kUserNewFont, 0, 0);
  Rect small = fake.window_rect(c.window);
  EXPECT_LE(small.width(), 480 + 8 + 16);
  EXPECT_LE(small.height(), 300 + 20 + 46 + 16);
  // The font dialog: a confirmed choice becomes the OEM-set screen font.
  LogicalFont chosen;
  chosen.face = "Terminus";
  chosen.charset = 0;
  fake.chosen_font = chosen;
  KeyEvent ev;
  menu_command(c, cmd::kFonts, ev);
  EXPECT_EQ(c.font.face, "Terminus");
  EXPECT_EQ(c.font.charset, kOemCharset);
  // A failing dialog reports its code.
  fake.chosen_font.reset();
  fake.font_error = 0x1002;
  menu_command(c, cmd::kFonts, ev);
  ASSERT_FALSE(fake.boxes.empty());
  EXPECT_NE(fake.boxes.back().text.find("ChooseFontA failed! CommDlgExtendedError= 4098"),
            std::string::npos);
}

TEST_F(Window, StatusBarPartsAndIndicators) {
  create();
  EventArea first;
  SCR_AMP(c, first);  // the pump writes the indicators after a pass
  EXPECT_EQ(fake.status_text(1), "OVR ");
  EXPECT_EQ(fake.status_text(2), "Caps");
  EXPECT_EQ(fake.status_text(3), "Num");
  fake.post_input(c.window, wm::kTimer + 0, 0, 0, kf_caps | kf_num);
  EventArea a;
  SCR_AMP(c, a);
  EXPECT_EQ(fake.status_text(2), "CAPS");
  EXPECT_TRUE(fake.status_raised(2));
  EXPECT_EQ(fake.status_text(3), "NUM");
}

TEST_F(Window, AClickThatActivatesTheWindowIsDiscardedOnlyInTheClientArea) {
  create();
  constexpr std::intptr_t kHitCaption = 2;
  EXPECT_EQ(fake.send(c.window, wm::kMouseActivate, 0, kHitClient), kMouseActivateAndEat);
  EXPECT_EQ(fake.send(c.window, wm::kMouseActivate, 0, kHitCaption), kMouseActivate);
}

TEST_F(Window, CloseConfirmationNeverDestroysTheWindow) {
  create();
  fake.answers = {kIdNo};
  fake.post({c.window, wm::kClose, 0, 0, 0, -1});
  EventArea a;
  SCR_AMP(c, a);
  EXPECT_EQ(a.key.status, 'N');
  SCR_AMP(c, a);
  EXPECT_EQ(a.key.status, 'N');
  fake.answers = {kIdYes};
  KeyEvent ev;
  menu_command(c, cmd::kExit, ev);  // greyed without a close value: ignored
  EXPECT_EQ(fake.boxes.size(), 1u);
  c.global_close_value = 107;
  SCR_MP({"", "", "", "", ""}, c);
  menu_command(c, cmd::kExit, ev);
  ASSERT_EQ(fake.boxes.size(), 2u);
  for (int i = 0; i < 5 && a.key.status != 'Q'; ++i) SCR_AMP(c, a);
  EXPECT_EQ(a.key.status, 'Q');
  EXPECT_EQ(a.key.scan, 254);
  EXPECT_TRUE(fake.is_window(c.window));
}

TEST_F(Window, CopyAndPasteGoThroughThePublishedFieldImage) {
  create();
  SCR_MP({"", "", "", "", ""}, c);
  settle();
  EXPECT_TRUE(fake.menu_of(c.window)->find(cmd::kCopy)->grayed);
  c.current_field_length = 5;
  c.field_image = "HELLO WORLD";
  fake.send(c.window, wm::kUserCopy, 0, 0);
  EXPECT_FALSE(fake.menu_of(c.window)->find(cmd::kCopy)->grayed);
  KeyEvent ev;
  menu_command(c, cmd::kCopy, ev);
  EXPECT_EQ(fake.clipboard_text(), std::optional<std::string>("HELLO"));
  EXPECT_FALSE(fake.menu_of(c.window)->find(cmd::kPaste)->grayed);

  // Paste: at most the room to the field's end, stopping at a line break,
  // each character a typed one with scan byte 252.
  fake.clipboard_set_text(c.window, std::string("abcdef\r\nnext line"));
  c.paste_room = 4;
  menu_command(c, cmd::kPaste, ev);
  std::string got;
  for (int i = 0; i < 10; ++i) {
    EventArea a;
    SCR_AMP(c, a);
    if (a.key.status == 'Y') {
      EXPECT_EQ(a.key.scan, 252);
      got += static_cast<char>(a.key.character);
    }
  }
  EXPECT_EQ(got, "abcd");
  // No current field: nothing is copied or pasted.
  c.current_field_length = 0;
  fake.clipboard_set_text(c.window, "zz");
  menu_command(c, cmd::kCopy, ev);
  menu_command(c, cmd::kPaste, ev);
  EXPECT_FALSE(c.pasting);
  EXPECT_EQ(fake.clipboard_text(), std::optional<std::string>("zz"));
}

TEST_F(Window, AboutBoxShowsTheInitialisationTexts) {
  create();
  c.about_text = "Order entry 2.1";
  KeyEvent ev;
  menu_command(c, cmd::kAbout, ev);
  ASSERT_EQ(fake.boxes.size(), 1u);
  EXPECT_EQ(fake.boxes[0].kind, 2);
  EXPECT_EQ(fake.boxes[0].title, "About...");
  EXPECT_EQ(fake.boxes[0].text, "Order entry 2.1");
  EXPECT_EQ(fake.boxes[0].style, mb::kIconInformation | mb::kOk);
}

}  // namespace
}  // namespace kv::term
