// The benchmark's screen: a full 80 x 25 panel with a title, labels on
// every row, 40 fields (30 of them shown through numeric masks) and a menu
// line, built as the four areas of a panel call.  The same screen is
// written as a SCREEN SECTION in screen_bench.cob.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/engine/tables.h"
#include "runtime/utilities/bytes.h"

namespace kvb {

struct BenchPanel {
  std::vector<std::uint8_t> record, work_s, work_d;
  std::uint8_t pass[4] = {};
  static constexpr int kFields = 40;
  // Field n's data (numeric fields: S9(7)V99, 9 characters; text: 10).
  std::uint8_t* data(int n) {
    return record.data() + 316 +
           static_cast<std::size_t>(offsets[static_cast<std::size_t>(n - 1)]) - 1;
  }
  std::vector<int> offsets, lengths;
  // Two sets of values, alternated by set_values() so that every call
  // shows changed data without formatting numbers in the timed loop.
  std::vector<std::uint8_t> values_a, values_b;
  void set_values(int seed) {
    const auto& v = (seed % 2) ? values_a : values_b;
    std::memcpy(record.data() + 316 + 4 * kFields, v.data(), v.size());
  }
  // Computes every field's value from `seed`.
  void compute_values(int seed) {
    for (int n = 1; n <= kFields; ++n) {
      char buf[16];
      if (lengths[static_cast<std::size_t>(n - 1)] == 9)
        std::snprintf(buf, sizeof buf, "%09d", (seed * 7919 + n * 104729) % 1000000000);
      else
        std::snprintf(buf, sizeof buf, "ITEM%02d-%03d", n, seed % 1000);
      std::memcpy(data(n), buf, static_cast<std::size_t>(lengths[static_cast<std::size_t>(n - 1)]));
    }
  }
  // Asks for every field to be painted on the next call.
  void flag_all() {
    for (int n = 1; n <= kFields; ++n) record[316 + static_cast<std::size_t>(n - 1) * 4] = 'R';
  }
};

// Mask 3 of the default table and the 82-byte record of it.
inline void install_bench_masks() {
  auto& t = kv::engine::tables();
  auto& m = t.masks[2];
  m.fill(' ');
  m[0] = 'N';
  const char* text = "ZZZ,ZZZ,ZZZ,ZZ9.99-";
  std::memcpy(m.data() + 2, text, std::strlen(text));
  m[2 + std::strlen(text)] = 0xDD;
  t.masks[0] = m;
  t.masks[1] = m;
  t.mask_count = 3;
}

inline BenchPanel make_bench_panel(char repaint) {
  BenchPanel p;
  const int n = BenchPanel::kFields;
  // Fields: rows 3-22, two per row; the left one of every row and the
  // right one of every other row are numeric through mask 3.
  std::vector<std::uint8_t> descriptors;
  int offset = 4 * n + 1;
  for (int i = 0; i < n; ++i) {
    int row = 3 + i / 2;
    bool left = i % 2 == 0;
    bool numeric = left || (i / 2) % 2 == 0;
    int display = numeric ? 13 : 10;
    int data_len = numeric ? 9 : 10;
    std::uint8_t d[16] = {};
    d[0] = static_cast<std::uint8_t>(row);
    d[1] = static_cast<std::uint8_t>(left ? 16 : 56);
    d[2] = static_cast<std::uint8_t>(display);
    d[3] = 0x1F;
    d[4] = numeric ? '2' : 'A';
    kv::put_u16(d + 5, static_cast<std::uint16_t>(offset));
    d[7] = numeric ? 3 : 0;
    kv::put_u16(d + 12, static_cast<std::uint16_t>(i == 0 ? n : i));
    kv::put_u16(d + 14, static_cast<std::uint16_t>(i + 1 == n ? 1 : i + 2));
    descriptors.insert(descriptors.end(), d, d + 16);
    p.offsets.push_back(offset);
    p.lengths.push_back(data_len);
    offset += data_len;
  }
  p.record.assign(316 + static_cast<std::size_t>(offset), ' ');
  std::memset(p.record.data() + 316, 0, 4 * n);
  std::memcpy(p.record.data(), "BENCH   ", 8);
  kv::put_u16(p.record.data() + 8, static_cast<std::uint16_t>(n));
  p.record[10] = '1';
  kv::put_u16(p.record.data() + 11, 0x70);
  kv::put_u16(p.record.data() + 13, 0x4F);
  kv::put_u16(p.record.data() + 15, 0x30);
  kv::put_padded(p.record.data() + 17, 80, "F1=Help  F2=List  F3=Exit  F5=Save  F10=Menu");
  kv::put_u16(p.record.data() + 177, 0);
  kv::put_u16(p.record.data() + 179, 1);
  p.record[181] = 'N';
  kv::put_u16(p.record.data() + 182, 0);
  p.record[186] = static_cast<std::uint8_t>(repaint);
  std::memset(p.record.data() + 188, ' ', 24);
  p.record[212] = 'C';
  kv::put_s16(p.record.data() + 219, 37);
  kv::put_s16(p.record.data() + 221, 10);
  p.record[223] = '1';
  p.record[224] = '0';
  std::memset(p.record.data() + 225, 0, 91);

  p.work_d.assign(16, ' ');
  kv::put_u16(p.work_d.data(), static_cast<std::uint16_t>(n));
  kv::put_u16(p.work_d.data() + 2, 0);
  kv::put_u16(p.work_d.data() + 4, 0);
  p.work_d[6] = 'B';
  kv::put_u16(p.work_d.data() + 7, 1);
  p.work_d.insert(p.work_d.end(), descriptors.begin(), descriptors.end());
  p.work_d.push_back(0xFF);
  p.work_d.push_back(0x00);

  auto item = [&](int row, int col, std::uint8_t attr, const std::string& text) {
    p.work_s.push_back(static_cast<std::uint8_t>(text.size()));
    p.work_s.push_back(static_cast<std::uint8_t>(row));
    p.work_s.push_back(static_cast<std::uint8_t>(col));
    p.work_s.push_back(attr);
    for (char c : text) p.work_s.push_back(static_cast<std::uint8_t>(c));
  };
  p.work_s = {0x1F, 'B', 0, 0, 0, 0, 20, 1, 1};
  p.work_s.resize(19, ' ');
  item(1, 1, 0x1E,
       "  Benchmark panel: forty fields                                   Order Entry  ");
  p.work_s.insert(p.work_s.end(), {static_cast<std::uint8_t>(80 + 80), 2, 1, 0x17, '-'});
  for (int r = 3; r <= 22; ++r) {
    item(r, 2, 0x1F, "Amount " + std::to_string(r - 2));
    item(r, 42, 0x1F, "Value " + std::to_string(r - 2));
  }
  p.work_s.insert(p.work_s.end(), {static_cast<std::uint8_t>(80 + 80), 23, 1, 0x17, '-'});
  p.work_s.push_back(0xFF);
  const std::size_t user = 316 + 4 * static_cast<std::size_t>(n);
  p.compute_values(1);
  p.values_a.assign(p.record.begin() + static_cast<std::ptrdiff_t>(user), p.record.end());
  p.compute_values(2);
  p.values_b.assign(p.record.begin() + static_cast<std::ptrdiff_t>(user), p.record.end());
  p.set_values(1);
  return p;
}

}  // namespace kvb
