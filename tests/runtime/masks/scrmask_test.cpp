// The mask conversions, as one table of cases per direction, plus the
// sign conventions, the country values, hexadecimal display, the trace and
// hostile input.

#include "runtime/masks/scrmask.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "runtime/utilities/data_utils.h"
#include "runtime/utilities/modules.h"

namespace kv::mask {
namespace {

using u8 = std::uint8_t;

// Mask texts of the default table used below.
const std::string kM1 = "999999999999999999999-";
const std::string kM2 = "ZZZ,ZZZ,ZZZ,ZZ9.99CR";
const std::string kM3 = "ZZZ,ZZZ,ZZZ,ZZ9.99-";
const std::string kM4 = "ZZZ,ZZZ,ZZZ,ZZ9.99DB";
const std::string kM5 = "ZZZ,ZZZ,ZZZ,ZZ9.99+";
const std::string kM6 = "$$$,$$$,$$$,$$9.99CR";
const std::string kM10 = "$ZZ,ZZZ,ZZZ,ZZ9.99CR";  // fill "*"
const std::string kM62 = "ZZZZZZZZZZZZZZZZZZ";
const std::string kM75 = "99/99/99";
const std::string kM76 = "  -  -  ";
const std::string kM79 = "999-99-9999";
const std::string kM80 = "(999)&&999-9999";
// Masks 98 to 103: 23 spaces and no terminator in the 25-byte record.
const std::string kBlank(23, ' ');
const std::string kM90 = "\x9C\x9C\x9C,\x9C\x9C\x9C,\x9C\x9C\x9C,\x9C\x9C\x9C.99CR";

// An 82-byte mask record: kind, fill, text, X'DD', spaces.
std::array<u8, kMaskRecordSize> record(char kind, char fill, const std::string& text,
                                       bool terminate = true) {
  std::array<u8, kMaskRecordSize> r;
  r.fill(' ');
  r[0] = static_cast<u8>(kind);
  r[1] = static_cast<u8>(fill);
  std::memcpy(r.data() + 2, text.data(), std::min<std::size_t>(text.size(), kMaskTextSize));
  if (terminate && text.size() < kMaskTextSize) r[2 + text.size()] = kMaskEnd;
  return r;
}

CountryValues us() { return CountryValues{'.', ',', '$', '/', ':', 0}; }
CountryValues continental() { return CountryValues{',', '.', '$', '.', ':', 1}; }
CountryValues iso_dates() { return CountryValues{'.', ',', '$', '-', ':', 2}; }
CountryValues pound() { return CountryValues{'.', ',', 0x9C, '/', ':', 1}; }

struct Result {
  std::string out;
  MaskRequest req;
};

// Runs one conversion with 160-byte buffers; `in` goes into the value
// buffer ("D", "d") or the display buffer ("U"); the other buffer starts as
// "#" so that every byte the call leaves alone shows.
Result run(const std::array<u8, kMaskRecordSize>& rec, int width, char dir, const std::string& in,
           char mode = ' ', const u8* stub = nullptr) {
  MaskRequest r = make_request(rec.data(), width, dir, stub);
  r.mode = mode;
  std::vector<u8> value(kBufferSize, '#'), display(kBufferSize, '#');
  std::vector<u8>& src = dir == 'U' ? display : value;
  std::fill(src.begin(), src.end(), ' ');
  std::memcpy(src.data(), in.data(), std::min<std::size_t>(in.size(), kBufferSize));
  SCRMASK(r, value.data(), display.data(), nullptr);
  const std::vector<u8>& dst = dir == 'U' ? value : display;
  return {std::string(dst.begin(), dst.end()), r};
}

struct Case {
  const char* name;
  CountryValues country;
  char kind, fill;
  std::string mask;
  int width;
  char dir;
  std::string in;
  std::string expected;  // compared over its own length
  int rc;
  char mode = ' ';
};

class MaskTable : public ::testing::TestWithParam<Case> {};

// Each case runs through the x86-64 shuffle form (where the processor has
// it) and through the portable form.
TEST_P(MaskTable, Converts) {
  const Case& c = GetParam();
  pin_country(c.country);
  for (bool shuffle : {true, false}) {
    SCOPED_TRACE(shuffle ? "shuffle form" : "portable form");
    detail::use_shuffle(shuffle);
    Result res = run(record(c.kind, c.fill, c.mask), c.width, c.dir, c.in, c.mode);
    EXPECT_EQ(res.req.return_code, c.rc);
    EXPECT_EQ(res.out.substr(0, c.expected.size()), c.expected);
    if (c.dir != 'U') {
      // Nothing beyond the display length is written.
      EXPECT_EQ(res.out.substr(static_cast<std::size_t>(c.width), 4), "####");
    }
  }
  detail::use_shuffle(true);
}

std::string name_of(const ::testing::TestParamInfo<Case>& i) { return i.param.name; }

// Numeric and date masks shown on the screen.
INSTANTIATE_TEST_SUITE_P(
    ToDisplay, MaskTable,
    ::testing::Values(
        // The right-hand end of mask 3 at display length 10: data length 7.
        Case{"m3_w10_small", us(), 'N', ' ', kM3, 10, 'D', "0001234", "    12.34 ", 0},
        Case{"m3_w10_separator_suppressed", us(), 'N', ' ', kM3, 10, 'D', "0012345", "   123.45 ",
             0},
        Case{"m3_w10_negative_thousands", us(), 'N', ' ', kM3, 10, 'D', "012345p", " 1,234.50-", 0},
        Case{"m3_w10_zero", us(), 'N', ' ', kM3, 10, 'D', "0000000", "     0.00 ", 0},
        Case{"m3_w10_zero_blank", us(), 'N', ' ', kM3, 10, 'd', "0000000", "          ", 0},
        Case{"m3_w10_negative_zero", us(), 'N', ' ', kM3, 10, 'D', "000000p", "     0.00 ", 0},
        Case{"m3_full", us(), 'N', ' ', kM3, 19, 'D', "12345678901234", "123,456,789,012.34 ", 0},
        // Sign symbols: "+" and "DB" only when not negative, "CR" only when negative.
        Case{"m5_negative_no_sign", us(), 'N', ' ', kM5, 19, 'D', "0000000000050p",
             "              5.00 ", 0},
        Case{"m5_positive", us(), 'N', ' ', kM5, 19, 'D', "00000000000500", "              5.00+",
             0},
        Case{"m4_negative", us(), 'N', ' ', kM4, 20, 'D', "0000000000050p", "              5.00  ",
             0},
        Case{"m4_positive", us(), 'N', ' ', kM4, 20, 'D', "00000000000500", "              5.00DB",
             0},
        Case{"m2_negative", us(), 'N', ' ', kM2, 20, 'D', "0000000000050p", "              5.00CR",
             0},
        Case{"plus_minus_sign_pos", us(), 'N', ' ', "ZZ9\xF1", 4, 'D', "005", "  5+", 0},
        Case{"plus_minus_sign_neg", us(), 'N', ' ', "ZZ9\xF1", 4, 'D', "00u", "  5-", 0},
        // "-", "C", "R" elsewhere than the last two characters are insertions.
        Case{"dash_inside_is_insertion", us(), 'N', ' ', kM79, 11, 'D', "123456789", "123-45-6789",
             0},
        Case{"sign_letters_inside", us(), 'N', ' ', "99CR99", 6, 'D', "1234", "12CR34", 0},
        // Floating currency: data length 5 at display length 10.
        Case{"m6_w10", us(), 'N', ' ', kM6, 10, 'D', "01234", "  $12.34  ", 0},
        Case{"m6_w10_full_value", us(), 'N', ' ', kM6, 10, 'D', "99999", " $999.99  ", 0},
        Case{"m6_float", us(), 'N', ' ', kM6, 20, 'D', "0000123456789", "     $1,234,567.89  ", 0},
        Case{"m6_float_onto_separator", us(), 'N', ' ', kM6, 20, 'D', "0000012345678",
             "       $123,456.78  ", 0},
        Case{"m6_negative", us(), 'N', ' ', kM6, 20, 'D', "000000000123t", "            $12.34CR",
             0},
        Case{"m90_pound", pound(), 'N', ' ', kM90, 20, 'D', "0000000123456",
             "         \x9C"
             "1,234.56  ",
             0},
        // Currency in a position of its own, check protection with "*".
        Case{"m10_own_currency", us(), 'N', '*', kM10, 20, 'D', "000000000123t",
             "$************12.34CR", 0},
        Case{"m10_w10_own_position", us(), 'N', '*', kM10, 10, 'D', "01234", "$**12.34  ", 0},
        Case{"m10_w10_separator_filled", us(), 'N', '*', kM10, 10, 'D', "99999", "$*999.99  ", 0},
        // Insertions and "&&".
        Case{"m80_phone", us(), 'N', ' ', kM80, 14, 'D', "2125551234", "(212) 555-1234", 0},
        Case{"m75_date", us(), 'N', ' ', kM75, 8, 'D', "123199", "12/31/99", 0},
        // Trailing zeros in "Z" decimal places are closed up, the sign follows.
        Case{"check_trailing_zero", us(), 'N', ' ', "ZZZ9.ZZ-", 8, 'D', "00125p", "  12.5- ", 0},
        Case{"check_trailing_zeros_all", us(), 'N', ' ', "ZZZ9.ZZ-", 8, 'D', "001200", "  12.   ",
             0},
        Case{"check_trailing_keeps_digit", us(), 'N', ' ', "ZZZ9.ZZ-", 8, 'D', "001234", "  12.34 ",
             0},
        Case{"all_z_zero", us(), 'N', ' ', kM62, 18, 'D', "000000000000000000",
             "                  ", 0},
        Case{"m1_more_positions_than_digits", us(), 'N', ' ', kM1, 22, 'D', "000000000000000123",
             "000000000000000000123 ", 0},
        // Return codes: 24 when the mask runs out first, 20 when digits are left.
        Case{"rc24_mask_short", us(), 'N', ' ', kM75, 10, 'D', "123199", "  12/31/99", 24},
        Case{"rc20_digits_left", us(), 'N', ' ', kM3, 8, 'D', "123456", ",234.56 ", 20},
        Case{"left_separator_blank", us(), 'N', ' ', kM3, 8, 'D', "012345", " 123.45 ", 0},
        // Only sign symbols, only insertions.
        Case{"only_sign", us(), 'N', ' ', "-", 1, 'D', "", " ", 0},
        Case{"only_insertions", us(), 'N', ' ', "(/)", 3, 'D', "", "(/)", 0},
        // A continental country: "," decimal, "." thousands.
        Case{"continental", continental(), 'N', ' ', "ZZZ.ZZZ.ZZ9,99-", 15, 'D', "0000012345v",
             "      1.234,56-", 0},
        // Date masks take the country's order and separator.
        Case{"date_mdy_long", us(), 'D', ' ', "/", 10, 'D', "12312024", "12/31/2024", 0},
        Case{"date_mdy_short", us(), 'D', ' ', "/", 8, 'D', "123124", "12/31/24", 0},
        Case{"date_ymd_long", iso_dates(), 'D', ' ', " ", 10, 'D', "20241231", "2024-12-31", 0},
        Case{"date_country_separator", continental(), 'D', ' ', " ", 10, 'D', "31122024",
             "31.12.2024", 0},
        // Character masks: data positions, insertions, justification.
        Case{"char_insertions", us(), 'C', ' ', kM76, 8, 'D', "123456", "12-34-56", 0},
        Case{"char_pair", us(), 'C', ' ', "  &&  ", 5, 'D', "ABCD", "AB CD", 0},
        Case{"justify_c", us(), 'C', 'c', kBlank, 6, 'D', "AB    ", "  AB  ", 0},
        Case{"justify_C", us(), 'C', 'C', kBlank, 6, 'D', "AB    ", "  AB  ", 0},
        Case{"justify_L", us(), 'C', 'L', kBlank, 6, 'D', "  AB  ", "AB    ", 0},
        Case{"justify_l_low_values", us(), 'C', 'l', kBlank, 6, 'D', std::string("\0\0AB  ", 6),
             "AB    ", 0},
        Case{"justify_R", us(), 'C', 'R', kBlank, 6, 'D', "AB    ", "    AB", 0},
        Case{"justify_r", us(), 'C', 'r', kBlank, 6, 'D', " AB   ", "    AB", 0},
        // Fields longer than the 80 characters of mask text.
        Case{"justify_R_wide", us(), 'C', 'R', kBlank, 100, 'D', "AB", std::string(98, ' ') + "AB",
             0},
        Case{"justify_C_wide", us(), 'C', 'C', kBlank, 150, 'D', "AB",
             std::string(74, ' ') + "AB" + std::string(74, ' '), 0}),
    name_of);

// What the user typed, converted back.
INSTANTIATE_TEST_SUITE_P(
    ToUser, MaskTable,
    ::testing::Values(
        // Decimal alignment: extra decimals dropped, missing ones zero-filled,
        // no separator: the digits fill the decimal places first.
        Case{"m3_truncates", us(), 'N', ' ', kM3, 19, 'U', "12.345", "00000000001234", 0},
        Case{"m3_shifts", us(), 'N', ' ', kM3, 19, 'U', "12.3", "00000000001230", 0},
        Case{"m3_no_separator", us(), 'N', ' ', kM3, 19, 'U', "123", "00000000000123", 0},
        Case{"m3_minus", us(), 'N', ' ', kM3, 19, 'U', "5-", "0000000000000u", 0},
        Case{"m3_leading_minus", us(), 'N', ' ', kM3, 19, 'U', "-5.00", "0000000000050p", 0},
        Case{"m2_cr", us(), 'N', ' ', kM2, 20, 'U', "5CR", "0000000000000u", 0},
        Case{"m4_db_positive", us(), 'N', ' ', kM4, 20, 'U', "5DB", "00000000000005", 0},
        Case{"m3_displayed_form", us(), 'N', ' ', kM3, 19, 'U', "      1,234.56-", "0000000012345v",
             0},
        Case{"m6_currency_skipped", us(), 'N', ' ', kM6, 20, 'U', "  $1,234.56CR", "000000012345v",
             0},
        Case{"minus_between_digits", us(), 'N', ' ', kM79, 11, 'U', "123-45-6789", "123456789", 0},
        Case{"negative_zero_is_zero", us(), 'N', ' ', kM3, 19, 'U', "0.00-", "00000000000000", 0},
        Case{"junk_skipped", us(), 'N', ' ', kM3, 19, 'U', "1x2?3", "00000000000123", 0},
        Case{"overflow", us(), 'N', ' ', "ZZ9", 4, 'U', "1000", "###", 31},
        Case{"overflow_after_shift", us(), 'N', ' ', "Z9.99", 5, 'U', "100.0", "###", 31},
        Case{"fits_after_truncation", us(), 'N', ' ', "Z9.99", 5, 'U', "12.3456", "1234", 0},
        Case{"continental", continental(), 'N', ' ', "ZZZ.ZZZ.ZZ9,99-", 15, 'U', "1.234,5-",
             "0000012345p", 0},
        // Date entry: "/" closes a group of digits.
        Case{"mode4_groups", us(), 'N', ' ', kM75, 8, 'U', "1/2/99", "010299", 0, '4'},
        Case{"mode5_full", us(), 'N', ' ', kM75, 8, 'U', "12/31/99", "123199", 0, '5'},
        Case{"mode_off_no_groups", us(), 'N', ' ', kM75, 8, 'U', "1/2/99", "001299", 0},
        Case{"date_mask_groups", us(), 'D', ' ', "/", 10, 'U', "1/2/2024", "01022024", 0, '4'},
        Case{"date_country_separator_groups", continental(), 'D', ' ', " ", 10, 'U', "1.2.2024",
             "01022024", 0, '4'},
        // Character masks.
        Case{"char_insertions_dropped", us(), 'C', ' ', kM76, 8, 'U', "12-34-56", "123456  ", 0},
        Case{"char_blank_at_insertion", us(), 'C', ' ', kM76, 8, 'U', "12 34-56", "123456  ", 0},
        Case{"char_blank_data_kept", us(), 'C', ' ', kM76, 8, 'U', "1 -34-56", "1 3456  ", 0},
        Case{"char_pair_dropped", us(), 'C', ' ', "  &&  ", 5, 'U', "AB CD", "ABCD ", 0},
        Case{"justify_c_keeps_centre", us(), 'C', 'c', kBlank, 6, 'U', "  AB  ", "  AB  ", 0},
        Case{"justify_C_left", us(), 'C', 'C', kBlank, 6, 'U', "  AB  ", "AB    ", 0},
        Case{"justify_r_keeps_right", us(), 'C', 'r', kBlank, 6, 'U', "    AB", "    AB", 0},
        Case{"justify_R_left", us(), 'C', 'R', kBlank, 6, 'U', "    AB", "AB    ", 0},
        Case{"justify_l_left", us(), 'C', 'l', kBlank, 6, 'U', "  AB  ", "AB    ", 0}),
    name_of);

TEST(ScrMask, DataLengthOfThePartInUse) {
  pin_country(us());
  struct {
    std::string mask;
    int width;
    int data_length;
  } cases[] = {
      {kM3, 10, 7},    // last ten characters
      {kM6, 10, 5},    // one currency position is the symbol's own
      {kM10, 20, 13},  // the text begins with the currency symbol
      {kM3, 8, 6},     // leftmost character taken is the thousands separator
      {kM1, 22, 18},   // never more than 18
      {kM80, 14, 10},  // "&&" is one display position
      {"-", 1, 0},
  };
  for (const auto& c : cases) {
    auto rec = record('N', ' ', c.mask);
    Result r = run(rec, c.width, 'D', std::string(18, '0'));
    EXPECT_EQ(r.req.data_length, c.data_length) << c.mask << " at " << c.width;
    // Asked without converting, the same answer.
    EXPECT_EQ(data_length(make_request(rec.data(), c.width, 'U')), c.data_length);
  }
  // Dates take the picture for the field's length; hexadecimal display
  // half the display length; character masks the display length.
  auto date = record('D', ' ', "/");
  EXPECT_EQ(data_length(make_request(date.data(), 10, 'D')), 8);
  EXPECT_EQ(data_length(make_request(date.data(), 8, 'D')), 6);
  MaskRequest hex = make_request(record('C', ' ', "").data(), 9, 'D');
  hex.mode = 'H';
  EXPECT_EQ(data_length(hex), 4);
  EXPECT_EQ(data_length(make_request(record('C', ' ', kM76).data(), 8, 'D')), 8);
}

TEST(ScrMask, NumericValueOfTypedInput) {
  pin_country(us());
  EXPECT_EQ(run(record('N', ' ', kM3), 19, 'U', "5-").req.numeric_value, -5);
  EXPECT_EQ(run(record('N', ' ', kM3), 19, 'U', "1,234.56").req.numeric_value, 123456);
  EXPECT_EQ(run(record('N', ' ', kM3), 19, 'U', "12.3-").req.numeric_value, -1230);
}

TEST(ScrMask, Hexadecimal) {
  pin_country(us());
  auto rec = record('C', ' ', "");
  Result d = run(rec, 4, 'D', "\x4A\x0F", 'H');
  EXPECT_EQ(d.out.substr(0, 5), "4A0F#");
  EXPECT_EQ(d.req.data_length, 2);
  EXPECT_EQ(run(rec, 5, 'D', std::string("\xFF\x00\x01", 3), 'H').out.substr(0, 6), "FF00 #");

  Result u = run(rec, 4, 'U', "4a0F", 'H');
  EXPECT_EQ(u.req.return_code, 0);
  EXPECT_EQ(u.out.substr(0, 3), "\x4A\x0F#");
  Result bad = run(rec, 4, 'U', "4G0F", 'H');
  EXPECT_EQ(bad.req.return_code, kRcOverflow);
  EXPECT_EQ(bad.out.substr(0, 2), "##");  // nothing written
}

// Each convention reads its own negative last digit and writes it back
// the same way; positive values keep plain digits.
TEST(ScrMask, SignConventions) {
  pin_country(us());
  auto rec = record('N', ' ', "ZZZ9-");
  const u8 gnu[20] = {'G'};
  const u8 rm[20] = {'R'};
  const u8 mf[20] = {'M'};
  struct {
    const u8* stub;
    std::string stored;   // what the application holds
    std::string shown;    // on the screen
    std::string written;  // what comes back
  } cases[] = {
      {gnu, "012u", " 125-", "012u"},
      {gnu, "0125", " 125 ", "0125"},
      {gnu, "000p", "   0 ", "0000"},  // negative zero is zero
      {rm, std::string("012\x25", 4), " 125-", "012u"},
      {rm, "012u", " 125-", "012u"},
      {mf, "012N", " 125-", "012N"},
      {mf, "012}", " 120-", "012}"},
      {mf, "012E", " 125 ", "0125"},
      {mf, "012u", " 125-", "012N"},
      {nullptr, "012u", " 125-", "012u"},
  };
  for (const auto& c : cases) {
    Result d = run(rec, 5, 'D', c.stored, ' ', c.stub);
    EXPECT_EQ(d.out.substr(0, 5), c.shown) << c.stored;
    Result u = run(rec, 5, 'U', d.out.substr(0, 5), ' ', c.stub);
    EXPECT_EQ(u.out.substr(0, 4), c.written) << c.stored;
  }
}

TEST(ScrMask, SignConventionFields) {
  MaskRequest r;
  const u8 rm[20] = {'R'};
  set_sign_convention(r, rm);
  EXPECT_EQ(r.compiler, 'R');
  EXPECT_EQ(r.below_negative, 0x1F);
  EXPECT_EQ(r.above_negative, 0x2A);
  EXPECT_EQ(r.negative_bias, 0x10);
  EXPECT_EQ(r.sign_processing, 'p');
  const u8 gnu[20] = {'G', ' ', ' ', ' ', ' ', ' ', '0', '!', '0', ')'};
  set_sign_convention(r, gnu);
  EXPECT_EQ(r.compiler, 'G');
  EXPECT_EQ(r.below_negative, 'p' - 1);
  EXPECT_EQ(r.above_negative, 'y' + 1);
  EXPECT_EQ(r.negative_bias, '0' - 'p');
  EXPECT_EQ(r.below_positive, r.above_positive);  // no positive signed digits
}

// Every GnuCOBOL signed DISPLAY value comes back byte-identical through
// the integer mask of its size.
TEST(ScrMask, GnuCobolSignedRoundTrip) {
  pin_country(us());
  const u8 gnu[20] = {'G'};
  for (int digits = 1; digits <= 18; ++digits) {
    std::string mask(static_cast<std::size_t>(digits - 1), 'Z');
    mask += "9-";
    auto rec = record('N', ' ', mask);
    for (int sample = 0; sample < 40; ++sample) {
      std::string v;
      unsigned seed = static_cast<unsigned>(digits * 7919 + sample * 104729);
      for (int i = 0; i < digits; ++i) {
        seed = seed * 1103515245u + 12345u;
        v += static_cast<char>('0' + (seed >> 16) % 10);
      }
      bool nonzero = v.find_first_not_of('0') != std::string::npos;
      if (sample % 2 && nonzero) v.back() = static_cast<char>(v.back() - '0' + 'p');
      Result d = run(rec, digits + 1, 'D', v, ' ', gnu);
      ASSERT_EQ(d.req.return_code, 0) << v;
      Result u = run(rec, digits + 1, 'U', d.out.substr(0, static_cast<std::size_t>(digits + 1)),
                     ' ', gnu);
      ASSERT_EQ(u.req.return_code, 0) << v;
      EXPECT_EQ(u.out.substr(0, static_cast<std::size_t>(digits)), v);
    }
  }
}

TEST(ScrMask, CountryPinnedAndReset) {
  kv::Country c;
  c.decimal = ',';
  c.thousands = static_cast<char>(0xA0);  // no-break space counts as a space
  c.currency = 'E';
  c.date_sep = '.';
  c.date_order = 1;
  pin_country(c);
  EXPECT_EQ(country_values().decimal, ',');
  EXPECT_EQ(country_values().thousands, ' ');
  EXPECT_EQ(country_values().currency, 'E');
  EXPECT_EQ(country_values().date_order, 1);
  // Fetched once and kept: the request itself never carries the country.
  Result r = run(record('N', ' ', "ZZ9,99"), 6, 'D', "12345");
  EXPECT_EQ(r.out.substr(0, 6), "123,45");

  setenv("LC_ALL", "C", 1);
  reset_country();
  EXPECT_EQ(country_values().decimal, '.');
  EXPECT_EQ(country_values().currency, '$');
  EXPECT_EQ(country_values().date_order, 0);
}

// Malformed masks, lengths and buffers give a return code or a result and
// stay inside the record and the buffers (the sanitizer build checks the
// bounds; here the buffers are exact-size heap blocks).
TEST(ScrMask, HostileInput) {
  pin_country(us());
  std::vector<std::array<u8, kMaskRecordSize>> masks;
  masks.push_back(record('N', ' ', std::string(80, '9'), false));  // no terminator
  masks.push_back(record('N', ' ', std::string(80, '$'), false));
  masks.push_back(record('N', '*', std::string(79, 'Z') + "-"));
  masks.push_back(record('N', ' ', "CRDB"));                       // only sign symbols
  masks.push_back(record('N', ' ', std::string(40, '&'), false));  // only insertions
  masks.push_back(record('N', ' ', ""));
  masks.push_back(record('D', ' ', ""));
  masks.push_back(record('C', 'c', std::string(80, '&'), false));
  masks.push_back(record('X', 0, std::string(80, 0), false));
  const int widths[] = {-5, 0, 1, 79, 80, 81, 160, 161, 32767};
  const char dirs[] = {'D', 'd', 'U', 'x'};
  const char modes[] = {' ', 'H', '4', '5'};
  std::string junk;
  for (int i = 0; i < 160; ++i) junk += static_cast<char>((i * 37) & 0xFF);
  for (const auto& m : masks) {
    for (int w : widths) {
      for (char d : dirs) {
        for (char mode : modes) {
          MaskRequest r = make_request(m.data(), 0, d);
          r.display_length = static_cast<std::int16_t>(w);
          r.mode = mode;
          std::unique_ptr<u8[]> value(new u8[kBufferSize]);
          std::unique_ptr<u8[]> display(new u8[kBufferSize]);
          std::memcpy(value.get(), junk.data(), kBufferSize);
          std::memcpy(display.get(), junk.data(), kBufferSize);
          SCRMASK(r, value.get(), display.get(), nullptr);
          EXPECT_TRUE(r.return_code == 0 || r.return_code == 20 || r.return_code == 24 ||
                      r.return_code == 31)
              << r.return_code;
          EXPECT_GE(r.data_length, 0);
          EXPECT_LE(r.data_length, 80);
          EXPECT_LE(r.mask_length, 80);
        }
      }
    }
  }
}

TEST(ScrMask, TraceLines) {
  char dir[] = "/tmp/kv_mask_traceXXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  setenv("KORVEXAN_LOGDIR", dir, 1);
  pin_country(us());  // the next call writes the country values again
  Result first = run(record('N', ' ', kM3), 10, 'D', "0001234");  // registers the module
  int index = kv::modules().find("SCRMASK");
  ASSERT_GE(index, 0);
  kv::modules().set_trace(index, 'L');
  pin_country(us());
  run(record('N', ' ', kM3), 10, 'D', "000123t");
  run(record('N', ' ', kM3), 19, 'U', "12.3-");
  kv::modules().set_trace(index, ' ');

  std::ifstream in(std::string(dir) + "/KORVEXAN.LOG");
  std::stringstream text;
  text << in.rdbuf();
  std::string log = text.str();
  for (const char* needle :
       {"Decimal  Sep", "Thousand Sep", "Currency Symbol", "Date Format",      "MMDDYY",
        "Time Sep",     "Compiler",     "Negative Bias",   "Below negative",   "Sign processing",
        "Micro Focus",  "Enter (D)",    "Negative digit!", "To Display",       "    12.34-",
        "Enter (U)",    "To User",      "0000000000123p",  "Setting Sign Bit", "Returning (0)"}) {
    EXPECT_NE(log.find(needle), std::string::npos) << needle;
  }
  // The country values are written once, not on every call.
  std::size_t first_at = log.find("Decimal  Sep");
  EXPECT_EQ(log.find("Decimal  Sep", first_at + 1), std::string::npos);
  std::filesystem::remove_all(dir);
  unsetenv("KORVEXAN_LOGDIR");
}

}  // namespace
}  // namespace kv::mask
