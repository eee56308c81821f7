// The panel text format: a byte-exact round trip of every record, the
// readable forms, and refusal of malformed text with its line number.
#include "editor/generator/panel_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "editor/generator/support/cobol_support.h"
#include "editor/generator/support/panel_fixture.h"

using namespace kv::editor;
using namespace kv::editor::testing;
using kv::editor::text::Bytes;

namespace {

std::vector<Bytes> all_records(RecordFile& f) {
  std::vector<Bytes> out;
  Bytes zero(1, 0), rec;
  if (!f.start(zero).ok()) return out;
  while (f.read_next(rec).ok()) out.push_back(rec);
  return out;
}

void open_new(RecordFile& f, const std::string& path) {
  ASSERT_TRUE(f.open(path, OpenMode::Output).ok());
  f.close();
  ASSERT_TRUE(f.open(path, OpenMode::InputOutput).ok());
}

// A library with the ordinary and the odd: every byte value in a text row,
// binary attributes, the X'00' bottom row, more colours than the map has
// symbols, and records that fit no block.
void fill_library(RecordFile& f) {
  PanelFixture a("ALPHA");
  a.header().set_title("Every byte \"quoted\" \\ here");
  a.header().set_copybook_flags(0xA5);
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  a.text(1, 1, all.substr(0, 160));
  a.text(3, 1, all.substr(160), 0x9E);
  a.text(5, 1, "\xC9\xCD\xCD\xBB box", 0x1F);
  FieldSpec fs;
  fs.row = 10;
  fs.column = 5;
  fs.length = 12;
  fs.name = "CUSTOMER-NAME";
  fs.picture = "X(12)";
  fs.value = "'Caf\x82 \"x\"'";
  fs.option1 = 0x81;
  fs.option2 = 0x80;
  fs.option3 = 0x01;
  fs.tab = 3;
  fs.sort = 65535;
  fs.type = 'A';
  fs.colour = "130";
  a.field(fs);
  a.validation(10, 5, "A-F,X", ',', '-');
  ASSERT_TRUE(a.store(f).ok());

  PanelFixture b("BETA", 43);
  for (int c = 1; c <= 80; ++c) b.text(2, c, "x", static_cast<std::uint8_t>(c * 3));
  b.text(4, 1, "y", 0xFF);
  b.text(5, 1, "z", 0x00);  // 83 distinct attributes: hexadecimal rows
  ASSERT_TRUE(b.store(f).ok());

  // Records outside any block.
  ASSERT_TRUE(f.write(Bytes(200, 0x00)).ok());
  Bytes odd(lib::kFieldLength, 'Q');
  std::memcpy(odd.data(), "ALPHA   &AB12", 13);  // a field key that is not digits
  ASSERT_TRUE(f.write(odd).ok());
  Bytes shortrec(20, 'S');
  std::memcpy(shortrec.data(), "BETA    $T7A ", 13);
  ASSERT_TRUE(f.write(shortrec).ok());
}

}  // namespace

TEST(PanelTextTest, RoundTripIsByteExact) {
  std::string dir = scratch_dir("text-rt");
  RecordFile src, dst;
  open_new(src, dir + "/SRC.PNL");
  fill_library(src);
  std::string text;
  ASSERT_TRUE(text::export_library(src, {}, text).ok());

  text::ParsedLibrary parsed;
  auto err = text::parse_text(text, parsed);
  ASSERT_FALSE(err) << err->line << ": " << err->message;
  open_new(dst, dir + "/DST.PNL");
  ASSERT_TRUE(text::import_parsed(dst, parsed).ok());
  auto want = all_records(src), got = all_records(dst);
  ASSERT_EQ(got.size(), want.size());
  for (std::size_t i = 0; i < want.size(); ++i) EXPECT_EQ(got[i], want[i]) << i;

  // Export of the imported library gives the same text.
  std::string again;
  ASSERT_TRUE(text::export_library(dst, {}, again).ok());
  EXPECT_EQ(again, text);
}

