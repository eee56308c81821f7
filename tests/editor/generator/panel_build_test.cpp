// The four areas built from library records, read back through the
// runtime's own views of WORK-S, WORK-D and the panel record.
#include "editor/generator/panel_build.h"

#include <gtest/gtest.h>

#include "editor/generator/support/panel_fixture.h"
#include "runtime/utilities/panel_areas.h"

using namespace kv::editor;
using namespace kv::editor::gen;
using kv::editor::testing::FieldSpec;
using kv::editor::testing::PanelFixture;

namespace {

struct Item {
  char kind;  // 'T' text, 'R' repeat
  int row, col, attr;
  std::string text;  // text, or the repeated character
  int count;
  bool operator==(const Item&) const = default;
};

std::ostream& operator<<(std::ostream& o, const Item& i) {
  return o << i.kind << " " << i.row << "/" << i.col << " attr " << i.attr << " '" << i.text
           << "' x" << i.count;
}

std::vector<Item> items_of(PanelBuild& b) {
  gen::Bytes ws = b.work_s_full();
  kv::WorkS s(ws.data(), ws.size());
  std::vector<Item> out;
  auto it = s.items(80);
  for (auto i = it.next(); i.kind != kv::StaticItem::End; i = it.next())
    out.push_back({i.kind == kv::StaticItem::Text ? 'T' : 'R', i.row, i.col, i.attr,
                   std::string(i.text), i.count});
  return out;
}

PanelBuild build(const PanelFixture& p, CopybookChoices c = {},
                 std::vector<Message>* msgs = nullptr) {
  static masklib::MaskLibrary masks;
  return build_panel(p.records(), builtin_default_mask(), masks, c, [&](const Message& m) {
    if (msgs) msgs->push_back(m);
  });
}

}  // namespace

TEST(StaticItemsTest, RunsOfOneAttributeBecomeTextAndRepeatItems) {
  struct Case {
    const char* what;
    std::function<void(PanelFixture&)> paint;
    std::vector<Item> want;
  };
  const std::vector<Case> cases = {
      // A space in the static colour is encoded only inside an open item; the
      // run of spaces after a text then repeats (4 repeats suffice there).
      {"static spaces outside items are not encoded; inside an item they are",
       [](PanelFixture& p) { p.text(2, 10, "Order entry"); },
       {{'T', 2, 10, 0x07, "Order entry", 11}, {'R', 2, 21, 0x07, " ", 174}}},
      {"four repeats of the current cell start a repeat item",
       [](PanelFixture& p) { p.text(3, 1, "AB-----"); },
       {{'T', 3, 1, 0x07, "AB", 2}, {'R', 3, 3, 0x07, "-", 5}}},
      {"three repeats stay text",
       [](PanelFixture& p) { p.text(3, 1, "AB----"); },
       {{'T', 3, 1, 0x07, "AB----", 6}, {'R', 3, 7, 0x07, " ", 174}}},
      {"a X'00' cell ends the item and is not encoded",
       [](PanelFixture& p) { p.text(4, 1, std::string("AB\0CD", 5)); },
       {{'T', 4, 1, 0x07, "AB", 2}, {'T', 4, 4, 0x07, "CD", 2}, {'R', 4, 6, 0x07, " ", 174}}},
      {"a change of attribute ends the item",
       [](PanelFixture& p) {
         p.text(5, 1, "AB", 0x1F);
         p.text(5, 3, "CD", 0x4E);
       },
       {{'T', 5, 1, 0x1F, "AB", 2}, {'T', 5, 3, 0x4E, "CD", 2}}},
      {"spaces in another colour: 12 after the first stay text",
       [](PanelFixture& p) { p.text(6, 1, std::string(13, ' '), 0x1F); },
       {{'T', 6, 1, 0x1F, std::string(13, ' '), 13}}},
      {"spaces in another colour: 13 after the first make a repeat",
       [](PanelFixture& p) { p.text(6, 1, std::string(14, ' '), 0x1F); },
       {{'R', 6, 1, 0x1F, " ", 14}}},
      {"a text item holds at most 80 characters and runs on across rows",
       [](PanelFixture& p) {
         std::string s;
         for (int i = 0; i < 85; ++i) s += static_cast<char>('a' + i % 2);
         p.text(3, 5, s);
       },
       {{'T', 3, 5, 0x07, std::string(80, ' '), 80},
        {'T', 4, 5, 0x07, "ababa", 5},
        {'R', 4, 10, 0x07, " ", 174}}},
      {"a repeat item holds at most 174 copies",
       [](PanelFixture& p) { p.text(10, 80, std::string(180, '=')); },
       {{'R', 10, 80, 0x07, "=", 174}, {'R', 13, 14, 0x07, "=", 6}}},
  };
  for (const Case& c : cases) {
    PanelFixture p("STATIC");
    c.paint(p);
    PanelBuild b = build(p);
    auto got = items_of(b);
    std::vector<Item> want = c.want;
    // The 80-character text case: fill in the expected alternating text.
    for (Item& w : want)
      if (w.kind == 'T' && w.count == 80 && w.text == std::string(80, ' ')) {
        w.text.clear();
        for (int i = 0; i < 80; ++i) w.text += static_cast<char>('a' + i % 2);
      }
    EXPECT_EQ(got, want) << c.what;
    EXPECT_EQ(b.work_s.back(), 0xFF) << c.what;
  }
}

