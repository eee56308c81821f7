#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "runtime/utilities/bytes.h"
#include "runtime/utilities/panel_areas.h"

namespace {

using kv::u8;

// A WORK-D with `n` fields (tab order given by `order`) and validation
// records after a run of X'FF'.
std::vector<u8> make_work_d(int n, const std::vector<int>& order, std::vector<u8> trailer,
                            int default_field) {
  std::vector<u8> d(16 + 16 * static_cast<std::size_t>(n), 0);
  kv::put_u16(d.data(), static_cast<std::uint16_t>(n));
  d[6] = 'B';
  kv::put_u16(d.data() + 7, static_cast<std::uint16_t>(default_field));
  for (std::size_t k = 0; k < order.size(); ++k) {
    int f = order[k];
    int prev = order[(k + order.size() - 1) % order.size()];
    int next = order[(k + 1) % order.size()];
    u8* p = d.data() + 16 + 16 * (f - 1);
    p[0] = static_cast<u8>(f + 2);  // row
    p[1] = 17;                       // column
    kv::put_u16(p + 12, static_cast<std::uint16_t>(prev));
    kv::put_u16(p + 14, static_cast<std::uint16_t>(next));
  }
  d.insert(d.end(), trailer.begin(), trailer.end());
  return d;
}

std::vector<u8> record(u8 row, u8 col, const std::string& values) {
  std::vector<u8> r = {row, col, ',', '-'};
  for (char c : values) r.push_back(static_cast<u8>(c));
  r.push_back(0);
  return r;
}

TEST(PanelRecord, FixedPortionOffsets) {
  std::vector<u8> p(316 + 8 + 10, 0);
  std::memcpy(p.data(), "ORDERS  ", 8);
  kv::put_u16(p.data() + 8, 2);
  p[10] = '8';
  kv::put_s16(p.data() + 232, -3);
  kv::put_u16(p.data() + 316 + 4 + 1, 0x1F);
  p[316 + 4 + 3] = 'P';
  kv::PanelRecord r(p.data());
  EXPECT_EQ(r.name(), "ORDERS  ");
  EXPECT_EQ(r.numb_of_fields(), 2);
  EXPECT_TRUE(r.is_window());
  EXPECT_EQ(r.offset_row(), -3);
  EXPECT_EQ(r.field_color(2), 0x1F);
  EXPECT_TRUE(kv::option_protects(r.field_option(2)));
  r.set_exit_key(-5);
  EXPECT_EQ(kv::get_s16(p.data() + 184), -5);
  // Data offset 1-based from the variable portion.
  EXPECT_EQ(r.data_at(9), p.data() + 316 + 8);
}

TEST(WorkD, DescriptorFieldsAndOptionBits) {
  auto d = make_work_d(1, {1}, {0xFF, 0x00}, 1);
  u8* f = d.data() + 16;
  f[2] = 10;
  f[3] = 0x11;
  f[4] = '1';
  kv::put_u16(f + 5, 5);
  f[7] = 3;
  f[8] = 0x80 | 0x01;
  f[9] = 0x20 | 0x01;
  f[10] = 0x80 | 0x10;
  kv::WorkD w(d.data(), d.size());
  auto fd = w.descriptor(1);
  EXPECT_EQ(fd.length, 10);
  EXPECT_EQ(fd.data_offset, 5);
  EXPECT_EQ(fd.mask, 3);
  EXPECT_TRUE(fd.caret_off());
  EXPECT_TRUE(fd.hot_field());
  EXPECT_TRUE(fd.clear_first());
  EXPECT_TRUE(fd.must_valid());
  EXPECT_TRUE(fd.required());
  EXPECT_TRUE(fd.blank_if_zero());
  EXPECT_FALSE(fd.predisplay());
  EXPECT_TRUE(fd.hidden());  // blue on blue
  fd.type = 'S';
  EXPECT_FALSE(fd.hidden());  // selectors show their data
  fd.type = '1';
  fd.attr = 0x91;  // blink bit set: still blue on blue
  EXPECT_TRUE(fd.hidden());
  fd.attr = 0x17;
  EXPECT_FALSE(fd.hidden());
}

TEST(WorkD, TabRingStartsAtTheDefaultFieldAndSurvivesBrokenLinks) {
  auto d = make_work_d(4, {1, 3, 2, 4}, {0xFF, 0x00}, 3);
  kv::WorkD w(d.data(), d.size());
  EXPECT_EQ(w.tab_ring(), (std::vector<int>{3, 2, 4, 1}));
  // A link out of range ends the walk instead of reading past the area.
  kv::put_u16(d.data() + 16 + 16 * 1 + 14, 99);  // field 2's next
  EXPECT_EQ(w.tab_ring(), (std::vector<int>{3, 2}));
  // A cycle that does not return to the start is walked once.
  kv::put_u16(d.data() + 16 + 16 * 1 + 14, 3);
  EXPECT_EQ(w.tab_ring(), (std::vector<int>{3, 2}));
}

TEST(WorkD, ValidationLookupFoundMissingAndResumed) {
  std::vector<u8> trailer = {0xFF, 0xFF};
  for (auto& r : {record(3, 17, "A0000000-ZZZZZZZZ"), record(4, 17, "25,43,50"),
                  record(9, 2, "X")})
    trailer.insert(trailer.end(), r.begin(), r.end());
  trailer.push_back(0xFF);
  auto d = make_work_d(2, {1, 2}, trailer, 1);
  kv::WorkD w(d.data(), d.size());
  auto v = w.find_validation(4, 17);
  ASSERT_TRUE(v);
  EXPECT_EQ(v->values, "25,43,50");
  EXPECT_EQ(v->separator, ',');
  EXPECT_EQ(v->range, '-');
  EXPECT_FALSE(w.find_validation(4, 18));  // between records
  EXPECT_FALSE(w.find_validation(20, 1));  // past the last
  kv::WorkD::Cursor cur;
  EXPECT_TRUE(w.find_validation(3, 17, &cur));
  EXPECT_TRUE(w.find_validation(9, 2, &cur));   // resumes forward
  EXPECT_TRUE(w.find_validation(3, 17, &cur));  // restarts when behind
}

TEST(WorkD, MalformedTrailerNeverReadsPastTheLimit) {
  // A record without its closing X'00' inside the area.
  std::vector<u8> trailer = {0xFF, 3, 17, ',', '-', 'A', 'B'};
  auto d = make_work_d(1, {1}, trailer, 1);
  kv::WorkD w(d.data(), d.size());
  EXPECT_FALSE(w.find_validation(3, 17));
  // Only X'FF' up to the end.
  auto e = make_work_d(1, {1}, {0xFF, 0xFF}, 1);
  EXPECT_FALSE(kv::WorkD(e.data(), e.size()).find_validation(3, 17));
  // No validation data at all.
  auto f = make_work_d(1, {1}, {0xFF, 0x00}, 1);
  EXPECT_FALSE(kv::WorkD(f.data(), f.size()).find_validation(3, 17));
}

TEST(WorkS, FormatsItemsAndLimits) {
  // "B" format: items from offset 20 (1-based), size code 3, window 18x40.
  std::vector<u8> s(19, ' ');
  s[0] = 0x1F;
  s[1] = 'B';
  kv::put_u16(s.data() + 2, 18);
  kv::put_u16(s.data() + 4, 40);
  s[6] = 20;
  s[7] = 3;
  s[8] = 1;
  std::vector<u8> items = {5, 2, 3, 0x1E, 'H', 'e', 'l', 'l', 'o', 0xFE, 1, 1, 0x07, 0xC4, 0xFF, 0};
  s.insert(s.end(), items.begin(), items.end());
  kv::WorkS w(s.data(), s.size());
  EXPECT_EQ(w.window_height(), 18);
  EXPECT_EQ(w.window_width(), 40);
  EXPECT_EQ(w.size_code(), 3);
  auto it = w.items(80);
  auto a = it.next();
  EXPECT_EQ(a.kind, kv::StaticItem::Text);
  EXPECT_EQ(a.text, "Hello");
  EXPECT_EQ(a.row, 2);
  EXPECT_EQ(a.attr, 0x1E);
  auto b = it.next();
  EXPECT_EQ(b.kind, kv::StaticItem::Repeat);
  EXPECT_EQ(b.count, 174);  // X'FE' on an 80-column screen
  EXPECT_EQ(static_cast<u8>(b.text[0]), 0xC4);
  EXPECT_EQ(it.next().kind, kv::StaticItem::End);

  // On a 40-column screen the same length byte repeats L - 40 times.
  auto it40 = w.items(40);
  it40.next();
  EXPECT_EQ(it40.next().count, 0xFE - 40);

  // An "A" area starts its items at offset 6 and reads no window size.
  std::vector<u8> old = {0x07, 'A', 9, 9, 1, 1, 'X', 1, 1, 0x07, 'Q', 0xFF};
  kv::WorkS wa(old.data(), old.size());
  EXPECT_EQ(wa.window_height(), 0);
  EXPECT_EQ(wa.size_code(), 1);
  EXPECT_EQ(wa.items(80).next().text, "Q");
  // Truncated item: stops at the limit.
  std::vector<u8> cut = {0x07, 'A', 0, 0, 0, 0, 10, 1, 1, 0x07, 'a', 'b'};
  EXPECT_EQ(kv::WorkS(cut.data(), cut.size()).items(80).next().kind, kv::StaticItem::End);
}

TEST(CodeSet, ConvertsOnlyTheListedRanges) {
  std::vector<u8> p(316 + 4 * 2, 0);
  std::memcpy(p.data(), "ABCDEFGH", 8);
  p[10] = '3';
  std::memset(p.data() + 17, 'm', 80);
  std::memset(p.data() + 97, 'x', 80);
  p[181] = 'Y';
  p[184] = 'Z';  // exit key: binary, not converted
  p[316] = 'E';
  p[316 + 3] = 'P';
  std::vector<u8> before = p;
  kv::PanelRecord r(p.data());
  kv::convert_fixed_portion(r, false);
  kv::convert_attribute_flags(r, 2, false);
  EXPECT_EQ(p[0], 0xC1);
  EXPECT_EQ(p[10], 0xF3);
  EXPECT_EQ(p[181], 0xE8);
  EXPECT_EQ(p[184], 'Z');
  EXPECT_EQ(p[316], 0xC5);
  EXPECT_EQ(p[316 + 3], 0xD7);
  kv::convert_fixed_portion(r, true);
  kv::convert_attribute_flags(r, 2, true);
  EXPECT_EQ(p, before);
}

}  // namespace
