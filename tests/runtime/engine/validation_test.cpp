#include "runtime/engine/validation.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "runtime/engine/options.h"
#include "runtime/engine/tables.h"
#include "support/engine_fixture.h"

namespace {

using kv::u8;
using kv::engine::check_field;
using kv::engine::check_keystroke;
using kv::engine::CheckContext;
using kv::engine::FieldCheck;
using kv::engine::FieldCheckResult;
using kv::test::Field;
using kv::test::Panel;

constexpr u8 kValues = 0x80;     // option byte 2 bit 7
constexpr u8 kMustValid = 0x01;  // option byte 2 bit 0
constexpr u8 kRequired = 0x80;   // option byte 3 bit 7

class ValidationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    kv::test::install_messages();
    kv::mask::pin_country(kv::mask::CountryValues{});
    kv::engine::options().misc.fill(0);
  }
  void TearDown() override { kv::mask::reset_country(); }

  void set_date_order(int order) {
    kv::mask::CountryValues cv;
    cv.date_order = order;
    kv::mask::pin_country(cv);
  }

  // Checks field n of `p` as if the user left it showing `image`.
  FieldCheckResult check(Panel& p, int n, const std::string& image,
                         kv::WorkD::Cursor* cursor = nullptr) {
    image_.assign(image.begin(), image.end());
    FieldCheck f;
    f.number = n;
    f.descriptor = p.wd().descriptor(n);
    f.field_option = p.rec().field_option(n);
    f.edit_image = image_.data();
    f.display_length = static_cast<int>(image_.size());
    f.data = p.data(n);
    CheckContext cx;
    cx.panel = p.rec();
    cx.work_d = p.wd();
    cx.cursor = cursor;
    cx.tables = &kv::engine::tables();
    cx.empty_fill = kv::engine::options().empty_fill();
    return check_field(f, cx);
  }
  std::string image() const { return std::string(image_.begin(), image_.end()); }

  std::vector<u8> image_;
};

TEST_F(ValidationTest, KeystrokeCheckAcceptsConvertsOrRefusesByType) {
  struct Case {
    char type;
    u8 option;
    int position;
    char in, out;
    int message;
  } cases[] = {
      {'1', 0, 0, '5', '5', 0},    {'1', 0, 0, '-', '-', 0},   {'1', 0, 0, 'a', 'a', 25},
      {'1', 0, 0, '.', '.', 25},   {'2', 0, 0, 'd', 'D', 0},   {'3', 0, 0, 'c', 'C', 0},
      {'2', 0, 0, '.', '.', 0},    {'2', 0, 0, ',', ',', 0},   {'2', 0, 0, '$', '$', 0},
      {'2', 0, 0, 'x', 'X', 25},   {'4', 0, 0, '/', '/', 0},   {'5', 0, 0, '-', '-', 0},
      {'4', 0, 0, 'a', 'a', 25},   {'A', 0, 0, 'b', 'B', 0},   {'A', 0, 0, ' ', ' ', 0},
      {'A', 0, 0, '-', '-', 21},   {'B', 0, 0, 'Q', 'q', 0},   {'C', 0, 0, 'q', 'q', 0},
      {'C', 0, 0, '7', '7', 0},    {'D', 0, 0, '1', '1', 18},  {'D', 0, 0, 'k', 'K', 0},
      {'E', 0, 0, 'X', 'x', 0},    {'F', 0, 0, 'x', 'x', 0},   {'G', 0, 0, 'g', 'G', 0},
      {'G', 0, 0, '-', '-', 0},    {'H', 0, 0, 'f', 'F', 0},   {'H', 0, 0, 'g', 'G', 23},
      {'I', 0, 0, 'a', 'A', 0},    {'I', 0, 3, 'a', 'a', 0},   {'P', 0, 0, 'a', 'a', 17},
      {'S', 0, 0, 'a', 'a', 17},   {'X', 0, 0, '1', '1', 17},  {' ', 'P', 0, 'a', 'a', 17},
      {'A', 'Q', 0, 'a', 'a', 17}, {' ', 'S', 0, '~', '~', 0}, {' ', 0, 0, '~', '~', 0},
  };
  for (const Case& c : cases) {
    u8 ch = static_cast<u8>(c.in);
    int msg = check_keystroke(static_cast<u8>(c.type), c.option, c.position, ch);
    SCOPED_TRACE(std::string("type ") + c.type + " char " + c.in);
    EXPECT_EQ(msg, c.message);
    if (msg == 0) {
      EXPECT_EQ(ch, static_cast<u8>(c.out));
    }
  }
}

