// The copybook text: its fixed layout, the forms of the field data lines,
// and the proof that matters: cobc compiles it, and the storage it defines
// holds exactly the bytes of the generated areas.
#include "editor/generator/copybook.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "editor/generator/support/cobol_support.h"
#include "editor/generator/support/panel_fixture.h"

using namespace kv::editor;
using namespace kv::editor::gen;
using namespace kv::editor::testing;

namespace {

PanelBuild build(const PanelFixture& p, CopybookChoices c = {}) {
  static masklib::MaskLibrary masks;
  return build_panel(p.records(), builtin_default_mask(), masks, c, {});
}

// A panel with one field of every VALUE form.
PanelFixture orders_panel() {
  PanelFixture p("ORDERS");
  auto h = p.header();
  h.set_title("Order entry");
  h.set_menu_left("F1=Help  F3=Exit");
  h.set_menu_right("Enter=Save");
  p.text(1, 30, "ORDER ENTRY", 0x1F);
  p.text(3, 2, "Customer:");
  p.text(20, 1, std::string(80, '\xC4'));
  auto add = [&](int row, int col, int len, const char* name, const char* pic, const char* value,
                 char type = ' ') {
    FieldSpec f;
    f.row = row;
    f.column = col;
    f.length = len;
    f.name = name;
    f.picture = pic;
    f.value = value;
    f.type = type;
    p.field(f);
  };
  add(3, 12, 10, "CUSTOMER", "X(10)", "");
  add(4, 12, 5, "QTY", "9(5)", "42");
  add(5, 12, 6, "FLAG", "X(6)", "ALL '*'");
  add(6, 12, 8, "ORD-STATUS", "X(8)", "'NEW'");
  add(7, 12, 45, "ORD-NOTE", "X(45)", "'abc'");
  add(8, 2, 60, "ORD-REMARK", "X(60)",
      "'0123456789012345678901234567890123456789ABCDEFGHIJKLMNOPQRST'");
  add(9, 12, 3, "FILLER", "XXX", "SPACES");
  add(10, 12, 7, "PRICE", "S9(5)V99", "-12.5");
  return p;
}

std::string line_with(const std::vector<std::string>& lines, const std::string& needle) {
  for (const auto& l : lines)
    if (l.find(needle) != std::string::npos) return l;
  return {};
}

}  // namespace

TEST(CopybookTextTest, FixedLayoutColumnsAndTags) {
  PanelFixture p = orders_panel();
  PanelBuild b = build(p);
  auto lines = copybook_lines(b);
  for (const auto& l : lines) EXPECT_LE(l.size(), 72u) << l;
  EXPECT_EQ(lines[0], "       01  ORDERS-PASS-TO-EXIT          PIC X.");
  EXPECT_EQ(lines[1], "      *                         ----|The above dummy \"01\" area is used  ");
  EXPECT_EQ(line_with(lines, "$NOLIST"), "      *$NOLIST");
  EXPECT_EQ(line_with(lines, "-KORVEXAN-"),
            "*PANEL*" + std::string(30, '%') + "-KORVEXAN-" + std::string(25, '%'));
  std::string l2 = line_with(lines, "Panel Name:");
  EXPECT_EQ(l2.find("ORDERS"), 22u);
  EXPECT_EQ(l2.find("V:2.4B"), 32u);
  EXPECT_EQ(l2.find("Generated...:"), 44u);
  EXPECT_EQ(l2.substr(58), "02/25/99");
  EXPECT_EQ(line_with(lines, "Panel Title:"), "      *  Panel Title: Order entry");
  EXPECT_EQ(line_with(lines, "-NAME  "),
            "             10 ORDERS-NAME           PIC X(8)      VALUE 'ORDERS'.");
  EXPECT_EQ(line_with(lines, "-ACTIVE-COLOR"),
            "             10 ORDERS-ACTIVE-COLOR   PIC 9(4) COMP-5 VALUE 112.");
  // Menu halves: the quote at column 30, the period at column 72.
  auto it = std::find(lines.begin(), lines.end(),
                      "              15 ORDERS-MENU-LINE-A   PIC X(40)        VALUE");
  ASSERT_NE(it, lines.end());
  EXPECT_EQ(*(it + 1), std::string(29, ' ') + "'F1=Help  F3=Exit                        '.");
  EXPECT_EQ((it + 1)->size(), 72u);
  // Not a window panel: fillers in place of the offsets.
  EXPECT_EQ(
      std::count(lines.begin(), lines.end(), "             10 FILLER    PIC XX VALUE LOW-VALUES."),
      2);
  EXPECT_EQ(line_with(lines, "-ATTRIBUTE-BLOCK PIC"),
            "            05 ORDERS-ATTRIBUTE-BLOCK PIC X(0032) VALUE LOW-VALUE.");
  EXPECT_EQ(line_with(lines, "CUSTOMER-P"),
            "             10 CUSTOMER-P                      PIC X.");
  EXPECT_EQ(line_with(lines, "OCCURS"), "             10 ORDERS-ATTRIBUTE-TABLE OCCURS 008");
  EXPECT_EQ(line_with(lines, "INDEXED"), "                    INDEXED ORDERS-IDX.");
  // Tags: fields counted from 1, FILLER counted but not tagged.
  EXPECT_EQ(line_with(lines, " CUSTOMER  ").substr(0, 6), "Fld001");
  EXPECT_EQ(line_with(lines, " PRICE ").substr(0, 6), "Fld008");
  EXPECT_EQ(line_with(lines, "PIC XXX VALUE SPACES.").substr(0, 6), "      ");
  // Hex chunks of 14 bytes.
  std::string chunk = line_with(lines, "PIC X(14) VALUE X'");
  EXPECT_EQ(chunk.size(), 70u);
  EXPECT_EQ(line_with(lines, "HIGH-VALUE."), "           05  FILLER PIC X VALUE HIGH-VALUE.");
  EXPECT_EQ(line_with(lines, "PIC X(4) VALUE X'"),
            "           05  FILLER PIC X(4) VALUE X'00FFFFFF'.");
}

