#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "runtime/utilities/bytes.h"
#include "runtime/utilities/codepage.h"
#include "runtime/utilities/data_utils.h"

namespace {

std::string hex(const std::uint8_t* p, std::size_t n) {
  static const char* d = "0123456789ABCDEF";
  std::string s;
  for (std::size_t i = 0; i < n; ++i) {
    s += d[p[i] >> 4];
    s += d[p[i] & 15];
  }
  return s;
}

TEST(Bits, PackTreatsEveryNonZeroByteAsOne) {
  struct Case {
    std::uint8_t bits[8];
    std::uint8_t byte;
  } cases[] = {
      {{'1', '0', '0', '0', '0', '0', '0', '1'}, 0xFF},  // characters, not X'00'
      {{1, 0, 0, 0, 0, 0, 0, 1}, 0x81},
      {{0, 0, 0, 0, 0, 0, 0, 0}, 0x00},
      {{0, 1, 0, 1, 0, 1, 0, 1}, 0x55},
  };
  for (auto& c : cases) {
    std::uint8_t out = 0x42;
    SKR_BIBY(&out, c.bits);
    EXPECT_EQ(out, c.byte);
  }
}

TEST(Bits, UnpackWritesZeroAndOneBytes) {
  std::uint8_t byte = 0x81, bits[8];
  std::memset(bits, 'x', 8);
  SKR_BYBI(&byte, bits);
  EXPECT_EQ(hex(bits, 8), "0100000000000001");
  for (int v = 0; v < 256; ++v) {  // round trip for every value
    std::uint8_t b = static_cast<std::uint8_t>(v), back = 0;
    SKR_BYBI(&b, bits);
    SKR_BIBY(&back, bits);
    EXPECT_EQ(back, v);
  }
}

TEST(AndTest, EveryBitOfTheMaskMustBeSet) {
  struct Case {
    std::uint32_t a, b;
    char result;
  } cases[] = {{7, 7, '1'}, {5, 4, '1'}, {4, 6, '0'}, {0, 0, '1'}, {9, 0, '1'},
               {0x80000000u, 0x80000001u, '0'}};
  for (auto& c : cases) {
    std::uint8_t a[4], b[4], r = 0;
    kv::put_u32(a, c.a);
    kv::put_u32(b, c.b);
    SXR_ANDT(a, b, &r);
    EXPECT_EQ(r, c.result) << c.a << " & " << c.b;
  }
}

TEST(Ebcdic, TableExceptionsAndTrailingSign) {
  std::uint8_t text[] = {'A', 'B', 'C', '-', '1'};
  kv::ascii_to_ebcdic(text, 5, 'Y');
  EXPECT_EQ(hex(text, 5), "C1C2C360C1");

  // A negative trailing digit (X'20'-X'29') becomes X'D0'-X'D9' and back.
  std::uint8_t neg[] = {'1', 0x25};
  kv::ascii_to_ebcdic(neg, 2, 'Y');
  EXPECT_EQ(hex(neg, 2), "F1D5");
  kv::ebcdic_to_ascii(neg, 2, 'Y');
  EXPECT_EQ(hex(neg, 2), "3125");

  // "^" goes out as X'5F' and comes back as "~"; the brackets survive.
  std::uint8_t odd[] = {'^', '[', ']', '`'};
  kv::ascii_to_ebcdic(odd, 4, 'N');
  EXPECT_EQ(hex(odd, 4), "5FADBD7D");
  kv::ebcdic_to_ascii(odd, 4, 'N');
  EXPECT_EQ(std::string(odd, odd + 4), "~[]'");  // X'7D' reads back as a quote

  // High ASCII has no EBCDIC counterpart; unknown EBCDIC codes read as spaces.
  std::uint8_t high[] = {0x9C, 0x41};
  kv::ascii_to_ebcdic(high, 1, 'N');
  EXPECT_EQ(high[0], 0x00);
  std::uint8_t e[] = {0xA1, 0xB0, 0x4A, 0x9A, 0x21};
  kv::ebcdic_to_ascii(e, 5, 'N');
  EXPECT_EQ(hex(e, 5), "20207E5E1B");
}

TEST(Ebcdic, LettersAndDigitsRoundTrip) {
  std::string all = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 .,;:-+*/()";
  std::string t = all;
  auto* p = reinterpret_cast<std::uint8_t*>(t.data());
  kv::ascii_to_ebcdic(p, static_cast<int>(t.size()), 'N');
  EXPECT_NE(t, all);
  kv::ebcdic_to_ascii(p, static_cast<int>(t.size()), 'N');
  EXPECT_EQ(t, all);
}

TEST(CaseConversion, MapsScreenBytesAndIgnoresTheLengthSign) {
  std::uint8_t text[] = {'a', 'b', 0x82 /* e acute */, '1', 'z'};
  std::uint8_t len[2];
  kv::put_s16(len, -4);  // only the first four characters
  SKR_CASU(text, len);
  EXPECT_EQ(hex(text, 5), "414290317A");  // 0x90 is capital E acute in CP437
  kv::put_s16(len, 5);
  SKR_CASL(text, len);
  EXPECT_EQ(hex(text, 5), "616282317A");
}

TEST(Classification, LettersDigitsAndOthers) {
  struct Case {
    std::uint8_t ch;
    char kind;
  } cases[] = {{'A', 'A'}, {'z', 'A'}, {0x81 /* u umlaut */, 'A'}, {'5', 'N'},
               {' ', '0'}, {'-', '0'}, {0x01, '0'}, {0xC4 /* box line */, '0'}};
  for (auto& c : cases) {
    std::uint8_t r = 0;
    SXR_TAN(&r, &c.ch);
    EXPECT_EQ(r, c.kind) << int(c.ch);
  }
}

TEST(Readability, UnreadableStorageReportsLengthZero) {
  std::uint8_t buf[16] = {};
  void* addr = buf;
  std::uint8_t len[2];
  kv::put_u16(len, 16);
  SXR_LSL(&addr, len);
  EXPECT_EQ(kv::get_u16(len), 16);
  void* bad = reinterpret_cast<void*>(16);  // the first page is never mapped
  kv::put_u16(len, 4);
  SXR_LSL(&bad, len);
  EXPECT_EQ(kv::get_u16(len), 0);
  void* null = nullptr;
  kv::put_u16(len, 4);
  SXR_LSL(&null, len);
  EXPECT_EQ(kv::get_u16(len), 0);
}

TEST(Environment, ValueIsSpaceFilledAndNameEndsAtNul) {
  setenv("KV_TEST_VALUE", "hello", 1);
  std::uint8_t value[121];
  SKR_ENVG(reinterpret_cast<const std::uint8_t*>("KV_TEST_VALUE\0garbage"), value);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(value), 121), kv::padded("hello", 121));
  unsetenv("KV_TEST_VALUE");
  SKR_ENVG(reinterpret_cast<const std::uint8_t*>("KV_TEST_VALUE"), value);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(value), 121), std::string(121, ' '));
}

