#include "editor/library/library_records.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

namespace fs = std::filesystem;
using namespace kv::editor;
using namespace kv::editor::lib;

namespace {

std::string str(std::span<const std::uint8_t> b) { return std::string(b.begin(), b.end()); }
Bytes bytes(std::span<const std::uint8_t> b) { return Bytes(b.begin(), b.end()); }

TEST(LibraryKeysTest, KeysAndTheirOrder) {
  EXPECT_EQ(str(header_key("ABC")), "ABC          ");
  EXPECT_EQ(str(image_key("ABC", 'C', 7)), "ABC     $C07 ");
  EXPECT_EQ(str(field_key("ABC", 5, 80)), "ABC     &0580");
  EXPECT_EQ(str(validation_key("ABC", 5, 80)), "ABC     V0580");
  EXPECT_EQ(str(panel_end_key("ABC")), "ABC     V9999");
  EXPECT_EQ(str(header_key("TOOLONGNAME")), "TOOLONGN     ");
  // A panel's records in the documented order, and ABC's all before ABCD.
  std::vector<Key> in_order = {
      header_key("ABC"),           image_key("ABC", 'C', 1), image_key("ABC", 'C', 25),
      image_key("ABC", 'T', 1),    field_key("ABC", 1, 2),   field_key("ABC", 10, 1),
      validation_key("ABC", 1, 2), panel_end_key("ABC"),     header_key("ABCD")};
  EXPECT_TRUE(std::is_sorted(in_order.begin(), in_order.end()));
}

TEST(LibraryColourTest, TriplesAndAttributes) {
  struct Case {
    const char* triple;
    int attribute;
  } cases[] = {
      {"007", 0x07}, {"700", 0x70}, {"414", 0x4E}, {"130", 0x9E},  // blinking yellow on blue
      {"016", 0x80}, {"731", 0xFF}, {"000", 0x00},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(attribute_of_triple(c.triple), c.attribute) << c.triple;
    EXPECT_EQ(triple_of(static_cast<u8>(c.attribute)), c.triple) << c.attribute;
  }
  for (const char* bad : {"807", "032", "0A7", " 07", "07", "0077"})
    EXPECT_EQ(attribute_of_triple(bad), std::nullopt) << bad;
}

TEST(LibraryHeaderTest, NewHeaderDefaultsByteForByte) {
  auto h = new_header("ORDERS");
  std::string want = "ORDERS  " + std::string(5, ' ') + std::string(30, ' ') +
                     "C000007700414007001NNN" + std::string(24, ' ') + std::string(80, ' ') +
                     "@"
                     "00"
                     "3000"
                     "0005"
                     "0200"
                     "0010"
                     "000000"
                     "1"
                     "N"
                     "'"
                     "B"
                     "0";
  want += '\x90';
  ASSERT_EQ(want.size(), 200u);
  EXPECT_EQ(str(h), want);
  HeaderView v(h);
  EXPECT_EQ(v.base_attribute(), 0x07);
  EXPECT_EQ(v.field_count(), 0);
  EXPECT_EQ(v.home_field(), 1);
  EXPECT_EQ(v.present_beep_frequency(), 3000);
  EXPECT_EQ(v.error_beep_duration(), 10);
  EXPECT_EQ(v.copybook_flags(), HeaderView::kNamedAttributes | HeaderView::kNamePrefix);
  v.set_version(' ');
  EXPECT_EQ(v.copybook_flags(), 0) << "flags count only for versions A and B";
  EXPECT_EQ(v.copybook_flags_byte(), 0x90);
}

TEST(LibraryHeaderTest, SettersWriteTheirOwnBytesOnly) {
  auto h = new_header("P");
  auto before = h;
  HeaderView v(h);
  v.set_title("Customer maintenance");
  v.set_field_count(12);
  v.set_menu_left("F1=Help");
  v.set_menu_right("F3=End");
  v.set_save_date("121126");
  v.set_postkey_exit("POSTEXIT");
  int changed_outside = 0;
  for (std::size_t i = 0; i < h.size(); ++i) {
    bool inside =
        (i >= 13 && i < 43) || (i >= 44 && i < 47) || (i >= 81 && i < 169) || (i >= 188 && i < 194);
    if (!inside && h[i] != before[i]) ++changed_outside;
  }
  EXPECT_EQ(changed_outside, 0);
  EXPECT_EQ(str(std::span(h).subspan(44, 3)), "012");
  EXPECT_EQ(str(std::span(h).subspan(129, 6)), "F3=End");
  EXPECT_THROW(HeaderView(std::span(h).first(199)), std::length_error);
}

TEST(LibraryFieldTest, FieldAndValidationLayout) {
  auto f = make_field("CUST", 3, 80);
  FieldView v(f);
  v.set_length(12);
  v.set_attribute(0x9E);  // blinking yellow on blue
  v.set_type('A');
  v.set_data_name("CUST-NAME");
  v.set_mask(5);
  v.set_tab_number(513);
  v.set_sort_word(2);
  v.set_picture("X(12)");
  v.set_value_text("hello");
  std::string s = str(f);
  EXPECT_EQ(s.substr(0, 21),
            "CUST    &0380"
            "12"
            "130"
            "  A");
  EXPECT_EQ(s.substr(21, 30), "CUST-NAME" + std::string(21, ' '));
  EXPECT_EQ(s.substr(51, 3), "005");
  EXPECT_EQ(static_cast<u8>(s[54]), 0x01);  // 513 little-endian
  EXPECT_EQ(static_cast<u8>(s[55]), 0x02);
  EXPECT_EQ(static_cast<u8>(s[56]), 0x02);
  EXPECT_EQ(static_cast<u8>(s[57]), 0x00);
  EXPECT_EQ(s.substr(59, 5), "X(12)");
  EXPECT_EQ(s.substr(77, 5), "hello");
  EXPECT_EQ(v.row(), 3);
  EXPECT_EQ(v.column(), 80);
  EXPECT_EQ(v.attribute(), 0x9E);
  EXPECT_EQ(v.custom_tab(), 513);
  EXPECT_TRUE(v.digits_valid());
  v.set_tab_number(1000);
  EXPECT_EQ(v.custom_tab(), std::nullopt);
  for (std::size_t at : {9u, 11u, 13u, 15u, 17u}) {
    auto g = f;
    g[at] = 'x';
    EXPECT_FALSE(FieldView(g).digits_valid()) << "byte " << at;
  }

  auto val = make_validation("CUST", 3, 80);
  ValidationView vv(val);
  vv.set_separator(',');
  vv.set_range_indicator('-');
  vv.set_values("A,B,C");
  EXPECT_EQ(str(val).substr(0, 21), "CUST    V0380 ,-A,B,C");
  EXPECT_EQ(val.size(), 86u);

  std::array<u8, 80> cells;
  cells.fill('x');
  auto line = make_image_line("CUST", 'T', 25, cells);
  EXPECT_EQ(str(line).substr(0, 14), "CUST    $T25 x");
  EXPECT_EQ(ImageLineView(line).row(), 25);
}

class LibraryFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("kvlib" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    ASSERT_EQ(file_.open((dir_ / "LIB.PNL").string(), OpenMode::Output), FileStatus("00"));
    file_.close();
    ASSERT_EQ(file_.open((dir_ / "LIB.PNL").string(), OpenMode::InputOutput), FileStatus("00"));
  }
  void TearDown() override {
    file_.close();
    fs::remove_all(dir_);
  }
  // A panel of `depth` rows with `fields` fields, each with a validation.
  static PanelRecords panel(std::string_view name, int depth, int fields, char text = 'x') {
    PanelRecords p;
    p.header = bytes(new_header(name));
    std::array<u8, 80> cells;
    for (char kind : {kColourLine, kTextLine})
      for (int row = 1; row <= depth; ++row) {
        cells.fill(kind == kColourLine ? 0x07 : static_cast<u8>(text));
        p.images.push_back(bytes(make_image_line(name, kind, row, cells)));
      }
    for (int i = 0; i < fields; ++i) {
      p.fields.push_back(bytes(make_field(name, i + 1, 10)));
      p.validations.push_back(bytes(make_validation(name, i + 1, 10)));
    }
    return p;
  }
  RecordFile file_{library_file_options()};
  fs::path dir_;
};

