#include "runtime/utilities/panel_areas.h"

#include "runtime/utilities/data_utils.h"

namespace kv {

FieldDescriptor WorkD::descriptor(int n) const {
  const u8* d = descriptor_bytes(n);
  FieldDescriptor f;
  f.row = d[0];
  f.col = d[1];
  f.length = d[2];
  f.attr = d[3];
  f.type = d[4];
  f.data_offset = get_u16(d + 5);
  f.mask = d[7];
  f.opt1 = d[8];
  f.opt2 = d[9];
  f.opt3 = d[10];
  f.prev = get_u16(d + 12);
  f.next = get_u16(d + 14);
  return f;
}

std::vector<int> WorkD::tab_ring() const {
  std::vector<int> ring;
  int count = field_count();
  if (count == 0) return ring;
  int start = default_cursor_field();
  if (start < 1 || start > count) start = 1;
  std::vector<bool> seen(static_cast<std::size_t>(count) + 1, false);
  int n = start;
  while (n >= 1 && n <= count && !seen[static_cast<std::size_t>(n)]) {
    seen[static_cast<std::size_t>(n)] = true;
    ring.push_back(n);
    n = get_u16(descriptor_bytes(n) + 14);
  }
  return ring;
}

std::optional<std::size_t> WorkD::trailer_offset() const {
  std::size_t pos = kHeader + static_cast<std::size_t>(field_count()) * kDescriptor;
  if (pos >= limit_ || p_[pos] != 0xFF) return pos < limit_ ? std::optional<std::size_t>(pos) : std::nullopt;
  while (pos < limit_ && p_[pos] == 0xFF) ++pos;
  if (pos >= limit_) return std::nullopt;
  return pos;
}

std::optional<ValidationRecord> WorkD::find_validation(u8 row, u8 col, Cursor* cursor) const {
  std::size_t pos;
  if (cursor && cursor->offset > 0) {
    pos = cursor->offset;
    // Resume only when the wanted field sorts at or after the record there.
    if (pos + 1 < limit_ && p_[pos] != 0xFF &&
        (p_[pos] > row || (p_[pos] == row && p_[pos + 1] > col))) {
      auto start = trailer_offset();
      if (!start) return std::nullopt;
      pos = *start;
    }
  } else {
    auto start = trailer_offset();
    if (!start) return std::nullopt;
    pos = *start;
  }
  while (pos < limit_) {
    u8 r = p_[pos];
    if (r == 0xFF || r == 0x00) return std::nullopt;  // end of the list
    if (pos + 4 > limit_) return std::nullopt;
    u8 c = p_[pos + 1];
    // Find the X'00' that closes the record's value list.
    std::size_t end = pos + 4;
    while (end < limit_ && end - (pos + 4) <= 70 && p_[end] != 0x00) ++end;
    if (end >= limit_ || p_[end] != 0x00) return std::nullopt;
    if (cursor) cursor->offset = pos;
    if (r == row && c == col) {
      ValidationRecord v;
      v.row = r;
      v.col = c;
      v.separator = p_[pos + 2];
      v.range = p_[pos + 3];
      v.values.assign(reinterpret_cast<const char*>(p_ + pos + 4), end - (pos + 4));
      return v;
    }
    if (r > row || (r == row && c > col)) return std::nullopt;
    pos = end + 1;
  }
  return std::nullopt;
}

WorkS::Iterator::Iterator(const WorkS& s, int screen_columns)
    : s_(s), columns_(screen_columns), pos_(s.first_item_offset()) {}

StaticItem WorkS::Iterator::next() {
  StaticItem item;
  if (pos_ >= s_.limit_) return item;
  u8 len = s_.p_[pos_];
  if (len == 0xFF || len == 0 || pos_ + 4 > s_.limit_) return item;
  item.row = s_.p_[pos_ + 1];
  item.col = s_.p_[pos_ + 2];
  item.attr = s_.p_[pos_ + 3];
  const u8* data = s_.p_ + pos_ + 4;
  if (len <= columns_) {
    if (pos_ + 4 + len > s_.limit_) return StaticItem{};
    item.kind = StaticItem::Text;
    item.text = field(data, len);
    item.count = len;
    pos_ += 4u + len;
  } else {
    if (pos_ + 5 > s_.limit_) return StaticItem{};
    item.kind = StaticItem::Repeat;
    item.text = field(data, 1);
    item.count = len - columns_;
    pos_ += 5;
  }
  return item;
}

ScreenSize screen_size_for_code(int code) {
  switch (code) {
    case 2: return {25, 40};
    case 3: return {43, 80};
    case 4: return {50, 80};
    default: return {25, 80};
  }
}

void convert_fixed_portion(PanelRecord rec, bool to_ascii) {
  // 1-based offset and length of the character fields of the fixed portion.
  static const int ranges[][2] = {{1, 8}, {11, 1}, {18, 80}, {98, 80}, {182, 1},
                                  {187, 26}, {213, 1}, {224, 2}};
  for (const auto& r : ranges) {
    u8* p = rec.data() + r[0] - 1;
    if (to_ascii) ebcdic_to_ascii(p, r[1], 'N');
    else ascii_to_ebcdic(p, r[1], 'N');
  }
}

void convert_attribute_flags(PanelRecord rec, int field_count, bool to_ascii) {
  for (int n = 1; n <= field_count; ++n) {
    u8* a = rec.attribute(n);
    if (to_ascii) {
      ebcdic_to_ascii(a, 1, 'N');
      ebcdic_to_ascii(a + 3, 1, 'N');
    } else {
      ascii_to_ebcdic(a, 1, 'N');
      ascii_to_ebcdic(a + 3, 1, 'N');
    }
  }
}

}  // namespace kv
