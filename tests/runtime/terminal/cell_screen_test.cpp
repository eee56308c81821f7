// The cell screen: writes with the one split, clear, save and restore,
// the caret count, the paint runs and their colours.

#include "runtime/terminal/cell_screen.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/terminal/colours.h"
#include "runtime/utilities/bytes.h"
#include "tests/runtime/terminal/support/window_fixture.h"

namespace kv::term {
namespace {

using testing::WindowTest;

std::string plane_text(const ScrCommon& c, int row, int col, int n) {
  return std::string(reinterpret_cast<const char*>(c.chars.data()) + (row - 1) * 80 + col - 1,
                     static_cast<std::size_t>(n));
}

class CellScreen : public WindowTest {
 protected:
  void write(int row, int col, const std::string& text, std::uint8_t attr = 0x1E) {
    write_text(c, row, col, text, attr);
  }
};

TEST_F(CellScreen, WritesSplitOnceAndInvalidateOneRowAndColumnBeyond) {
  create();
  struct Case {
    int row, col;
    std::string text;
    std::vector<std::pair<int, std::string>> rows;  // (row, text at col or 1)
    Rect rect;                                      // in cells
  };
  const Case cases[] = {
      // Ten characters at 3/75: six on row 3, four on row 4; rows 3-5 of
      // the full width.
      {3, 75, "ABCDEFGHIJ", {{3, "ABCDEF"}, {4, "GHIJ"}}, {0, 2, 80, 5}},
      // Six characters end at 81: not split; columns 75-81 of rows 3-4.
      {3, 75, "ABCDEF", {{3, "ABCDEF"}}, {74, 2, 81, 4}},
      // A long text runs on through the rows.
      {1,
       1,
       std::string(170, 'x'),
       {{1, std::string(80, 'x')}, {3, std::string(10, 'x')}},
       {0, 0, 80, 3}},
  };
  for (const Case& k : cases) {
    reset_common(c, fake);
    create();
    invalid();
    write(k.row, k.col, k.text);
    for (auto& [row, text] : k.rows) {
      int col = row == k.row ? k.col : 1;
      EXPECT_EQ(plane_text(c, row, col, static_cast<int>(text.size())), text) << k.text;
      EXPECT_EQ(c.attrs[static_cast<std::size_t>((row - 1) * 80 + col - 1)], 0x1E);
    }
    Rect r = invalid();
    EXPECT_EQ(r, (Rect{k.rect.left * 8, k.rect.top * 16, k.rect.right * 8, k.rect.bottom * 16}))
        << k.text;
  }
  // Nothing beyond the text changed.
  EXPECT_EQ(plane_text(c, 3, 11, 2), "  ");
}

TEST_F(CellScreen, WritesOutsideThePlanesAreCutNotCarriedPastThem) {
  // Runs past the last cell, or start outside the planes: nothing is
  // written outside the 4000 cells (the sanitizer build watches this).
  write(50, 75, std::string(40, 'z'));
  EXPECT_EQ(plane_text(c, 50, 75, 6), "zzzzzz");
  write(51, 1, "bad");
  write(0, 1, "bad");
  write(1, 81, "bad");
  write(1, 1, "");
  for (std::uint8_t ch : c.chars) EXPECT_NE(ch, 'b');
}

TEST_F(CellScreen, ClearSetsEveryCellAndTheBackgroundColour) {
  create();
  write(10, 10, "text");
  VioRequest q;
  q.function = vio::kClear;
  q.clear_attribute = 0x1F;
  SCR_VIO(q, nullptr, c);
  for (int i = 0; i < 4000; ++i) {
    ASSERT_EQ(c.chars[static_cast<std::size_t>(i)], ' ');
    ASSERT_EQ(c.attrs[static_cast<std::size_t>(i)], 0x1F);
  }
  EXPECT_EQ(c.background, (Rgb{0, 0, 128}));
  // All 50 rows, clipped to the client area.
  Rect client = fake.client_rect(c.window);
  EXPECT_EQ(invalid(), (Rect{0, 0, 640, std::min(client.bottom, 50 * 16)}));
}

TEST_F(CellScreen, SaveOf25RowsRestoresAsA25RowScreen) {
  create();
  write(1, 1, "first row");
  write(25, 71, "last cells", 0x4F);
  std::vector<std::uint8_t> area(save_area_size(25) + 16, 0xEE);
  VioRequest q;
  q.function = vio::kSave;
  q.columns = 80;
  q.last_row = 24;
  SCR_VIO(q, area.data(), c);
  EXPECT_EQ(get_u16(area.data()), 25);
  EXPECT_EQ(get_u16(area.data() + 2), 80);
  EXPECT_EQ(save_area_size(25), 4020);
  EXPECT_EQ(area[4020], 0xEE);  // nothing written past 4020 bytes
  EXPECT_EQ(area[20 + 24 * 80 + 70], 'l');
  EXPECT_EQ(area[20 + 25 * 80 + 24 * 80 + 70], 0x4F);

  VioRequest clear;
  clear.function = vio::kClear;
  SCR_VIO(clear, nullptr, c);
  c.screen_rows = 50;
  VioRequest r;
  r.function = vio::kRestore;
  SCR_VIO(r, area.data(), c);
  EXPECT_EQ(plane_text(c, 1, 1, 9), "first row");
  EXPECT_EQ(plane_text(c, 25, 71, 10), "last cells");
  EXPECT_EQ(c.attrs[24 * 80 + 70], 0x4F);
  EXPECT_EQ(c.screen_rows, 25);
  EXPECT_EQ(r.last_row, 24);
  EXPECT_EQ(r.columns, 80);
}

TEST_F(CellScreen, RestoreRefusesAHeaderNoSaveCouldHaveWritten) {
  std::vector<std::uint8_t> area(save_area_size(50), 'Q');
  put_u16(area.data(), 200);  // would read far past the area
  c.chars.fill(' ');
  VioRequest r;
  r.function = vio::kRestore;
  SCR_VIO(r, area.data(), c);
  EXPECT_EQ(plane_text(c, 1, 1, 3), "   ");
  EXPECT_EQ(c.screen_rows, 25);
}

TEST_F(CellScreen, CaretCountNeverExceedsOne) {
  create();
  c.caret_row = 5;
  c.caret_column = 10;
  VioRequest on;
  on.function = vio::kCaretOnOff;
  on.caret_on = 1;
  VioRequest off = on;
  off.caret_on = 0;
  SCR_VIO(on, nullptr, c);
  SCR_VIO(on, nullptr, c);
  EXPECT_TRUE(fake.caret_visible());
  EXPECT_EQ(c.caret_width, 2);  // a quarter of the 8-pixel cell
  EXPECT_EQ(c.caret_height, 16);
  EXPECT_EQ(fake.caret_pos(), (Point{9 * 8, 4 * 16}));
  SCR_VIO(off, nullptr, c);
  EXPECT_FALSE(fake.caret_visible());
  EXPECT_EQ(c.carets_shown, 0);
  // Without a caret in use the count only resets.
  c.caret_enabled = 'N';
  SCR_VIO(on, nullptr, c);
  EXPECT_EQ(c.carets_shown, 0);
}

TEST_F(CellScreen, UnknownFunctionCodeShowsTheInternalErrorBoxOnly) {
  create();
  auto before = c.chars;
  for (int code : {17, -1, 99}) {
    VioRequest q;
    q.function = static_cast<std::int16_t>(code);
    SCR_VIO(q, nullptr, c);
  }
  ASSERT_EQ(fake.boxes.size(), 3u);
  EXPECT_EQ(fake.boxes[0].kind, 3);
  EXPECT_EQ(fake.boxes[0].title, "Korvexan Internal Error!");
  EXPECT_NE(fake.boxes[0].text.find("Fell through computed GO TO!"), std::string::npos);
  // The box names the video module by its own version and revision.
  EXPECT_EQ(fake.boxes[0].text.substr(0, 16), "SCR_VIO  2.4.006");
  EXPECT_EQ(c.chars, before);
  // The codes without an operation do nothing at all.
  for (int code : {0, 2, 4, 8, 9, 12, 16}) {
    VioRequest q;
    q.function = static_cast<std::int16_t>(code);
    SCR_VIO(q, nullptr, c);
  }
  EXPECT_EQ(fake.boxes.size(), 3u);
}

TEST_F(CellScreen, ForcePaintPostsTheClientSizeAndGrowReturnsToItsPlace) {
  create();
  fake.move_window(c.window, 30, 40, 300, 200, false);
  settle();
  VioRequest q;
  q.function = vio::kForcePaint;
  q.update_now = 1;
  SCR_VIO(q, nullptr, c);
  EXPECT_EQ(c.last_window_rect, fake.window_rect(c.window));
  Message m;
  ASSERT_TRUE(fake.peek(m, c.window, wm::kSize, wm::kSize, true));
  Rect client = fake.client_rect(c.window);
  EXPECT_EQ(m.wparam, size_kind::kRestored);
  EXPECT_EQ(m.lparam, make_point_param(client.width(), client.height()));
  ASSERT_NE(fake.menu_of(c.window), nullptr);  // the menu is attached again
  // Grow: back to that position, as large as the window may be.
  fake.move_window(c.window, 500, 500, 100, 100, false);
  VioRequest g;
  g.function = vio::kGrow;
  SCR_VIO(g, nullptr, c);
  Rect r = fake.window_rect(c.window);
  EXPECT_EQ(r.left, 30);
  EXPECT_EQ(r.top, 40);
  EXPECT_GE(r.width(), full_client_width(c) + c.frame_width_extra);
  EXPECT_LT(r.width(), 9999);
  // The caret follows its cell less the scroll offsets.
  c.vscroll = 16;
  VioRequest k;
  k.function = vio::kSetCaret;
  k.caret_row = 3;
  k.caret_column = 5;
  SCR_VIO(k, nullptr, c);
  EXPECT_EQ(fake.caret_pos(), (Point{4 * 8, 2 * 16 - 16}));
}

TEST_F(CellScreen, PaintDrawsRunsOfEqualAttributeWithBothColourTables) {
  create();
  write(2, 1, "ab", 0x55);  // foreground 5 on background 5
  write(2, 3, "cd", 0x07);
  write(2, 5, "e", 0x07);
  invalid();
  paint_cells(c, c.window, {0, 16, 5 * 8, 32});
  ASSERT_GE(fake.runs.size(), 2u);
  EXPECT_EQ(fake.runs[0].text.substr(0, 2), "ab");
  EXPECT_EQ(fake.runs[0].fg, (Rgb{128, 0, 255}));
  EXPECT_EQ(fake.runs[0].bg, (Rgb{128, 0, 128}));
  EXPECT_EQ(fake.runs[0].y, 16);
  EXPECT_EQ(fake.runs[1].x, 16);
  EXPECT_EQ(fake.runs[1].text.substr(0, 3), "cde");
}

TEST_F(CellScreen, PaintBelowTheScreenStopsAtTheLastPlaneRow) {
  create();
  fake.runs.clear();
  // A rectangle wholly below row 25, reaching far beyond row 50.
  paint_cells(c, c.window, {0, 25 * 16, 640, 200 * 16});
  ASSERT_FALSE(fake.runs.empty());
  int max_y = 0;
  for (const auto& run : fake.runs) max_y = std::max(max_y, run.y);
  EXPECT_EQ(fake.runs.front().y, 25 * 16);
  EXPECT_EQ(max_y, 49 * 16);
  // A rectangle wholly right of column 80 has no cells: nothing is drawn.
  fake.runs.clear();
  paint_cells(c, c.window, {80 * 8, 0, 100 * 8, 50 * 16});
  EXPECT_TRUE(fake.runs.empty());
}

}  // namespace
}  // namespace kv::term