TEST(StaticItemsTest, HeaderAndWindowPanel) {
  PanelFixture p("WIN", 25);
  p.header().set_window_panel('Y');
  p.header().set_base_colour("130");  // blinking yellow on blue
  p.fill_colour(0x9E);
  // Marker cells let the screen beneath show through.
  p.text(1, 1, "@@@@@@@@@@");
  p.text(3, 4, "Hello");
  PanelBuild b = build(p);
  const auto& ws = b.work_s;
  EXPECT_EQ(ws[0], 0x9E);
  EXPECT_EQ(ws[1], 'B');
  EXPECT_EQ(ws[6], 20);
  EXPECT_EQ(ws[7], 1);
  EXPECT_EQ(ws[8], 1);
  EXPECT_EQ(std::string(ws.begin() + 9, ws.begin() + 19), std::string(10, ' '));
  // Every row is encoded (spaces included) down to row 24: the bottom row
  // is X'00'.  All cells repeat, so rows 1-24 are repeats of spaces except
  // where text stands.
  gen::Bytes full = b.work_s_full();
  kv::WorkS s(full.data(), full.size());
  EXPECT_EQ(s.window_height(), 24);
  EXPECT_EQ(s.window_width(), 80);
  auto items = items_of(b);
  ASSERT_FALSE(items.empty());
  EXPECT_EQ(items[0], (Item{'R', 1, 11, 0x9E, " ", 70 + 80 + 3}));
  bool hello = false;
  for (auto& i : items) hello |= i.kind == 'T' && i.text.find("Hello") != std::string::npos;
  EXPECT_TRUE(hello);
  EXPECT_EQ(b.panel_record[kv::panel_off::kBaseColor], '8');
}

TEST(StaticItemsTest, ScreenSizeCodeFollowsTheImageDepth) {
  for (auto [rows, code] : {std::pair{25, 1}, {43, 3}, {50, 4}}) {
    PanelFixture p("SIZE", rows);
    EXPECT_EQ(build(p).work_s[7], code) << rows;
  }
}

TEST(ColourTest, TriplesGiveAttributes) {
  EXPECT_EQ(colour_value("115"), 31);
  // Blinking black on blue: 16 + 128 + 0.
  EXPECT_EQ(colour_value("116"), 144);
  EXPECT_EQ(colour_value("731"), 255);
  EXPECT_EQ(colour_value("700"), 112);
  EXPECT_EQ(colour_value("832"), std::nullopt);
  EXPECT_EQ(colour_value("1x5"), std::nullopt);
}