TEST(CopybookTextTest, FieldDataLineForms) {
  struct Case {
    const char* value;
    int length;
    const char* picture;
    std::vector<std::string> want;
  } cases[] = {
      {"", 5, "X(5)", {"             10 A                              PIC X(5)."}},
      {"ZERO", 5, "9(5)", {"             10 A                              PIC 9(5) VALUE ZERO."}},
      {"ALL '-",
       5,
       "X(5)",
       {"             10 A                              PIC X(5) VALUE ALL '-'."}},
      {"'AB'",
       5,
       "X(5)",
       {"             10 A                              PIC X(5)",
        "                    VALUE 'AB   '."}},
      {"'ABC",
       40,
       "X(40)",
       {"             10 A                              PIC X(40)",
        "                      VALUE 'ABC                                     '."}},
      {"'0123456789012345678901234567890123456789XYZ'",
       43,
       "X(43)",
       {"             10 A.",
        "                   15 FILLER                         PIC X(40) VALUE",
        "                            '0123456789012345678901234567890123456789'.",
        "                   15 FILLER                         PIC X(03) VALUE",
        "                            'XYZ'."}},
  };
  for (const Case& c : cases) {
    FieldLayout f;
    f.name = "A";
    f.picture = c.picture;
    f.storage_length = c.length;
    f.value = c.value;
    f.value.resize(82, ' ');
    EXPECT_EQ(field_data_lines(f, '\''), c.want) << c.value;
  }
  // A numeric VALUE too long for one line moves to the next.
  FieldLayout f;
  f.name = std::string(30, 'N');
  f.picture = "S9(15)V9(3)";
  f.storage_length = 18;
  f.value = "-123456789012345.678";
  auto lines = field_data_lines(f, '\'');
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1], "                    VALUE -123456789012345.678.");
}

TEST(CopybookTextTest, ChoicesPrefixCommentsAndNoFields) {
  PanelFixture p = orders_panel();
  auto plain = copybook_lines(build(p, {'N', 'N', 'N'}));
  EXPECT_NE(line_with(plain, "10 PANEL-NAME "), "");
  EXPECT_NE(line_with(plain, "01  ORDERS-PANEL."), "");
  EXPECT_EQ(line_with(plain, "NAMED-ATTRIBUTES"), "");
  EXPECT_EQ(line_with(plain, "----|"), "");
  EXPECT_NE(line_with(plain, "INDEXED ORDERS-IDX."), "");

  // The panel's own flags: no-wait-message and no prefix, no comments.
  p.header().set_copybook_flags(0x60);
  auto own = copybook_lines(build(p));
  EXPECT_NE(line_with(own, "PANEL-SHOW-WAIT-MSG  PIC X           VALUE 'N'."), "");
  EXPECT_EQ(line_with(own, "----|"), "");

  PanelFixture empty("EMPTY");
  auto none = copybook_lines(build(empty));
  EXPECT_EQ(line_with(none, "ATTRIBUTE-BLOCK"), "");
  EXPECT_EQ(line_with(none, "USER-FIELDS"), "");
  EXPECT_EQ(line_with(none, "VARIABLE-PORTION"), "");
  EXPECT_EQ(none.back(), "             10 FILLER PIC X(69) VALUE LOW-VALUES.");
}