TEST(PanelTextTest, ReadableFormsAndChosenPanels) {
  std::string dir = scratch_dir("text-forms");
  RecordFile f;
  open_new(f, dir + "/L.PNL");
  fill_library(f);
  std::string text;
  std::vector<std::string> missing;
  ASSERT_TRUE(text::export_library(f, {"ALPHA", "NOPE"}, text, &missing).ok());
  EXPECT_EQ(missing, std::vector<std::string>{"NOPE"});
  EXPECT_EQ(text.find("panel \"BETA\""), std::string::npos);
  EXPECT_NE(text.find("panel \"ALPHA\"\n"), std::string::npos);
  EXPECT_NE(text.find("  title              \"Every byte \\\"quoted\\\" \\\\ here\"\n"),
            std::string::npos);
  EXPECT_NE(text.find("  flags              A5\n"), std::string::npos);
  // Box characters as their glyphs, the static colour as "." in the map.
  EXPECT_NE(text.find("  05 |╔══╗ box"), std::string::npos);
  EXPECT_NE(text.find("  legend . 07\n"), std::string::npos);
  EXPECT_NE(text.find("  25 nul\n"), std::string::npos);
  EXPECT_NE(text.find("field 10 05\n"), std::string::npos);
  EXPECT_NE(text.find("  value    \"'Café \\\"x\\\"'\"\n"), std::string::npos);
  EXPECT_NE(text.find("  # Caret Off, Hot Field, Validation values, Initially Protected\n"),
            std::string::npos);
  EXPECT_NE(text.find("  options  81 80 01\n"), std::string::npos);
  EXPECT_NE(text.find("  sort     65535\n"), std::string::npos);
  EXPECT_NE(text.find("validation 10 05\n"), std::string::npos);
  EXPECT_NE(text.find("record 414C50484120202026414231325151"), std::string::npos);

  std::string beta;
  ASSERT_TRUE(text::export_library(f, {"BETA"}, beta).ok());
  EXPECT_NE(beta.find("  02 hex 030609"), std::string::npos);
}

TEST(PanelTextTest, MalformedTextIsRefusedWithItsLine) {
  PanelFixture p("P");
  std::string dir = scratch_dir("text-bad");
  RecordFile f;
  open_new(f, dir + "/L.PNL");
  ASSERT_TRUE(p.store(f).ok());
  std::string text;
  ASSERT_TRUE(text::export_library(f, {}, text).ok());
  auto line_of = [&](const std::string& needle) {
    auto pos = text.find(needle);
    return 1 +
           static_cast<int>(std::count(text.begin(), text.begin() + static_cast<long>(pos), '\n'));
  };
  struct Case {
    std::string from, to;  // replace in the exported text
    std::string message;
  } cases[] = {
      {"  title              \"\"", "  title              \"" + std::string(31, 'x') + "\"",
       "the value is longer than 30 characters"},
      {"  title              \"\"", "  titel              \"\"", "unknown key \"titel\""},
      {"  title              \"\"", "  title              \"\\q\"", "unknown escape \\q"},
      {"  flags              90", "", "the block lacks \"flags\""},
      {"  05 |  ", "  05 |x  ", "the row has more than 80 cells"},
      {"  05 |  ", "  05 |\x01 ", "a control character in the text"},
      {"  07 |.", "  07 |X", "symbol X is not in the legend"},
      {"end\n", "", "panel P has no \"end\""},
      {"codepage 437", "codepage 1252", "code page 437 or 850 was expected"},
      {"codepage 437", "codepage 437\nbogus",
       "\"panel\", \"record\" or \"codepage\" was expected, not \"bogus\""},
  };
  auto before = all_records(f);
  for (const Case& c : cases) {
    std::string bad = text;
    auto pos = bad.find(c.from);
    ASSERT_NE(pos, std::string::npos) << c.from;
    int want_line = line_of(c.from);
    bad.replace(pos, c.from.size(), c.to);
    text::ParsedLibrary parsed;
    auto err = text::parse_text(bad, parsed);
    ASSERT_TRUE(err) << c.message;
    EXPECT_NE(err->message.find(c.message), std::string::npos)
        << err->message << " | want " << c.message;
    if (c.message == "the block lacks \"flags\"") want_line = line_of("header\n");
    if (c.message.find("no \"end\"") != std::string::npos) continue;  // reported at the end
    if (c.message.find("bogus") != std::string::npos) ++want_line;
    EXPECT_EQ(err->line, want_line) << c.message;
  }
  EXPECT_EQ(all_records(f), before);
}

TEST(PanelTextTest, ImportReplacesPanelsInOneTransaction) {
  std::string dir = scratch_dir("text-import");
  RecordFile f;
  open_new(f, dir + "/L.PNL");
  PanelFixture p("KEEP"), q("SWAP");
  FieldSpec fs;
  fs.row = 3;
  fs.column = 3;
  q.field(fs);
  ASSERT_TRUE(p.store(f).ok());
  ASSERT_TRUE(q.store(f).ok());
  // The text holds SWAP without its field: importing drops the field.
  PanelFixture q2("SWAP");
  std::string text = text::records_to_text([&] {
    auto r = q2.records();
    std::vector<Bytes> recs{r.header};
    recs.insert(recs.end(), r.images.begin(), r.images.end());
    return recs;
  }());
  text::ParsedLibrary parsed;
  ASSERT_FALSE(text::parse_text(text, parsed));
  ASSERT_TRUE(text::import_parsed(f, parsed).ok());
  lib::PanelRecords got;
  ASSERT_TRUE(lib::read_panel(f, "SWAP", got).ok());
  EXPECT_TRUE(got.fields.empty());
  ASSERT_TRUE(lib::read_panel(f, "KEEP", got).ok());
}