TEST(WorkDTest, DescriptorsOffsetsAndTabRing) {
  PanelFixture p("FIELDS");
  p.header().set_home_field(2);
  FieldSpec a;  // row 3: plain text
  a.row = 3;
  a.column = 10;
  a.length = 10;
  a.name = "NAME-A";
  a.picture = "X(10)";
  a.colour = "115";
  FieldSpec h;  // row 4: hexadecimal, 8 shown = 4 stored
  h.row = 4;
  h.column = 10;
  h.length = 8;
  h.name = "HEX-B";
  h.picture = "X(4)";
  h.type = 'H';
  FieldSpec m;  // row 5: type 2 without a mask: default mask, sign position
  m.row = 5;
  m.column = 10;
  m.length = 6;
  m.name = "AMOUNT-C";
  m.picture = "S9(5)";
  m.type = '2';
  FieldSpec v;  // row 6: with a validation list
  v.row = 6;
  v.column = 10;
  v.length = 2;
  v.name = "SIZE-D";
  v.picture = "99";
  v.option2 = 0x80;
  v.mask = 7;
  for (auto* f : {&a, &h, &m, &v}) p.field(*f);
  p.validation(6, 10, "25,43,50");
  PanelBuild b = build(p);
  gen::Bytes wd = b.work_d_full();
  kv::WorkD d(wd.data(), wd.size());
  ASSERT_EQ(d.field_count(), 4);
  EXPECT_EQ(d.default_cursor_field(), 2);
  EXPECT_EQ(wd[6], 'B');
  EXPECT_EQ(std::string(wd.begin() + 9, wd.begin() + 16), std::string(7, ' '));
  struct Want {
    int row, col, len, attr, type, offset, mask;
  } want[] = {
      {3, 10, 10, 31, ' ', 17, 0},  // 4 * 4 + 1
      {4, 10, 8, 7, 'H', 27, 0},
      {5, 10, 6, 7, '2', 31, 0},
      {6, 10, 2, 7, ' ', 36, 7},
  };
  for (int n = 1; n <= 4; ++n) {
    auto f = d.descriptor(n);
    const Want& w = want[n - 1];
    EXPECT_EQ(f.row, w.row) << n;
    EXPECT_EQ(f.col, w.col) << n;
    EXPECT_EQ(f.length, w.len) << n;
    EXPECT_EQ(f.attr, w.attr) << n;
    EXPECT_EQ(f.type, w.type) << n;
    EXPECT_EQ(f.data_offset, w.offset) << n;
    EXPECT_EQ(f.mask, w.mask) << n;
  }
  // Row and column order, in a ring, starting from the home field.
  EXPECT_EQ(d.tab_ring(), (std::vector<int>{2, 3, 4, 1}));
  EXPECT_EQ(d.descriptor(1).prev, 4);
  auto val = d.find_validation(6, 10);
  ASSERT_TRUE(val);
  EXPECT_EQ(val->values, "25,43,50");
  EXPECT_FALSE(d.find_validation(5, 10));
  // The panel record: 316 + 4 * 4 + 10 + 4 + 5 + 2 bytes, data at their offsets.
  EXPECT_EQ(b.panel_record.size(), 316u + 16 + 21);
  kv::PanelRecord rec(b.panel_record.data());
  EXPECT_EQ(rec.numb_of_fields(), 4);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(rec.data_at(36)), 2), "00");
}