TEST(CopybookTextTest, InitiallyProtectedForcesNamedAttributesIntoTheBlock) {
  PanelFixture p("PROT");
  p.header().set_copybook_flags(0x00);
  for (int r = 2; r <= 4; ++r) {
    FieldSpec f;
    f.row = r;
    f.column = 2;
    f.length = 2;
    f.picture = "XX";
    f.name = r == 3 ? "FILLER" : "F" + std::to_string(r);
    if (r >= 3) f.option3 = 0x01;
    p.field(f);
  }
  std::vector<std::string> msgs;
  static masklib::MaskLibrary masks;
  PanelBuild b = build_panel(p.records(), builtin_default_mask(), masks, {'N', 'D', 'D'},
                             [&](const Message& m) { msgs.push_back(m.text); });
  EXPECT_NE(std::find(msgs.begin(), msgs.end(),
                      "FORCING Named Attributes ON for INITIAL-PROTECT field(s)!"),
            msgs.end());
  auto lines = copybook_lines(b);
  EXPECT_NE(line_with(lines, "F4-O                            PIC X VALUE 'P'."), "");
  EXPECT_NE(line_with(lines, "10 FILLER PIC XXXX VALUE X'00000050'."), "");
  // Field 1 unprotected, fields 2 and 3 protected: the attribute block
  // itself holds the "P" bytes.
  EXPECT_EQ(std::string(b.panel_record.begin() + 316, b.panel_record.begin() + 328),
            std::string("\0\0\0\0\0\0\0P\0\0\0P", 12));
}

// Every copybook compiles, and COBOL's storage equals the generated areas.
TEST(CopybookCobolTest, CompiledCopybooksHoldTheGeneratedAreas) {
  std::vector<std::pair<PanelFixture, CopybookChoices>> panels;
  panels.emplace_back(orders_panel(), CopybookChoices{});
  {
    PanelFixture w("WINPAN");
    w.header().set_window_panel('Y');
    w.header().set_quote('"');
    // Both quote characters: the doubled quotes take the literal past
    // column 72, so it is written in pieces.
    w.header().set_menu_left("Say 'yes' or \"no\" or \"maybe\"");
    w.text(2, 2, "It's a \"window\"", 0x4E);
    FieldSpec f;
    f.row = 3;
    f.column = 5;
    f.length = 8;
    f.type = 'H';
    f.picture = "X(4)";
    f.name = "HEXY";
    f.option3 = 0x01;
    w.field(f);
    FieldSpec g;
    g.row = 4;
    g.column = 5;
    g.length = 6;
    g.type = '2';
    g.picture = "S9(5)";
    g.name = "AMT";
    g.value = "-7";
    w.field(g);
    w.validation(4, 5, "1-100");
    FieldSpec q;
    q.row = 5;
    q.column = 5;
    q.length = 40;
    q.picture = "X(40)";
    q.name = "QUOTED";
    q.value = "\"a \"b\" c 'd' \"e\"";
    w.field(q);
    // A long literal typed in the other quote character.
    FieldSpec o;
    o.row = 6;
    o.column = 5;
    o.length = 60;
    o.picture = "X(60)";
    o.name = "OTHER-QUOTE";
    o.value = "'Type \"Y\" to confirm, or any other key to go back to the list'";
    w.field(o);
    panels.emplace_back(w, CopybookChoices{});
  }
  {
    PanelFixture e("NOFLDS", 43);
    e.text(40, 1, "bottom");
    panels.emplace_back(e, CopybookChoices{'N', 'N', 'N'});
  }
  for (auto& [panel, choices] : panels) {
    PanelBuild b = build(panel, choices);
    std::string dir = scratch_dir("cb-" + b.name);
    write_text(dir + "/" + b.name + ".COB", copybook_text(b));
    CobolResult r = compile_and_run(dir, area_dump_program(b.name + ".COB", b.name));
    ASSERT_TRUE(r.compiled) << b.name << "\n" << r.compile_log;
    // cobc says that it ignores the "P" given under REDEFINES; the block
    // itself carries it.  Nothing else may be reported.
    std::string log = r.compile_log;
    for (auto p = log.find("warning: initial VALUE clause ignored for REDEFINES");
         p != std::string::npos;
         p = log.find("warning: initial VALUE clause ignored for REDEFINES")) {
      auto bol = log.rfind('\n', p);
      auto eol = log.find('\n', p);
      log.erase(bol == std::string::npos ? 0 : bol + 1,
                eol - (bol == std::string::npos ? 0 : bol + 1) + 1);
    }
    EXPECT_EQ(log, "") << b.name;
    ASSERT_EQ(r.status, 0) << b.name;
    std::string want = hex_of(b.panel_record) + " \n" + hex_of(b.work_s_full()) + " \n" +
                       hex_of(b.work_d_full()) + " \n";
    EXPECT_EQ(r.out, want) << b.name;
  }
}