TEST_F(LibraryFileTest, PanelsReadBackListAndEndWhereTheNextBegins) {
  ASSERT_EQ(replace_panel(file_, panel("ABCD", 25, 2)), FileStatus("00"));
  ASSERT_EQ(replace_panel(file_, panel("ABC", 43, 0)), FileStatus("00"));
  // The record of binary zeros that a copy-made library begins with.
  ASSERT_EQ(file_.write(Bytes(200, 0)), FileStatus("00"));

  PanelRecords got;
  ASSERT_EQ(read_panel(file_, "ABC", got), FileStatus("00"));
  EXPECT_EQ(got.images.size(), 86u);
  EXPECT_TRUE(got.fields.empty()) << "a panel with no fields has header and images only";
  EXPECT_EQ(record_kind(got.images.front()), kImageKind);
  EXPECT_EQ(ImageLineView(got.images[43]).line_kind(), kTextLine);
  ASSERT_EQ(read_panel(file_, "ABCD", got), FileStatus("00"));
  EXPECT_EQ(got.fields.size(), 2u);
  EXPECT_EQ(got.validations.size(), 2u);
  EXPECT_EQ(read_panel(file_, "AB", got), FileStatus("23"));
  EXPECT_EQ(read_panel(file_, "ZZZ", got), FileStatus("23"));

  std::vector<std::string> names;
  ASSERT_EQ(list_panels(file_, names), FileStatus("00"));
  EXPECT_EQ(names, (std::vector<std::string>{"ABC     ", "ABCD    "}));

  // Positioning beyond a panel reaches the next header, or end of file.
  Bytes r;
  ASSERT_EQ(file_.start(panel_end_key("ABC")), FileStatus("00"));
  ASSERT_EQ(file_.read_next(r), FileStatus("00"));
  EXPECT_EQ(str(r).substr(0, 13), str(header_key("ABCD")));
  EXPECT_EQ(file_.start(panel_end_key("ABCD")), FileStatus("23"));

  // The walk ends at another panel's first record.
  PanelWalk walk(file_, "ABC");
  ASSERT_EQ(walk.begin(), FileStatus("00"));
  int n = 1;
  while (walk.next().ok()) ++n;
  EXPECT_EQ(n, 87);
  EXPECT_TRUE(walk.at_end());
}