TEST(WorkDTest, SortWordsAndCustomTabNumbers) {
  PanelFixture p("TABS");
  for (int i = 0; i < 4; ++i) {
    FieldSpec f;
    f.row = 2 + i;
    f.column = 5;
    f.length = 3;
    f.picture = "XXX";
    f.name = "F" + std::to_string(i + 1);
    if (i == 0) f.sort = 2;  // moves to the end of the field order
    if (i == 1) f.tab = 9;   // custom: last in the tab order
    if (i == 3) f.tab = 1;   // custom: first
    p.field(f);
  }
  std::vector<Message> msgs;
  PanelBuild b = build(p, {}, &msgs);
  // Field order: rows 3, 4, 5 (sort word 0), then row 2 (sort word 2).
  ASSERT_EQ(b.fields.size(), 4u);
  EXPECT_EQ(b.fields[0].row, 3);
  EXPECT_EQ(b.fields[3].row, 2);
  // Tab numbers: row 2 -> 1 (position), row 3 -> 9, row 4 -> 3, row 5 -> 1;
  // ascending and stable: field 3 (row 5, tab 1), field 4 (row 2, tab 1),
  // field 2 (row 4, tab 3), field 1 (row 3, tab 9).
  gen::Bytes wd = b.work_d_full();
  kv::WorkD d(wd.data(), wd.size());
  std::vector<int> order;
  int f = 3;
  for (int k = 0; k < 4; ++k, f = d.descriptor(f).next) order.push_back(f);
  EXPECT_EQ(order, (std::vector<int>{3, 4, 2, 1}));
  EXPECT_EQ(d.descriptor(3).prev, 1);
  bool applying = false;
  for (auto& m : msgs) applying |= m.text == "Applying customized tabbing order ...";
  EXPECT_TRUE(applying);
}