TEST(Country, RecordLayoutAndNoBreakSpace) {
  kv::Country c;
  c.date_order = 1;
  c.currency = static_cast<char>(0x9C);
  c.thousands = static_cast<char>(0xA0);
  c.decimal = ',';
  c.date_sep = '.';
  c.time_sep = ':';
  std::uint8_t rec[34];
  std::memset(rec, 0x55, sizeof rec);
  kv::fill_country_record(c, rec);
  EXPECT_EQ(hex(rec, 15), "01009C0000000020002C002E003A00");
  for (int i = 15; i < 34; ++i) EXPECT_EQ(rec[i], 0);
}

TEST(Country, CLocaleGivesTheUnitedStatesValues) {
  const char* saved = getenv("LC_ALL");
  std::string keep = saved ? saved : "";
  setenv("LC_ALL", "C", 1);
  kv::Country c = kv::country_from_locale();
  if (saved) setenv("LC_ALL", keep.c_str(), 1);
  else unsetenv("LC_ALL");
  EXPECT_EQ(c.currency, '$');
  EXPECT_EQ(c.thousands, ',');
  EXPECT_EQ(c.decimal, '.');
  EXPECT_EQ(c.date_sep, '/');
  EXPECT_EQ(c.time_sep, ':');
  EXPECT_EQ(c.date_order, 0);
}

TEST(TimeOfDay, FieldsAreInRange) {
  std::uint8_t rec[8];
  SXR_TOD(rec);
  EXPECT_LT(kv::get_u16(rec), 24);
  EXPECT_LT(kv::get_u16(rec + 2), 60);
  EXPECT_LT(kv::get_u16(rec + 4), 61);
  EXPECT_LT(kv::get_u16(rec + 6), 100);
}

TEST(CodePage, Utf8RoundTripOfEveryGlyph) {
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  std::string utf8 = kv::to_utf8(all);
  std::string back = kv::from_utf8(utf8);
  // Bytes below X'20' come back as the graphic symbols' bytes, not as
  // control characters, because the glyphs are what the screen shows.
  EXPECT_EQ(back, all);
  EXPECT_EQ(kv::to_utf8(std::string(1, static_cast<char>(0xC9))), "\u2554");
  EXPECT_EQ(kv::from_utf8("\xE2\x82\xAC"), "?");  // no euro sign in CP437
  EXPECT_EQ(kv::from_utf8("\xC3"), "?");          // truncated sequence
}

}  // namespace
