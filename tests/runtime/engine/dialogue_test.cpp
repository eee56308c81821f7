// Panel calls run on the headless display with a script: painting, the
// keystroke loop, validation at the right moments, hot fields, selectors,
// the values of PANEL-REPAINT-SCREEN that return at once, window panels
// and the aborts for malformed areas.

#include "runtime/engine/dialogue.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "runtime/engine/engine.h"
#include "runtime/engine/options.h"
#include "runtime/engine/painting.h"
#include "runtime/engine/tables.h"
#include "runtime/terminal/backends/headless/headless_display.h"
#include "runtime/terminal/terminal.h"
#include "runtime/utilities/boxes.h"
#include "runtime/utilities/bytes.h"
#include "support/engine_fixture.h"

namespace {

using kv::test::Field;
using kv::test::Panel;

struct Stopped {
  int status;
};
void throw_stop(int status) { throw Stopped{status}; }

std::vector<std::string> g_boxes;
int capture_box(int kind, std::string_view, std::string_view text, std::string_view) {
  g_boxes.push_back(std::to_string(kind) + " " + std::string(kv::trim_right(text)));
  return 1;
}

// WORK-S: a "B" header and the given items (length, row, column,
// attribute, data), closed by X'FF'.
std::vector<std::uint8_t> work_s(const std::vector<std::vector<std::uint8_t>>& items,
                                 int size_code = 1, int window_h = 0, int window_w = 0) {
  std::vector<std::uint8_t> s(19, ' ');
  s[0] = 0x17;
  s[1] = 'B';
  kv::put_u16(s.data() + 2, static_cast<std::uint16_t>(window_h));
  kv::put_u16(s.data() + 4, static_cast<std::uint16_t>(window_w));
  s[6] = 20;
  s[7] = static_cast<std::uint8_t>(size_code);
  s[8] = 1;
  for (const auto& item : items) s.insert(s.end(), item.begin(), item.end());
  s.push_back(0xFF);
  return s;
}

std::vector<std::uint8_t> text_item(int row, int col, std::uint8_t attr, const std::string& t) {
  std::vector<std::uint8_t> v{static_cast<std::uint8_t>(t.size()), static_cast<std::uint8_t>(row),
                              static_cast<std::uint8_t>(col), attr};
  for (char c : t) v.push_back(static_cast<std::uint8_t>(c));
  return v;
}

class DialogueTest : public ::testing::Test {
 protected:
  void SetUp() override {
    kv::test::install_messages();
    auto& t = kv::engine::tables();
    t.masks[2] = kv::test::mask_record('N', ' ', "ZZZ,ZZZ,ZZZ,ZZ9.99-");
    t.mask_count = 3;
    t.masks[0] = kv::test::mask_record('N', ' ', "99999999999999999999-");
    t.masks[1] = t.masks[0];
    kv::engine::options() = kv::engine::Options{};
    kv::engine::reset_call_memory();
    g_boxes.clear();
    kv::set_box_hook(&capture_box);
  }
  void TearDown() override {
    kv::set_box_hook(nullptr);
    if (log_) std::fclose(log_);
  }

  // Installs a fresh headless display fed with `script`.
  void display(const std::string& script) {
    auto d = std::make_unique<kv::term::HeadlessDisplay>(script);
    d->set_stop(&throw_stop);
    log_ = std::tmpfile();
    d->set_log(log_);
    headless_ = d.get();
    kv::term::common() = kv::term::ScrCommon{};
    kv::term::use_display(std::move(d));
    kv::term::first_call_setup();
  }

  // Runs one panel call; the status the script stopped with, or 0.
  int call(Panel& p, std::vector<std::uint8_t>& s) {
    // A generated panel starts with PANEL-REPAINT-SCREEN "Y".
    if (p.rec().repaint_screen() == 0) p.rec().set_repaint_screen('Y');
    try {
      kv::engine::panel_call(p.record.data(), pass_, s.data(), p.work_d.data());
    } catch (const Stopped& st) {
      return st.status;
    }
    return 0;
  }

  std::string row_text(int row, int col, int len) {
    headless_->dump_text();  // paints what is still pending
    std::string out;
    for (int c = col; c < col + len; ++c) out += static_cast<char>(headless_->cell_char(row, c));
    return out;
  }
  std::uint8_t attr_at(int row, int col) {
    headless_->dump_text();
    return headless_->cell_attr(row, col);
  }

  static void write_cells_blank() {
    std::uint8_t blank[80];
    std::memset(blank, ' ', sizeof blank);
    kv::engine::write_cells(25, 1, blank, 80, 0x07, true);
  }