TEST_F(LibraryFileTest, ReplaceAndDeleteWholePanels) {
  ASSERT_EQ(replace_panel(file_, panel("P", 25, 5, 'a')), FileStatus("00"));
  ASSERT_EQ(replace_panel(file_, panel("Q", 25, 1)), FileStatus("00"));
  // A smaller new version leaves nothing of the old one behind.
  ASSERT_EQ(replace_panel(file_, panel("P", 25, 2, 'b')), FileStatus("00"));
  PanelRecords got;
  ASSERT_EQ(read_panel(file_, "P", got), FileStatus("00"));
  EXPECT_EQ(got.fields.size(), 2u);
  EXPECT_EQ(ImageLineView(got.images[30]).cells()[0], 'b');

  // A failing write (a record too long) leaves the old version whole.
  PanelRecords bad = panel("P", 25, 3, 'c');
  bad.fields.back().resize(201, ' ');
  EXPECT_EQ(replace_panel(file_, bad), FileStatus("44"));
  ASSERT_EQ(read_panel(file_, "P", got), FileStatus("00"));
  EXPECT_EQ(got.fields.size(), 2u);
  EXPECT_EQ(ImageLineView(got.images[30]).cells()[0], 'b');

  int deleted = 0;
  ASSERT_EQ(delete_panel(file_, "P", &deleted), FileStatus("00"));
  EXPECT_EQ(deleted, 1 + 50 + 2 + 2);
  EXPECT_EQ(read_panel(file_, "P", got), FileStatus("23"));
  EXPECT_EQ(read_panel(file_, "Q", got), FileStatus("00"));
  EXPECT_EQ(delete_panel(file_, "P", &deleted), FileStatus("00"));
  EXPECT_EQ(deleted, 0);
}

}  // namespace
