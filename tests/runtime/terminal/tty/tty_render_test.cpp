#include "runtime/terminal/backends/tty/tty_render.h"

#include <gtest/gtest.h>

namespace kv::term::tty {
namespace {

std::u32string row_text(const Frame& f, int row, int col, int width) {
  std::u32string s;
  for (int c = col; c < col + width && c < f.cols(); ++c) s += f.at(row, c).ch;
  return s;
}

TEST(TtyLayout, BarsWithSpareRowsAndACaretFollowingViewWhenSmall) {
  struct Case {
    const char* what;
    int rows, cols, panel_rows, panel_cols, caret_row, caret_col;
    Layout want;
  };
  // rows, cols, panel rows/cols, menu row, status row, top, view rows/cols,
  // first row/col, too small.
  const Case cases[] = {
      {"room for both bars", 27, 80, 25, 80, 0, 0, {27, 80, 25, 80, 0, 26, 1, 25, 80, 0, 0, false}},
      {"a tall terminal", 60, 100, 25, 80, 0, 0, {60, 100, 25, 80, 0, 26, 1, 25, 80, 0, 0, false}},
      {"one row spare: the status bar alone",
       26,
       80,
       25,
       80,
       0,
       0,
       {26, 80, 25, 80, -1, 25, 0, 25, 80, 0, 0, false}},
      {"exactly the panel", 25, 80, 25, 80, 0, 0, {25, 80, 25, 80, -1, -1, 0, 25, 80, 0, 0, false}},
      {"too few rows: last row says so",
       24,
       80,
       25,
       80,
       3,
       0,
       {24, 80, 25, 80, -1, 23, 0, 23, 80, 0, 0, true}},
      {"caret below the view",
       24,
       80,
       25,
       80,
       24,
       5,
       {24, 80, 25, 80, -1, 23, 0, 23, 80, 2, 0, true}},
      {"too narrow with bars",
       30,
       60,
       25,
       80,
       10,
       70,
       {30, 60, 25, 80, 0, 26, 1, 25, 60, 0, 11, true}},
      {"50-row panel on 25 rows",
       25,
       80,
       50,
       80,
       49,
       0,
       {25, 80, 50, 80, -1, 24, 0, 24, 80, 26, 0, true}},
      {"one row terminal", 1, 10, 25, 80, 0, 0, {1, 10, 25, 80, -1, -1, 0, 1, 10, 0, 0, true}},
      {"no terminal at all", 0, 0, 25, 80, 0, 0, {0, 0, 25, 80, -1, -1, 0, 0, 0, 0, 0, true}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(
        compute_layout(c.rows, c.cols, c.panel_rows, c.panel_cols, c.caret_row, c.caret_col, true),
        c.want);
  }
}

TEST(TtyColours, SixteenColoursEightColoursAndNone) {
  // Attribute colour numbers count blue as 1 and red as 4; terminals the
  // other way round.
  EXPECT_EQ(term_colour(0x1F, 256), (TermColour{15, 4, false, false}));
  EXPECT_EQ(term_colour(0x4E, 16), (TermColour{11, 1, false, false}));
  EXPECT_EQ(term_colour(0xF0, 16), (TermColour{0, 15, false, false}));  // bright background
  EXPECT_EQ(term_colour(0x83, 16), (TermColour{6, 8, false, false}));
  EXPECT_EQ(term_colour(0x1F, 8), (TermColour{7, 4, true, false}));
  EXPECT_EQ(term_colour(0xC1, 8), (TermColour{4, 1, false, false}));  // bright red bg: red
  EXPECT_EQ(term_colour(0x07, 0), (TermColour{7, 0, false, false}));
  EXPECT_EQ(term_colour(0x70, 0), (TermColour{7, 0, false, true}));
  EXPECT_EQ(term_colour(0x1F, 0), (TermColour{7, 0, true, false}));
}

MenuBar sample_menu() {
  MenuBar m;
  m.popups.push_back({"&File", {{"&Open", 9001, true}, {"", 0}, {"E&xit\tAlt+F4", 9002}}});
  m.popups.push_back({"F&unction keys", {{"Help\tF1", 1}, {"Exit\tF3", 2}}});
  return m;
}

TEST(TtyMenus, LabelsMnemonicsAndHitTesting) {
  EXPECT_EQ(menu_label("E&xit"), "Exit");
  EXPECT_EQ(menu_label("Fish && &Chips"), "Fish & Chips");
  EXPECT_EQ(mnemonic("F&unction keys"), 'U');
  EXPECT_EQ(mnemonic("Fish && &Chips"), 'C');
  EXPECT_EQ(mnemonic("Help"), 0);

  MenuBar m = sample_menu();
  MenuGeometry g = menu_geometry(m, 0, 80, 25, 0);
  ASSERT_EQ(g.titles.size(), 2u);
  EXPECT_EQ(g.titles[0], std::make_pair(1, 6));   // " File "
  EXPECT_EQ(g.titles[1], std::make_pair(7, 15));  // " Function keys "
  EXPECT_EQ(title_at(g, 0), -1);
  EXPECT_EQ(title_at(g, 3), 0);
  EXPECT_EQ(title_at(g, 10), 1);
  // The popup: border, items, border; the separator is no item.
  EXPECT_EQ(g.popup_top, 1);
  EXPECT_EQ(g.popup_height, 5);
  EXPECT_EQ(item_at(g, m, 0, 2, 3), 0);
  EXPECT_EQ(item_at(g, m, 0, 3, 3), -1);
  EXPECT_EQ(item_at(g, m, 0, 4, 3), 2);
  EXPECT_EQ(item_at(g, m, 0, 4, 0), -1);
  EXPECT_EQ(next_item(m.popups[0], 0, 1), 2);
  EXPECT_EQ(next_item(m.popups[0], 2, 1), 0);
  EXPECT_EQ(next_item(m.popups[0], 0, -1), 2);
  // A popup too wide for a narrow terminal moves left.
  MenuGeometry narrow = menu_geometry(m, 0, 12, 25, 1);
  EXPECT_LE(narrow.popup_left + narrow.popup_width, 12);
}

TEST(TtyCompose, PanelBarsOverlaysAndTheSmallTerminalNote) {
  std::array<std::uint8_t, 4000> chars, attrs;
  chars.fill(' ');
  attrs.fill(0x07);
  chars[0] = 0xC9;  // the CP437 double corner
  attrs[0] = 0x1E;
  chars[24 * 80 + 79] = 'Z';
  MenuBar menu = sample_menu();
  Scene s;
  s.chars = chars.data();
  s.attrs = attrs.data();
  s.layout = compute_layout(27, 80, 25, 80, 0, 0, true);
  s.menu = &menu;
  s.status_texts = {"Saved", "INS", "Caps", "NUM"};
  s.status_raised = {false, true, false, true};
  Frame f;
  compose(f, s);
  EXPECT_EQ(f.at(1, 0), (Cell{U'╔', 0x1E}));
  EXPECT_EQ(f.at(25, 79).ch, U'Z');
  EXPECT_EQ(row_text(f, 0, 1, 20), U" File  Function keys");
  EXPECT_EQ(f.at(0, 2).attr, kMnemonicAttr);  // the F of File
  EXPECT_EQ(row_text(f, 26, 1, 5), U"Saved");
  EXPECT_EQ(row_text(f, 26, 63, 3), U"INS");
  EXPECT_EQ(f.at(26, 63).attr, kRaisedAttr);
  EXPECT_EQ(row_text(f, 26, 69, 4), U"Caps");
  EXPECT_EQ(f.at(26, 69).attr, kFlatAttr);

  // An open popup and a box lie over the panel.
  s.open_popup = 0;
  s.selected_item = 2;
  Box box{"Close", {"Do you really want to quit?"}, {"Yes", "No"}, 1, false};
  s.box = &box;
  compose(f, s);
  EXPECT_EQ(row_text(f, 2, 3, 4), U"Open");
  EXPECT_EQ(f.at(2, 3).attr, kGrayedAttr);
  EXPECT_EQ(row_text(f, 3, 1, 3), U"├──");
  EXPECT_EQ(row_text(f, 4, 3, 4), U"Exit");
  EXPECT_EQ(f.at(4, 3).attr, kSelectedAttr);
  BoxGeometry g = box_geometry(box, 27, 80);
  EXPECT_EQ(row_text(f, g.top + 2, g.left + 2, 27), U"Do you really want to quit?");
  EXPECT_EQ(row_text(f, g.button_row, g.buttons[1].first, 6), U"[ No ]");
  EXPECT_EQ(f.at(g.button_row, g.buttons[1].first).attr, kSelectedAttr);
  EXPECT_EQ(button_at(g, g.button_row, g.buttons[0].first + 1), 0);
  EXPECT_EQ(button_at(g, g.button_row - 1, g.buttons[0].first + 1), -1);

  // A terminal exactly the panel's size has no status row: a message just
  // set lies over the panel's last row, and the row is the panel's again
  // once the message is old.
  s.box = nullptr;
  s.open_popup = -1;
  s.layout = compute_layout(25, 80, 25, 80, 0, 0, true);
  s.message_over_panel = true;
  compose(f, s);
  EXPECT_EQ(row_text(f, 24, 1, 5), U"Saved");
  EXPECT_EQ(f.at(24, 1).attr, kBarAttr);
  EXPECT_EQ(f.at(0, 0).ch, U'╔');
  s.message_over_panel = false;
  compose(f, s);
  EXPECT_EQ(f.at(24, 79).ch, U'Z');
  EXPECT_EQ(f.at(24, 1).ch, U' ');
  EXPECT_EQ(f.at(24, 1).attr, 0x07);

  // A terminal smaller than the panel shows what fits and says so.
  s.box = nullptr;
  s.open_popup = -1;
  s.layout = compute_layout(20, 60, 25, 80, 0, 0, true);
  compose(f, s);
  EXPECT_EQ(f.rows(), 20);
  EXPECT_EQ(f.cols(), 60);
  EXPECT_EQ(f.at(0, 0).ch, U'╔');
  std::u32string note = row_text(f, 19, 1, 33);
  EXPECT_EQ(note, U"Terminal 20x60 < screen 25x80  Sa");
}

TEST(TtyBoxes, LinesBreakAndWrap) {
  EXPECT_EQ(box_lines("one\rtwo\r\nthree\nfour   ", 40),
            (std::vector<std::string>{"one", "two", "three", "four"}));
  EXPECT_EQ(box_lines("a long line of words", 8),
            (std::vector<std::string>{"a long", "line of", "words"}));
  EXPECT_EQ(box_lines(std::string(20, 'x'), 8),
            (std::vector<std::string>{"xxxxxxxx", "xxxxxxxx", "xxxx"}));
  EXPECT_EQ(box_lines("text" + std::string(200, ' '), 40), (std::vector<std::string>{"text"}));
  // A box never leaves the terminal, however long its title.
  Box b{std::string(200, 'T'), {"x"}, {"OK"}, 0, true};
  BoxGeometry g = box_geometry(b, 10, 40);
  EXPECT_GE(g.left, 0);
  EXPECT_LE(g.left + g.width, 40);
  EXPECT_LE(g.top + g.height, 10);
}

}  // namespace
}  // namespace kv::term::tty