TEST(WorkDTest, ValidationListLimitsAndEmptyList) {
  PanelFixture none("NOVAL");
  PanelBuild b0 = build(none);
  EXPECT_EQ(b0.validations, (gen::Bytes{0x00, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(b0.work_d.size(), 16u);  // header only

  PanelFixture p("VALS");
  for (int r = 2; r <= 6; ++r) {
    FieldSpec f;
    f.row = r;
    f.column = 1;
    f.length = 1;
    f.picture = "X";
    f.option2 = 0x80;
    f.name = "V" + std::to_string(r);
    p.field(f);
    p.validation(r, 1, std::string(60, 'A' + r));  // 65 bytes a record
  }
  std::vector<Message> msgs;
  PanelBuild b = build(p, {}, &msgs);
  // Three records (195 bytes) fit with the closing X'FF'; the fourth does not.
  EXPECT_EQ(b.validations.size(), 196u);
  EXPECT_EQ(b.validations[195], 0xFF);
  int dropped = 0;
  for (auto& m : msgs) dropped += m.error && m.text.find("dropped") != std::string::npos;
  EXPECT_EQ(dropped, 2);
  gen::Bytes wd = b.work_d_full();
  kv::WorkD d(wd.data(), wd.size());
  EXPECT_TRUE(d.find_validation(4, 1));
  EXPECT_FALSE(d.find_validation(5, 1));
  EXPECT_EQ(b.validation_blocks, 2);  // 325 bytes asked for
}

TEST(WorkDTest, FieldCountMismatchUsesTheCountFound) {
  PanelFixture p("COUNT");
  FieldSpec f;
  f.row = 2;
  f.column = 2;
  f.length = 4;
  f.picture = "X(4)";
  p.field(f);
  p.header().set_field_count(3);
  std::vector<Message> msgs;
  PanelBuild b = build(p, {}, &msgs);
  ASSERT_FALSE(msgs.empty());
  bool mismatch = false;
  for (auto& m : msgs) mismatch |= m.text == "Field count mismatch.  Check this panel!!" && m.error;
  EXPECT_TRUE(mismatch);
  EXPECT_EQ(kv::PanelRecord(b.panel_record.data()).numb_of_fields(), 1);
  EXPECT_EQ(b.panel_record.size(), 316u + 4 + 4);
  EXPECT_EQ(lib::HeaderView(b.header).field_count(), 1);
}

TEST(WorkDTest, PicturesThatDisagreeOrDoNotParseAreNamedInAWarning) {
  struct Case {
    std::string picture;
    int length;
    std::string warning;  // empty: no warning
    int storage;
  } cases[] = {
      {"X(20)", 20, "", 20},
      {"", 6, "", 6},
      {"X(20)", 25, "Field NAME: PIC holds 20 bytes, its display needs 25; the PIC is used", 20},
      {"X(2O)", 20, "Field NAME: PIC X(2O) is not a COBOL picture; cobc will refuse it", 20},
      {"9(", 3, "Field NAME: PIC 9( is not a COBOL picture; cobc will refuse it", 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.picture + " length " + std::to_string(c.length));
    PanelFixture p("PICS");
    FieldSpec f;
    f.row = 2;
    f.column = 2;
    f.length = c.length;
    f.name = "NAME";
    f.picture = c.picture;
    p.field(f);
    p.header().set_field_count(1);
    std::vector<Message> msgs;
    PanelBuild b = build(p, {}, &msgs);
    std::vector<std::string> warnings;
    for (auto& m : msgs)
      if (m.warning) warnings.push_back(m.text);
    EXPECT_EQ(warnings,
              c.warning.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.warning});
    ASSERT_EQ(b.fields.size(), 1u);
    EXPECT_EQ(b.fields[0].storage_length, c.storage);
  }
}

TEST(WorkDTest, HomeFieldBeyondTheFieldsIsClamped) {
  PanelFixture p("HOME");
  p.header().set_home_field(9);
  for (int r = 2; r <= 3; ++r) {
    FieldSpec f;
    f.row = r;
    f.column = 2;
    f.length = 1;
    p.field(f);
  }
  PanelBuild b = build(p);
  EXPECT_EQ(kv::get_u16(b.work_d.data() + 7), 2);
}

TEST(PanelCheckTest, MissingCutShortIncompleteAndDamaged) {
  PanelFixture p("CHECK");
  auto r = p.records();
  EXPECT_EQ(check_panel(r), PanelCheck::Ok);
  EXPECT_EQ(check_panel(lib::PanelRecords{}), PanelCheck::NotFound);
  auto cut = r;
  cut.images.pop_back();
  EXPECT_EQ(check_panel(cut), PanelCheck::CutShort);
  auto noimg = r;
  noimg.images.clear();
  EXPECT_EQ(check_panel(noimg), PanelCheck::CutShort);
  auto inc = r;
  lib::HeaderView(inc.header).set_complete('N');
  EXPECT_EQ(check_panel(inc), PanelCheck::Incomplete);
  FieldSpec f;
  p.field(f);
  auto bad = p.records();
  bad.fields[0][13] = 'x';  // length not digits
  EXPECT_EQ(check_panel(bad), PanelCheck::Damaged);
  auto blank = r;
  blank.header[0] = ' ';  // no name to write the copybook under
  EXPECT_EQ(check_panel(blank), PanelCheck::Damaged);
  EXPECT_EQ(check_messages(PanelCheck::NotFound, "ABC     "),
            std::vector<std::string>{"Panel ABC not found...."});
  EXPECT_EQ(check_messages(PanelCheck::CutShort, "ABC"),
            std::vector<std::string>{"Premature EOF on ABC!"});
  EXPECT_EQ(check_messages(PanelCheck::Incomplete, "ABC"),
            (std::vector<std::string>{"Panel ABC is marked incomplete",
                                      "and may not be generated till corrected!"}));
}

TEST(SizeCheckTest, WorkDAndValidationBlocksAboveTheLimit) {
  PanelFixture p("BIG", 50);
  // 2040 one-cell fields: 16 + 16 * 2040 + 236 = 32892 > 32768.
  int made = 0;
  for (int r = 1; r <= 49 && made < 2040; ++r)
    for (int c = 1; c <= 80 && made < 2040; ++c, ++made) {
      FieldSpec f;
      f.row = r;
      f.column = c;
      f.length = 1;
      p.field(f);
    }
  PanelBuild b = build(p);
  EXPECT_EQ(b.storage_estimate, 16 + 16 * 2040 + 236);
  EXPECT_TRUE(b.too_large);
  PanelFixture small("SMALL");
  EXPECT_FALSE(build(small).too_large);
}