TEST_F(ValidationTest, SixDigitDatesInMonthDayYearOrder) {
  struct Case {
    const char* value;
    bool required;
    int message;  // 0: passes
    bool checked;
  } cases[] = {
      {"022900", false, 0, true},  {"022999", false, 22, true}, {"022800", false, 0, true},
      {"022899", false, 0, true},  {"043100", false, 22, true}, {"043000", false, 0, true},
      {"123199", false, 0, true},  {"130199", false, 22, true}, {"003199", false, 22, true},
      {"013299", false, 22, true}, {"000000", false, 0, false}, {"000000", true, 22, true},
      {"      ", false, 0, false}, {"      ", true, 22, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    Panel p({Field{.length = 6, .type = '4', .opt3 = static_cast<u8>(c.required ? kRequired : 0)}});
    FieldCheckResult r = check(p, 1, c.value);
    EXPECT_EQ(r.passed, c.message == 0);
    EXPECT_EQ(r.message, c.message);
    if (c.message == 0) {
      EXPECT_EQ(r.set_paint, c.checked);
      if (c.checked) {
        EXPECT_EQ(r.paint, 'V');
      }
    } else {
      EXPECT_EQ(r.text.substr(0, 39), "A valid date is required in this field.");
      EXPECT_EQ(r.paint, c.required ? 'v' : 0);
    }
  }
}

TEST_F(ValidationTest, SixDigitDatesFollowTheCountryOrder) {
  set_date_order(1);  // day-month-year
  Panel p({Field{.length = 6, .type = '4'}});
  EXPECT_TRUE(check(p, 1, "290200").passed);
  EXPECT_EQ(check(p, 1, "300200").message, 22);
  set_date_order(2);  // year-month-day
  EXPECT_TRUE(check(p, 1, "000229").passed);
  EXPECT_EQ(check(p, 1, "990229").message, 22);
}

TEST_F(ValidationTest, TypeFiveDatesAreStoredYearFirstAndCheckTheTwoDigitYear) {
  Panel p({Field{.length = 8, .type = '5'}, Field{.row = 4, .length = 6, .type = '5'}});
  // Shown month-day-year, stored CCYYMMDD.
  FieldCheckResult r = check(p, 1, "02292000");
  EXPECT_TRUE(r.passed);
  EXPECT_EQ(r.paint, 'V');
  EXPECT_EQ(p.data_text(1, 8), "20000229");
  EXPECT_TRUE(check(p, 1, "02291900").passed);  // only the two-digit year is tested
  EXPECT_EQ(p.data_text(1, 8), "19000229");
  EXPECT_EQ(check(p, 1, "02292001").message, 22);

  EXPECT_TRUE(check(p, 2, "123199").passed);
  EXPECT_EQ(p.data_text(2, 6), "991231");
  set_date_order(1);
  EXPECT_TRUE(check(p, 2, "311299").passed);
  EXPECT_EQ(p.data_text(2, 6), "991231");
}

TEST_F(ValidationTest, TextValueListWithRangeAndSingleValue) {
  Field f{.length = 5, .type = 'A', .opt2 = kValues};
  Panel p({f}, {{f, "A-C,X"}});
  for (const char* ok : {"A    ", "B    ", "C    ", "X    "}) {
    FieldCheckResult r = check(p, 1, ok);
    EXPECT_TRUE(r.passed) << ok;
    EXPECT_EQ(r.paint, 'V');
  }
  for (const char* bad : {"D    ", "CA   ", "     "}) {
    FieldCheckResult r = check(p, 1, bad);
    EXPECT_FALSE(r.passed) << bad;
    EXPECT_EQ(r.message, 28);
    EXPECT_EQ(r.text, "Must be:  A-C,X" + std::string(65, ' '));
    EXPECT_EQ(r.paint, 0);  // neither Must Valid nor Required
  }
  EXPECT_EQ(p.data_text(1, 5), "     ");  // the image was stored whatever the outcome
}

TEST_F(ValidationTest, NumericRangesCompareNumbersNotText) {
  Field f{.length = 2, .type = '1', .opt2 = kValues | kMustValid};
  Panel p({f}, {{f, "1-10,25"}});
  struct Case {
    const char* image;
    bool passes;
  } cases[] = {{"5 ", true}, {"9 ", true},  {"10", true},  {"1 ", true},
               {"25", true}, {"11", false}, {"0 ", false}, {"24", false}};
  for (const Case& c : cases) {
    FieldCheckResult r = check(p, 1, c.image);
    EXPECT_EQ(r.passed, c.passes) << c.image;
    EXPECT_EQ(r.paint, c.passes ? 'V' : 'v') << c.image;  // Must Valid stays pending on failure
  }
}

TEST_F(ValidationTest, RequiredAcceptsAnyNonBlankValueAndIgnoresTheList) {
  Field f{.length = 5, .type = 'C', .opt2 = kValues, .opt3 = kRequired};
  Panel p({f}, {{f, "A-C"}});
  FieldCheckResult r = check(p, 1, "zz   ");
  EXPECT_TRUE(r.passed);
  EXPECT_TRUE(r.set_paint);
  EXPECT_EQ(r.paint, 0);
  for (std::string blank : {std::string("     "), std::string("  \0  ", 5)}) {
    r = check(p, 1, blank);
    EXPECT_FALSE(r.passed);
    EXPECT_EQ(r.message, 19);
    EXPECT_EQ(r.paint, 'v');
  }
}

TEST_F(ValidationTest, ADescriptorLongerThanTheBufferIsCheckedWithinTheBuffer) {
  // The dialogue checks a copy of at most 160 bytes of a field's data; a
  // damaged descriptor stating 200 must not send the check past it.
  Panel p({Field{.length = 200, .type = 'C', .opt3 = kRequired}});
  std::vector<u8> copy(kv::mask::kBufferSize, ' ');
  image_.assign(kv::mask::kBufferSize, ' ');
  FieldCheck f;
  f.number = 1;
  f.descriptor = p.wd().descriptor(1);
  f.field_option = p.rec().field_option(1);
  f.edit_image = image_.data();
  f.display_length = kv::mask::kBufferSize;
  f.data = copy.data();
  CheckContext cx;
  cx.panel = p.rec();
  cx.work_d = p.wd();
  cx.tables = &kv::engine::tables();
  FieldCheckResult r = check_field(f, cx);
  EXPECT_FALSE(r.passed);
  EXPECT_EQ(r.message, 19);
}

TEST_F(ValidationTest, EmptyFieldFillCharactersAreStoredAsSpaces) {
  kv::engine::options().misc[2] = '_';
  Panel p({Field{.length = 5, .type = 'C', .opt3 = kRequired}});
  EXPECT_EQ(check(p, 1, "_____").message, 19);
  EXPECT_EQ(p.data_text(1, 5), "     ");
  EXPECT_TRUE(check(p, 1, "AB___").passed);
  EXPECT_EQ(p.data_text(1, 5), "AB   ");
}

TEST_F(ValidationTest, CalculatorFieldTakesTypedDigitsAsWholeUnits) {
  auto& t = kv::engine::tables();
  t.masks[2] = kv::test::mask_record('N', ' ', "ZZZ,ZZZ,ZZZ,ZZ9.99-");
  t.mask_count = 3;
  Panel p({Field{.length = 10, .type = '3', .mask = 3},
           Field{.row = 4, .length = 10, .type = '2', .mask = 3}});
  FieldCheckResult r = check(p, 1, "1 2 3     ");
  EXPECT_TRUE(r.passed);
  EXPECT_EQ(image(), "123      .");
  EXPECT_EQ(r.data_length, 7);
  EXPECT_EQ(p.data_text(1, 7), "0012300");  // 123.00

  // A decimal separator typed by the user is kept where it is.
  EXPECT_TRUE(check(p, 1, "12.5      ").passed);
  EXPECT_EQ(p.data_text(1, 7), "0001250");
  // Type "2" fields do not close up: 123 fills the decimals first.
  EXPECT_TRUE(check(p, 2, "123       ").passed);
  EXPECT_EQ(p.data_text(2, 7), "0000123");
  // A full image ends in a digit: no separator is added, and the value no
  // longer fits the mask's digit positions.
  r = check(p, 1, "1234567890");
  EXPECT_FALSE(r.passed);
  EXPECT_EQ(r.message, 31);
  EXPECT_EQ(r.text.substr(0, 35), "Field overflowed, digits truncated.");
}

TEST_F(ValidationTest, TypeFiveRangesCompareDatesInStoredOrder) {
  Field f{.length = 6, .type = '5', .opt2 = kValues};
  Panel p({f}, {{f, "010199-123199"}});
  EXPECT_TRUE(check(p, 1, "063099").passed);
  FieldCheckResult r = check(p, 1, "063098");
  EXPECT_FALSE(r.passed);
  EXPECT_EQ(r.message, 28);
}

TEST_F(ValidationTest, ValidationRecordsAreFoundForEveryFieldWithASharedCursor) {
  Field a{.row = 3, .col = 17, .length = 2, .type = '1', .opt2 = kValues};
  Field b{.row = 4, .col = 5, .length = 2, .type = '1', .opt2 = kValues};
  Field c{.row = 4, .col = 30, .length = 2, .type = 'C', .opt2 = kValues};
  Panel p({a, b, c}, {{a, "1-5"}, {b, "6-9"}, {c, "AB,CD"}});
  kv::WorkD::Cursor cursor;
  EXPECT_TRUE(check(p, 1, "3 ", &cursor).passed);
  EXPECT_TRUE(check(p, 2, "7 ", &cursor).passed);
  EXPECT_TRUE(check(p, 3, "CD", &cursor).passed);
  // A field before the record used last is found from the first record.
  EXPECT_TRUE(check(p, 1, "5 ", &cursor).passed);
  EXPECT_FALSE(check(p, 2, "5 ", &cursor).passed);
}

TEST_F(ValidationTest, ProtectedAndSelectorFieldsAreNotChecked) {
  Field f{.length = 5, .type = 'C', .opt3 = kRequired};
  Panel p({f, Field{.row = 4, .length = 5, .type = 'S', .opt3 = kRequired}});
  p.rec().attribute(1)[3] = 'P';
  FieldCheckResult r = check(p, 1, "     ");
  EXPECT_TRUE(r.passed);
  EXPECT_FALSE(r.set_paint);
  EXPECT_EQ(check(p, 2, "     ").message, 19);  // still Required, but nothing converted back
}

TEST_F(ValidationTest, DefaultMasksForMaskNumberZero) {
  auto text = [](const std::array<u8, 82>& m) {
    std::string s(reinterpret_cast<const char*>(m.data()), 82);
    return s.substr(0, s.find('\xDD'));
  };
  EXPECT_EQ(text(kv::engine::default_mask('2')), "N0" + std::string(20, '9') + "-");
  EXPECT_EQ(text(kv::engine::default_mask('3')), "N0" + std::string(20, '9') + "-");
  EXPECT_EQ(text(kv::engine::default_mask('1')), "N0" + std::string(20, '9'));
  EXPECT_EQ(text(kv::engine::default_mask('4')), "N0" + std::string(20, '9'));
  // A mask number beyond the table falls back to mask 1; 0 to the default.
  auto& t = kv::engine::tables();
  t.masks[0] = kv::test::mask_record('N', ' ', "ZZZ9");
  t.mask_count = 1;
  kv::FieldDescriptor d;
  d.type = '1';
  d.mask = 7;
  EXPECT_EQ(kv::engine::field_mask(d, t), t.mask(1));
  d.mask = 0;
  EXPECT_EQ(kv::engine::field_mask(d, t), kv::engine::default_mask('1').data());
}

TEST_F(ValidationTest, ValueImagesOfStoredData) {
  Panel p({Field{.length = 2, .type = '1', .data = "07"},
           Field{.row = 4, .length = 6, .type = '5', .data = "991231"},
           Field{.row = 5, .length = 4, .type = 'C', .data = "ab  "},
           Field{.row = 6, .length = 3, .type = '1', .opt3 = 0x10, .data = "000"}});
  auto image = [&](int n) {
    u8 buf[160];
    int len = kv::engine::field_value_image(p.wd().descriptor(n), p.data(n), kv::engine::tables(),
                                            p.rec(), buf);
    return std::string(reinterpret_cast<char*>(buf), static_cast<std::size_t>(len));
  };
  EXPECT_EQ(image(1), "07");
  EXPECT_EQ(image(2), "123199");  // shown month-day-year
  EXPECT_EQ(image(3), "ab  ");
  EXPECT_EQ(image(4), "   ");  // Blank if 0
}

TEST_F(ValidationTest, BeforeReturnEveryPendingFieldIsCheckedInTabOrder) {
  Field a{.row = 3, .length = 2, .type = 'C', .data = "xx"};
  Field b{.row = 4, .length = 2, .type = '1', .opt2 = kValues | kMustValid, .data = "07"};
  Field c{.row = 5, .length = 2, .type = 'C', .opt3 = kRequired, .data = "  "};
  Panel p({a, b, c}, {{b, "1-5"}});
  auto images = [&](int n, u8* buf) {
    return kv::engine::field_value_image(p.wd().descriptor(n), p.data(n), kv::engine::tables(),
                                         p.rec(), buf);
  };
  CheckContext cx;
  cx.panel = p.rec();
  cx.work_d = p.wd();
  cx.tables = &kv::engine::tables();
  for (int n : {1, 2, 3}) p.rec().set_field_paint(n, n == 1 ? 'E' : 'v');

  // A bailout key cleared the pending flag: only the "E" flags go.
  kv::engine::ReturnCheck r = kv::engine::check_before_return(cx, false, images);
  EXPECT_EQ(r.failed_field, 0);
  EXPECT_EQ(p.rec().field_paint(1), 0);
  EXPECT_EQ(p.rec().field_paint(2), 'v');

  // Pending: the first failing field in tab order stops the return.
  r = kv::engine::check_before_return(cx, true, images);
  EXPECT_EQ(r.failed_field, 2);
  EXPECT_EQ(r.result.message, 28);
  EXPECT_EQ(p.rec().field_paint(2), 'v');
  kv::put_padded(p.data(2), 2, "04");
  r = kv::engine::check_before_return(cx, true, images);
  EXPECT_EQ(r.failed_field, 3);
  EXPECT_EQ(r.result.message, 19);
  EXPECT_EQ(p.rec().field_paint(2), 'V');
}

TEST_F(ValidationTest, BeforeReturnAShortDateFieldIsCheckedInsideItsOwnBytes) {
  // A two-character date as the last item of the record: the six digits
  // the check reads are padded, not taken from past the record's end.
  Field a{.row = 3, .length = 2, .type = 'C', .data = "xx"};
  Field b{.row = 4, .length = 2, .type = '4', .opt3 = kRequired, .data = "01"};
  Panel p({a, b});
  auto images = [&](int n, u8* buf) {
    std::memcpy(buf, p.data(n), 2);
    return 2;
  };
  CheckContext cx;
  cx.panel = p.rec();
  cx.work_d = p.wd();
  cx.tables = &kv::engine::tables();
  p.rec().set_field_paint(2, 'v');
  kv::engine::ReturnCheck r = kv::engine::check_before_return(cx, true, images);
  EXPECT_EQ(r.failed_field, 2);
  EXPECT_EQ(r.result.message, 22);
  EXPECT_EQ(p.data_text(1, 2), "xx");
  EXPECT_EQ(p.data_text(2, 2), "01");
}

using ValidationDeathTest = ValidationTest;

TEST_F(ValidationDeathTest, MissingValidationRecordAborts) {
  Field f{.length = 2, .type = 'C', .opt2 = kValues};
  Field other{.row = 9, .col = 1};
  Panel p({f}, {{other, "AB"}});
  EXPECT_EXIT(check(p, 1, "AB"), ::testing::ExitedWithCode(16),
              "aborted in panel TESTPNL  Reason = 0004\nInvalid WORK-D validation data.");
  p.record[212] = 'F';
  EXPECT_EXIT(check(p, 1, "AB"), ::testing::ExitedWithCode(16),
              "Reason = 0016\nValidation data not found in RUNTIME file.");
}

TEST_F(ValidationDeathTest, AValueListItemTheMaskRefusesAborts) {
  auto& t = kv::engine::tables();
  t.masks[2] = kv::test::mask_record('N', ' ', "ZZZ,ZZZ,ZZZ,ZZ9.99-");
  t.mask_count = 3;
  // 123456789 needs more integer positions than the mask's ten-character
  // part holds.
  Field f{.length = 10, .type = '2', .mask = 3, .opt2 = kValues};
  Panel p({f}, {{f, "1-123456789"}});
  EXPECT_EXIT(check(p, 1, "5         "), ::testing::ExitedWithCode(16), "Reason = 0004");
}

}  // namespace