  static void set_menu(Panel& p, const std::string& line, std::uint8_t colour) {
    kv::put_padded(p.record.data() + 17, 80, line);
    kv::put_u16(p.record.data() + 15, colour);
  }

  kv::term::HeadlessDisplay* headless_ = nullptr;
  std::FILE* log_ = nullptr;
  std::uint8_t pass_[4] = {};
};

// ---------------------------------------------------------------- painting

TEST_F(DialogueTest, PaintsStaticDataFieldsMenuAndActiveColour) {
  Panel p({Field{3, 17, 5, 0x1F, ' ', 0, 0, 0, 0, "ab"},
           Field{4, 17, 10, 0x1F, '2', 3, 0, 0, 0, "0001234"},
           Field{5, 17, 4, 0x11, ' ', 0, 0, 0, 0, "HIDE"},
           Field{6, 17, 5, 0x1E, '1', 0, 0, 0, 0, "00042"}});
  kv::put_u16(p.record.data() + 11, 0x70);  // active colour
  set_menu(p, "F1=Help  F3=Exit", 0x30);
  // A repeat item of 174 copies from row 10 column 80 wraps over three rows.
  std::vector<std::uint8_t> rep{0xFE, 10, 80, 0x1E, '-'};
  auto s = work_s({text_item(1, 30, 0x1E, "Order Entry"), rep});
  display("key F3\n");
  ASSERT_EQ(call(p, s), 0);
  EXPECT_EQ(row_text(1, 30, 11), "Order Entry");
  EXPECT_EQ(attr_at(1, 30), 0x1E);
  EXPECT_EQ(attr_at(2, 1), 0x10);  // cleared with the base background
  EXPECT_EQ(row_text(10, 80, 1), "-");
  EXPECT_EQ(row_text(11, 1, 80), std::string(80, '-'));
  EXPECT_EQ(row_text(12, 1, 80), std::string(80, '-'));
  EXPECT_EQ(row_text(13, 1, 14), std::string(13, '-') + " ");
  // The cursor field in the active colour, the others in their own.
  EXPECT_EQ(row_text(3, 17, 5), "ab   ");
  EXPECT_EQ(attr_at(3, 17), 0x70);
  EXPECT_EQ(row_text(4, 17, 10), "    12.34 ");  // mask 3, data length 7
  EXPECT_EQ(attr_at(4, 17), 0x1F);
  EXPECT_EQ(row_text(5, 17, 4), "    ");   // blue on blue: hidden
  EXPECT_EQ(row_text(6, 17, 5), "00042");  // integer default mask: 9s, fill "0"
  EXPECT_EQ(row_text(25, 1, 16), "F1=Help  F3=Exit");
  EXPECT_EQ(attr_at(25, 1), 0x30);
  EXPECT_EQ(p.rec().exit_key(), 61);
  EXPECT_EQ(p.rec().repaint_screen(), 'Y');
}

TEST_F(DialogueTest, SamePanelWithoutRepaintRewritesOnlyFlaggedFields) {
  Panel p({Field{3, 17, 5, 0x1F, ' ', 0, 0, 0, 0, "one"},
           Field{4, 17, 5, 0x1F, ' ', 0, 0, 0, 0, "two"}});
  auto s = work_s({text_item(1, 1, 0x1E, "Title")});
  display("key F3\nkey F3\n");
  ASSERT_EQ(call(p, s), 0);
  // The application changes both fields and the static text, flags only
  // field 2 and calls again with "N".
  std::memcpy(p.data(1), "ONE  ", 5);
  std::memcpy(p.data(2), "TWO  ", 5);
  s[19 + 4] = 'X';
  p.rec().set_repaint_screen('N');
  p.rec().set_field_paint(2, 'R');
  ASSERT_EQ(call(p, s), 0);
  EXPECT_EQ(row_text(1, 1, 5), "Title");
  EXPECT_EQ(row_text(4, 17, 3), "TWO");
  EXPECT_EQ(p.rec().field_paint(2), 0);
  // Field 1 is the cursor field and is loaded again; field 2 was flagged.
  EXPECT_EQ(row_text(3, 17, 3), "ONE");
  // A menu line changed between calls shows at the start of the dialogue.
  set_menu(p, "F9=Other", 0x30);
  p.rec().set_repaint_screen('N');
  display("key F3\n");
  ASSERT_EQ(call(p, s), 0);
  EXPECT_EQ(row_text(25, 1, 8), "F9=Other");
  // A click on the menu row names its key also when the call starts with a
  // message, or only polls ("R", which finds the click already queued).
  p.rec().set_repaint_screen('N');
  p.rec().set_display_option(2);
  display("click 25 4\n");
  ASSERT_EQ(call(p, s), 0);
  EXPECT_EQ(p.rec().exit_key(), 67);  // F9
  p.rec().set_repaint_screen('R');
  ASSERT_TRUE(headless_->run_line("click 25 4"));
  ASSERT_EQ(call(p, s), 0);
  EXPECT_EQ(p.rec().exit_key(), 67);
}

TEST_F(DialogueTest, ErrorFlagWinsOverCursorFlagAndIsClearedOnReturn) {
  Panel p({Field{3, 17, 5}, Field{4, 17, 5}, Field{5, 17, 5}});
  kv::put_u16(p.record.data() + 13, 0x4F);  // error colour
  p.rec().set_field_paint(2, 'C');
  p.rec().set_field_paint(3, 'E');
  auto s = work_s({});
  display("key Enter\n");
  ASSERT_EQ(call(p, s), 0);
  EXPECT_EQ(p.rec().cursor_field(), 3);
  EXPECT_EQ(attr_at(5, 17), 0x4F);
  EXPECT_EQ(p.rec().field_paint(3), 0);
  EXPECT_EQ(p.rec().exit_key(), 13);
}

TEST_F(DialogueTest, WindowPanelIsMovedInsideTheScreenAndLeavesTheRestAlone) {
  Panel base({Field{3, 17, 5}});
  auto s1 = work_s({text_item(2, 1, 0x1E, "Behind")});
  display("key F3\nkey F3\n");
  ASSERT_EQ(call(base, s1), 0);
  Panel win({Field{2, 2, 5}});
  std::memcpy(win.record.data(), "WINDOW  ", 8);
  win.record[10] = '8';
  win.rec().set_offset_row(30);
  win.rec().set_offset_col(70);
  auto s2 = work_s({text_item(1, 1, 0x70, "+----+")}, 1, 18, 20);
  ASSERT_EQ(call(win, s2), 0);
  EXPECT_EQ(win.rec().offset_row(), 6);   // 24 usable rows - 18
  EXPECT_EQ(win.rec().offset_col(), 60);  // 80 - 20
  EXPECT_EQ(row_text(7, 61, 6), "+----+");
  EXPECT_EQ(row_text(2, 1, 6), "Behind");
}

// ---------------------------------------------------------------- the loop

TEST_F(DialogueTest, TypingTabAndEnterStoreDataAndReportTheCursor) {
  Panel p({Field{3, 17, 5, 0x1F, 'A'}, Field{4, 17, 3, 0x1F, ' '}, Field{5, 17, 4, 0x1F, ' '}});
  auto s = work_s({});
  display("type ab1\nkey Tab\ntype xyz\ntype q\nkey Enter\n");
  ASSERT_EQ(call(p, s), 0);
  EXPECT_EQ(p.data_text(1, 5), "AB1  ");  // type "A" upper-cases
  EXPECT_EQ(p.data_text(2, 3), "xyz");
  EXPECT_EQ(p.data_text(3, 4), "q   ");  // autoskip moved into field 3
  EXPECT_EQ(p.rec().exit_key(), 13);
  EXPECT_EQ(p.rec().cursor_field(), 3);
  EXPECT_EQ(p.rec().cursor_offset(), 1);
  EXPECT_EQ(p.rec().scan_code(), 28);
  EXPECT_EQ(kv::get_s16(p.record.data() + 236), 5);
  EXPECT_EQ(kv::get_s16(p.record.data() + 238), 18);
}

TEST_F(DialogueTest, KeyTable) {
  struct Case {
    const char* name;
    const char* script;
    Field field;
    std::string data;  // expected data of field 1
    int exit_key;
    int cursor_offset;
  };
  Field plain{3, 17, 6, 0x1F, ' ', 0, 0, 0, 0, "abcdef"};
  Field ret_ud = plain;
  ret_ud.opt3 = 0x20;
  Field ret_lr = plain;
  ret_lr.opt2 = 0x02;
  Field clear1 = plain;
  clear1.opt2 = 0x20;
  const Case cases[] = {
      {"esc restores", "type XY\nkey Esc\nkey F2\n", plain, "abcdef", 60, 2},
      {"delete", "key Right\nkey Delete\nkey F2\n", plain, "acdef ", 60, 1},
      {"backspace", "key Right\nkey Right\nkey Backspace\nkey F2\n", plain, "acdef ", 60, 1},
      {"backspace at first position", "key Backspace\nkey F2\n", plain, "abcdef", 60, 0},
      {"ctrl end", "key Right\nkey Right\nkey ctrl+End\nkey F2\n", plain, "ab    ", 60, 2},
      {"insert", "key Insert\ntype Z\nkey F2\n", plain, "Zabcde", 60, 1},
      {"up returns with Return up/down", "key Up\n", ret_ud, "abcdef", 72, 0},
      {"left at first column stays", "key Left\nkey F2\n", plain, "abcdef", 60, 0},
      {"right returns with Return left/right", "key Right\n", ret_lr, "abcdef", 77, 0},
      {"clear 1st", "type Q\nkey F2\n", clear1, "Q     ", 60, 1},
      {"shift tab in the middle goes to the start", "key Right\nkey Right\nkey shift+Tab\nkey F2\n",
       plain, "abcdef", 60, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Panel p({c.field, Field{4, 17, 3}});
    auto s = work_s({});
    kv::engine::reset_call_memory();
    display(c.script);
    ASSERT_EQ(call(p, s), 0);
    EXPECT_EQ(p.data_text(1, 6), c.data);
    EXPECT_EQ(p.rec().exit_key(), c.exit_key);
    EXPECT_EQ(p.rec().cursor_offset(), c.cursor_offset);
    EXPECT_EQ(kv::engine::options().monochrome, false);
  }
}

TEST_F(DialogueTest, SubstituteEnterAndSelectorTypeR) {
  Panel p({Field{3, 17, 1, 0x1F, 'R'}, Field{4, 17, 3}});
  auto s = work_s({});
  display("type x\n");
  ASSERT_EQ(call(p, s), 0);
  EXPECT_EQ(p.rec().exit_key(), 2048 + 'x');
  EXPECT_EQ(p.data_text(1, 1), " ");  // not stored

  // Without input fields Esc and Backspace end the call with their own code.
  for (auto [script, code] : {std::pair{"key Esc\n", 27}, std::pair{"key Backspace\n", 8}}) {
    Panel out({Field{3, 17, 3, 0x1F, 'X'}});
    display(script);
    ASSERT_EQ(call(out, s), 0) << script;
    EXPECT_EQ(out.rec().exit_key(), code);
    EXPECT_EQ(out.rec().cursor_field(), 0);
  }

  Panel q({Field{3, 17, 3}});
  kv::put_s16(q.record.data() + 225, 68);  // Enter reported as F10
  display("key Enter\n");
  ASSERT_EQ(call(q, s), 0);
  EXPECT_EQ(q.rec().exit_key(), 68);
}

TEST_F(DialogueTest, RefusedCharacterShowsItsMessageAndIsNotStored) {
  Panel p({Field{3, 17, 3, 0x1F, '1'}, Field{4, 17, 3, 0x1F, 'X'}});
  auto s = work_s({});
  display("type a\nkey F2\n");
  ASSERT_EQ(call(p, s), 0);
  ASSERT_EQ(g_boxes.size(), 1u);
  EXPECT_EQ(g_boxes[0], "1 Only numeric data is allowed in this field (0-9).");
  // Leaving with F2 converts the empty integer field back: zeros.
  EXPECT_EQ(p.data_text(1, 3), "000");
}

TEST_F(DialogueTest, ValidationOnLeavingAndBeforeReturn) {
  // Field 1: a value list A-C,X.  Field 3: Must Valid with a list, never
  // entered: it is checked before the call returns.
  Field listed{3, 17, 1, 0x1F, ' ', 0, 0, 0x80, 0};
  Field must{5, 17, 2, 0x1F, ' ', 0, 0, 0x81, 0, "zz"};
  Panel p({listed, Field{4, 17, 3}, must}, {{listed, "A-C,X"}, {must, "OK"}});
  kv::put_u16(p.record.data() + 11, 0x70);  // active colour
  auto s = work_s({});
  display("type D\ntype B\nkey Enter\ntype OK\nkey Enter\n");
  ASSERT_EQ(call(p, s), 0);
  // Field 2 held the cursor when Enter found field 3 wanting: it is shown
  // in its own colour again.
  EXPECT_EQ(attr_at(4, 17), 0x1F);
  ASSERT_EQ(g_boxes.size(), 2u);
  EXPECT_EQ(g_boxes[0].substr(0, 17), "1 Must be:  A-C,X");
  EXPECT_EQ(g_boxes[1].substr(0, 14), "1 Must be:  OK");
  EXPECT_EQ(p.data_text(1, 1), "B");
  EXPECT_EQ(p.data_text(3, 2), "OK");
  EXPECT_EQ(p.rec().exit_key(), 13);
  EXPECT_EQ(p.rec().field_paint(3), 'V');
}

TEST_F(DialogueTest, RequiredFieldChangedByAnEditingKeyIsCheckedBeforeReturn) {
  // The second call does not paint the field ("N"), so only the change
  // flags it for the check before the call returns.
  const char* scripts[] = {"key Delete\n", "key Right\nkey Backspace\n", "key ctrl+End\n"};
  for (const char* keys : scripts) {
    SCOPED_TRACE(keys);
    Field required{3, 17, 3, 0x1F, ' ', 0, 0, 0, 0x80, "a"};
    Panel p({required, Field{4, 17, 3}});
    auto s = work_s({});
    kv::engine::reset_call_memory();
    display(std::string("key F2\n") + keys + "key Enter\ntype x\nkey Enter\n");
    ASSERT_EQ(call(p, s), 0);
    p.rec().set_repaint_screen('N');
    g_boxes.clear();
    ASSERT_EQ(call(p, s), 0);
    ASSERT_EQ(g_boxes.size(), 1u);
    EXPECT_EQ(g_boxes[0], "1 Data is required in this field.");
    EXPECT_EQ(p.data_text(1, 3), "x  ");
    EXPECT_EQ(p.rec().exit_key(), 13);
  }
}

TEST_F(DialogueTest, HotFieldEndsTheCallInTheNextField) {
  Field hot{3, 17, 2, 0x1F, ' ', 0, 0x01};
  Field hot_modify{4, 17, 2, 0x1F, ' ', 0, 0, 0x40};
  Panel p({hot, hot_modify, Field{5, 17, 2}});
  auto s = work_s({});
  display("type ab\nkey Tab\nkey shift+Tab\ntype c\nkey Tab\n");
  ASSERT_EQ(call(p, s), 0);
  EXPECT_EQ(p.rec().exit_key(), 1001);
  EXPECT_EQ(p.rec().field_paint(1), 'H');
  // Hot Modify: leaving unchanged moves on; a change ends the call.
  p.rec().set_field_paint(1, 0);
  ASSERT_EQ(call(p, s), 0);
  EXPECT_EQ(p.rec().exit_key(), 1002);
}

TEST_F(DialogueTest, RepaintValuesThatReturnAtOnce) {
  Panel p({Field{3, 17, 3}});
  auto s = work_s({});
  display("");  // no input at all: "X" must not wait
  p.rec().set_repaint_screen('X');
  ASSERT_EQ(call(p, s), 0);
  EXPECT_EQ(p.rec().exit_key(), 13);
  EXPECT_EQ(p.rec().repaint_screen(), 'Y');
  p.rec().set_repaint_screen('R');
  ASSERT_EQ(call(p, s), 0);
  EXPECT_EQ(p.rec().exit_key(), 13);
}

TEST_F(DialogueTest, PollingCallHandsThePumpTheActiveField) {
  // The button pressed in one call is released in the next, a polling
  // call: inside the active field it is no missed click (which would give
  // F10 here), and nothing else is pending.
  Panel p({Field{3, 17, 5}});
  auto s = work_s({});
  display("press 3 18\nkey F2\n");
  kv::term::common().missed_field_func = 68;
  ASSERT_EQ(call(p, s), 0);
  EXPECT_EQ(p.rec().exit_key(), 60);
  ASSERT_TRUE(headless_->run_line("release 3 18"));
  p.rec().set_repaint_screen('R');
  ASSERT_EQ(call(p, s), 0);
  EXPECT_EQ(p.rec().exit_key(), 13);
}

TEST_F(DialogueTest, MouseClickMovesIntoAFieldAndValidatesTheOneLeft) {
  Field listed{3, 17, 1, 0x1F, ' ', 0, 0, 0x80, 0, "Q"};
  Panel p({listed, Field{4, 17, 5}, Field{5, 17, 5}}, {{listed, "A-C"}});
  auto s = work_s({});
  display("click 5 19\ntype A\nclick 5 19\ntype z\nkey F2\n");
  ASSERT_EQ(call(p, s), 0);
  // The first click fails on field 1 ("Q" is not in A-C); after "A" the
  // click lands in field 3 at its first position.
  ASSERT_EQ(g_boxes.size(), 1u);
  EXPECT_EQ(p.data_text(1, 1), "A");
  EXPECT_EQ(p.data_text(3, 5), "z    ");
  EXPECT_EQ(p.rec().cursor_field(), 3);
}

TEST_F(DialogueTest, ScreenSizesPlaceTheMenuRowAndWrapAtTheirWidth) {
  // A run is split only when it passes column 80 of the cell planes: on
  // the 40-column screen the rest stays on its row, beyond the screen.
  struct Case {
    int code, rows, columns;
    const char* next_row;
  };
  for (const Case& c :
       {Case{2, 25, 40, "     "}, Case{3, 43, 80, "DEFGH"}, Case{4, 50, 80, "DEFGH"}}) {
    SCOPED_TRACE(c.code);
    Panel p({Field{3, 2, 3}});
    set_menu(p, "F3=Exit", 0x30);
    // Eight characters from three columns before the right edge.
    auto s = work_s({text_item(5, c.columns - 2, 0x1E, "ABCDEFGH")}, c.code);
    kv::engine::reset_call_memory();
    display("key F3\n");
    ASSERT_EQ(call(p, s), 0);
    EXPECT_EQ(row_text(c.rows, 1, 7), "F3=Exit");
    EXPECT_EQ(row_text(5, c.columns - 2, 3), "ABC");
    EXPECT_EQ(row_text(6, 1, 5), c.next_row);
  }
}

TEST_F(DialogueTest, CursorResumesWhereTheLastCallLeftIt) {
  Panel p({Field{3, 17, 6, 0x1F, ' ', 0, 0, 0, 0, "abcdef"}, Field{4, 17, 3}});
  auto s = work_s({});
  display("key Right\nkey Right\nkey F2\ntype Z\nkey F2\n");
  ASSERT_EQ(call(p, s), 0);
  EXPECT_EQ(p.rec().cursor_offset(), 2);
  ASSERT_EQ(call(p, s), 0);  // nothing touched: the cursor is where it was
  EXPECT_EQ(p.data_text(1, 6), "abZdef");
}

TEST_F(DialogueTest, SelectorFields) {
  // "S" fields: Left and Right move between fields, no typing.  "P":
  // no typing either; the cursor field and offset tell the choice.
  Panel p({Field{3, 17, 8, 0x1F, 'S', 0, 0, 0, 0, "First"},
           Field{4, 17, 8, 0x1F, 'S', 0, 0, 0, 0, "Second"},
           Field{5, 17, 8, 0x1F, 'P', 0, 0, 0, 0, "Bytes"}});
  auto s = work_s({});
  display("key Right\ntype x\nkey Right\nkey Left\nkey Right\ntype y\nkey Right\nkey Enter\n");
  ASSERT_EQ(call(p, s), 0);
  EXPECT_EQ(p.rec().cursor_field(), 3);
  EXPECT_EQ(p.rec().cursor_offset(), 2);  // "P": the arrows move inside the field
  EXPECT_EQ(p.rec().exit_key(), 13);
  ASSERT_EQ(g_boxes.size(), 2u);
  EXPECT_EQ(g_boxes[0], "1 You may not enter data here - only function keys.");
  EXPECT_EQ(p.data_text(2, 8), "Second  ");
}

int g_arrow_calls = 0;
int arrow_exit(std::uint8_t* block, std::uint8_t*, std::uint8_t*) {
  ++g_arrow_calls;
  (void)block;
  return 0;
}

TEST_F(DialogueTest, ClickWithMouseArrowKeysRunsTheArrowSimulation) {
  kv::engine::register_exit("ARROWT", &arrow_exit);
  g_arrow_calls = 0;
  Panel p({Field{3, 17, 10, 0x1F, ' ', 0, 0, 0, 0, "0123456789"}});
  std::memcpy(p.record.data() + 188, "ARROWT  ", 8);
  auto s = work_s({});
  display("click 3 21\nkey F2\n");
  kv::term::common().mouse_arrow_keys = 'Y';
  ASSERT_EQ(call(p, s), 0);
  // Four simulated Right arrows, each through the arrow exit.
  EXPECT_EQ(g_arrow_calls, 4);
  EXPECT_EQ(p.rec().cursor_offset(), 4);
  kv::engine::register_exit("ARROWT", nullptr);
}

TEST_F(DialogueTest, MenuRowFollowsTheModifiersWithFloppyLines) {
  Panel p({Field{3, 17, 3}});
  set_menu(p, "Panel line", 0x30);
  // Floppy lines 1 (Alt) and 3 (Shift) on, 2 (Ctrl) off.
  std::vector<std::uint8_t> floppy(328, ' ');
  std::memcpy(floppy.data(), "MENU", 4);
  floppy[4] = 'Y';
  floppy[5] = 'N';
  floppy[6] = 'Y';
  floppy[7] = 'N';
  std::memcpy(floppy.data() + 8, "Alt line", 8);
  std::memcpy(floppy.data() + 88, "Ctrl line", 9);
  std::memcpy(floppy.data() + 168, "Shift line", 10);
  kv::engine::options().floppy_menus = {floppy.data(), true};
  auto s = work_s({});
  display("");
  kv::term::ensure_window();
  kv::engine::Dialogue d(p.record.data(), pass_, s.data(), p.work_d.data());
  d.reserved = 1;
  d.menu_colour = 0x30;
  d.prepare_menu_lines();
  struct Case {
    bool alt, ctrl, shift;
    const char* shown;
  };
  const Case cases[] = {{false, false, false, "Panel line"},
                        {true, false, false, "Alt line  "},
                        {false, true, false, "Panel line"},
                        {true, false, true, "Shift line"},
                        {false, true, true, "Shift line"}};
  for (const Case& c : cases) {
    d.shift = {c.alt, c.ctrl, c.shift};
    d.show_menu_line(false);
    EXPECT_EQ(row_text(25, 1, 10), c.shown) << c.alt << c.ctrl << c.shift;
  }
  // The event check reads the block again: with its flags turned off
  // while Alt is held, the panel's own line comes back at once.
  kv::term::EventArea alt;
  alt.key.shift_state = 0x08;
  d.event_state(alt, true);
  EXPECT_EQ(row_text(25, 1, 10), "Alt line  ");
  std::memset(floppy.data() + 4, 0, 4);
  d.event_state(alt, true);
  EXPECT_EQ(row_text(25, 1, 10), "Panel line");
  // Without reserved rows the line is not shown, but it is kept for the
  // key menus and the mouse.
  d.reserved = 0;
  d.shift = {};
  write_cells_blank();
  d.show_menu_line(true);
  EXPECT_EQ(row_text(25, 1, 10), std::string(10, ' '));
  EXPECT_EQ(d.shown_line.substr(0, 10), "Panel line");
  kv::engine::options().floppy_menus = {};
}

// ---------------------------------------------------------------- options

TEST_F(DialogueTest, MonochromeAndAlternateColoursReachEveryAttribute) {
  Panel p({Field{3, 17, 5, 0x1F}, Field{4, 17, 5, 0x1E}});
  kv::put_u16(p.record.data() + 11, 0x70);
  auto s = work_s({text_item(1, 1, 0x1E, "Title")});
  kv::engine::options().monochrome = true;
  display("key F2\n");
  ASSERT_EQ(call(p, s), 0);
  EXPECT_EQ(attr_at(1, 1), 0x0F);  // yellow on blue: white on black
  EXPECT_EQ(attr_at(2, 1), 0x00);  // base "1" below "7": cleared black
  EXPECT_EQ(attr_at(4, 17), 0x0F);
  EXPECT_EQ(attr_at(3, 17), 0x70);  // the active colour stays reverse

  // An alternate table that turns 0x1E into 0x2A and 0x1F into 0x4B.
  kv::engine::options().monochrome = false;
  std::vector<std::uint8_t> table(4 + 512, 0);
  for (int c = 0; c < 256; ++c)
    kv::put_u16(table.data() + 4 + 2 * c, static_cast<std::uint16_t>(c));
  kv::put_u16(table.data() + 4 + 2 * 0x1E, 0x2A);
  kv::put_u16(table.data() + 4 + 2 * 0x1F, 0x4B);
  std::memcpy(table.data(), "COLO", 4);
  kv::engine::options().alternate_colors = {table.data(), true};
  // "S" paints the static data again and the fields flagged "R".
  p.rec().set_repaint_screen('S');
  p.rec().set_field_paint(2, 'R');
  display("key F2\n");
  ASSERT_EQ(call(p, s), 0);
  EXPECT_EQ(attr_at(1, 1), 0x2A);
  EXPECT_EQ(attr_at(4, 17), 0x2A);
  kv::engine::options().alternate_colors = {};
}

TEST_F(DialogueTest, StatusIndicatorsOnTheBottomRow) {
  struct Case {
    char kind;
    int col;
    std::string text;
  };
  const Case cases[] = {{'1', 74, " r03c19"},
                        {'2', 74, " Row 03"},
                        {'3', 74, " Col 19"},
                        {'4', 74, " 001-03"},
                        {'7', 72, " 08:00:00"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(1, c.kind));
    Panel p({Field{3, 17, 5}});
    p.record[224] = static_cast<std::uint8_t>(c.kind);
    auto s = work_s({});
    kv::engine::reset_call_memory();
    display("key Right\nkey Right\nkey Right\nkey Left\nexpect 1 1  \nkey F2\n");
    ASSERT_EQ(call(p, s), 0);
    EXPECT_EQ(row_text(25, c.col, static_cast<int>(c.text.size())), c.text);
  }
}

TEST_F(DialogueTest, EbcdicPanelIsWorkedOnInAsciiAndReturnedInEbcdic) {
  Panel p({Field{3, 17, 4, 0x1F, 'A'}});
  // Name, repaint flag and data in EBCDIC, as an EBCDIC program holds them.
  const std::uint8_t name[8] = {0xE3, 0xC5, 0xE2, 0xE3, 0x40, 0x40, 0x40, 0x40};  // "TEST    "
  std::memcpy(p.record.data(), name, 8);
  p.record[186] = 0xE8;  // "Y"
  p.record[212] = 0xC3;
  const std::uint8_t abc[4] = {0xC1, 0xC2, 0xC3, 0x40};  // "ABC "
  std::memcpy(p.data(1), abc, 4);
  auto s = work_s({});
  display("expect 3 17 ABC\nkey Right\nkey Right\nkey Right\ntype x\nkey Enter\n");
  ASSERT_EQ(call(p, s), 0);
  const std::uint8_t want[4] = {0xC1, 0xC2, 0xC3, 0xE7};  // "ABCX"
  EXPECT_EQ(0, std::memcmp(p.data(1), want, 4));
  EXPECT_EQ(0, std::memcmp(p.record.data(), name, 8));
  EXPECT_EQ(p.record[186], 0xE8);
  EXPECT_EQ(p.rec().exit_key(), 13);
}

TEST_F(DialogueTest, KeyRedefinitionAndBailoutKeys) {
  // Esc redefined as F3; F3 in the bailout table.
  std::vector<std::uint8_t> keyd(6 + 8, 0);
  std::memcpy(keyd.data(), "KEYD", 4);
  kv::put_u16(keyd.data() + 4, 1);
  kv::put_u16(keyd.data() + 6, 27);
  kv::put_u16(keyd.data() + 12, 61);
  std::vector<std::uint8_t> bail(6 + 4, 0);
  std::memcpy(bail.data(), "BAIL", 4);
  kv::put_u16(bail.data() + 4, 1);
  kv::put_u16(bail.data() + 8, 61);
  kv::engine::options().key_redefinition = {keyd.data(), true};
  kv::engine::options().bailout = {bail.data(), true};
  // Field 2 is Must Valid with the list "OK" and holds "no".
  Field must{4, 17, 2, 0x1F, ' ', 0, 0, 0x81, 0, "no"};
  Panel p({Field{3, 17, 3}, must}, {{must, "OK"}});
  auto s = work_s({});
  display("key Esc\nkey Enter\ntype OK\nkey Enter\n");
  ASSERT_EQ(call(p, s), 0);
  EXPECT_EQ(p.rec().exit_key(), 61);  // Esc as F3, past the unchecked field
  EXPECT_TRUE(g_boxes.empty());
  ASSERT_EQ(call(p, s), 0);  // Enter checks it: refused, then "OK"
  EXPECT_EQ(p.rec().exit_key(), 13);
  ASSERT_EQ(g_boxes.size(), 1u);
  EXPECT_EQ(p.data_text(2, 2), "OK");
  kv::engine::options().key_redefinition = {};
  kv::engine::options().bailout = {};
}

// ---------------------------------------------------------------- aborts

using DialogueDeathTest = DialogueTest;

TEST_F(DialogueDeathTest, MalformedAreasAbortWithTheirReason) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  struct Case {
    const char* name;
    int reason;
    const char* text;
  };
  auto run = [&](auto mutate) {
    Panel p({Field{3, 17, 3}});
    auto s = work_s({text_item(2, 2, 0x1E, "x")});
    mutate(p, s);
    display("key F2\n");
    call(p, s);
  };
  EXPECT_EXIT(run([](Panel& p, std::vector<std::uint8_t>&) { p.record[10] = '9'; }),
              ::testing::ExitedWithCode(16), "Reason = 0001");
  EXPECT_EXIT(run([](Panel&, std::vector<std::uint8_t>& s) { s[19 + 1] = 26; }),
              ::testing::ExitedWithCode(16), "Reason = 0006");
  EXPECT_EXIT(run([](Panel& p, std::vector<std::uint8_t>&) { p.work_d[16 + 1] = 81; }),
              ::testing::ExitedWithCode(16), "Reason = 0003");
}

}  // namespace
