#include "editor/library/library_records.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "runtime/utilities/bytes.h"

namespace kv::editor::lib {

namespace {

Key make_key(std::string_view name, char kind, std::string_view rest4) {
  Key k;
  kv::put_padded(k.data(), kNameLength, name);
  k[8] = static_cast<u8>(kind);
  kv::put_padded(k.data() + 9, 4, rest4);
  return k;
}

std::span<u8> checked(std::span<u8> bytes, std::size_t need, const char* what) {
  if (bytes.size() < need) throw std::length_error(std::string(what) + " record too short");
  return bytes;
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

RecordFileOptions library_file_options() {
  RecordFileOptions o;
  o.key_length = kKeyLength;
  o.max_record = kMaxRecord;
  return o;
}

Key header_key(std::string_view name) { return make_key(name, kHeaderKind, "    "); }
Key image_key(std::string_view name, char line_kind, int row) {
  return make_key(name, kImageKind, std::string(1, line_kind) + digits(row, 2) + " ");
}
Key field_key(std::string_view name, int row, int column) {
  return make_key(name, kFieldKind, digits(row, 2) + digits(column, 2));
}
Key validation_key(std::string_view name, int row, int column) {
  return make_key(name, kValidationKind, digits(row, 2) + digits(column, 2));
}
Key panel_end_key(std::string_view name) { return make_key(name, kValidationKind, "9999"); }

std::string record_name(std::span<const u8> record) {
  std::string s(kNameLength, ' ');
  for (std::size_t i = 0; i < kNameLength && i < record.size(); ++i)
    s[i] = static_cast<char>(record[i]);
  return s;
}

char record_kind(std::span<const u8> record) {
  return record.size() > 8 ? static_cast<char>(record[8]) : ' ';
}

std::string padded_name(std::string_view name) { return kv::padded(name, kNameLength); }

std::optional<int> digits_value(std::string_view d) {
  if (d.empty()) return std::nullopt;
  int v = 0;
  for (char c : d) {
    if (!is_digit(c)) return std::nullopt;
    v = v * 10 + (c - '0');
  }
  return v;
}

std::string digits(int value, int width) {
  if (value < 0) value = 0;
  std::string s(static_cast<std::size_t>(width), '0');
  for (int i = width - 1; i >= 0 && value > 0; --i, value /= 10)
    s[static_cast<std::size_t>(i)] = static_cast<char>('0' + value % 10);
  return s;
}

std::optional<u8> attribute_of(char background, std::string_view foreground2) {
  if (background < '0' || background > '7' || foreground2.size() != 2) return std::nullopt;
  auto fg = digits_value(foreground2);
  if (!fg || *fg > 31) return std::nullopt;
  int bg = background - '0';
  int attr = *fg < 16 ? bg * 16 + *fg : bg * 16 + 128 + (*fg - 16);
  return static_cast<u8>(attr);
}

std::optional<u8> attribute_of_triple(std::string_view bff) {
  if (bff.size() != 3) return std::nullopt;
  return attribute_of(bff[0], bff.substr(1));
}

std::string triple_of(u8 attribute) {
  int bg = (attribute >> 4) & 7;
  int fg = (attribute & 15) + ((attribute & 128) ? 16 : 0);
  return std::string(1, static_cast<char>('0' + bg)) + digits(fg, 2);
}

std::string RecordView::text(std::size_t off, std::size_t len) const {
  return std::string(reinterpret_cast<const char*>(b_.data() + off), len);
}
void RecordView::set_text(std::size_t off, std::size_t len, std::string_view v) {
  kv::put_padded(b_.data() + off, len, v);
}
std::optional<int> RecordView::number(std::size_t off, std::size_t len) const {
  return digits_value(text(off, len));
}
void RecordView::set_number(std::size_t off, std::size_t len, int v) {
  set_text(off, len, digits(v, static_cast<int>(len)));
}

HeaderView::HeaderView(std::span<u8> bytes) : RecordView(checked(bytes, kHeaderLength, "header")) {}

std::optional<u8> HeaderView::base_attribute() const { return attribute_of_triple(text(47, 3)); }

u8 HeaderView::copybook_flags() const {
  char v = version();
  return (v == 'A' || v == 'B') ? b_[199] : 0;
}

std::array<u8, kHeaderLength> new_header(std::string_view name) {
  std::array<u8, kHeaderLength> h;
  h.fill(' ');
  HeaderView v(h);
  v.set_name(name);
  v.set_spec_marker('C');
  v.set_field_count(0);
  v.set_base_colour("007");
  v.set_active_colour("700");
  v.set_error_colour("414");
  v.set_menu_colour("007");
  v.set_home_field(1);
  v.set_complete('N');
  v.set_window_panel('N');
  h[64] = 'N';
  v.set_transparent('@');
  v.set_border_colour(0);
  v.set_present_beep_frequency(3000);
  v.set_present_beep_duration(5);
  v.set_error_beep_frequency(200);
  v.set_error_beep_duration(10);
  v.set_save_date("000000");
  v.set_cursor_type('1');
  v.set_copybook_current('N');
  v.set_quote('\'');
  v.set_version('B');
  v.set_indicator('0');
  v.set_copybook_flags(0x90);
  return h;
}

ImageLineView::ImageLineView(std::span<u8> bytes)
    : RecordView(checked(bytes, kImageLineLength, "image line")) {}

std::array<u8, kImageLineLength> make_image_line(std::string_view name, char line_kind, int row,
                                                 std::span<const u8> cells80) {
  std::array<u8, kImageLineLength> r;
  Key k = image_key(name, line_kind, row);
  std::copy(k.begin(), k.end(), r.begin());
  std::fill(r.begin() + kKeyLength, r.end(), ' ');
  std::copy_n(cells80.begin(), std::min<std::size_t>(cells80.size(), kColumns),
              r.begin() + kKeyLength);
  return r;
}

FieldView::FieldView(std::span<u8> bytes) : RecordView(checked(bytes, kFieldLength, "field")) {}

void FieldView::set_position(int row, int column) {
  set_number(9, 2, row);
  set_number(11, 2, column);
}

std::optional<u8> FieldView::attribute() const { return attribute_of(ch(15), text(16, 2)); }

void FieldView::set_attribute(u8 attribute) { set_text(15, 3, triple_of(attribute)); }

std::uint16_t FieldView::tab_number() const { return kv::get_u16(b_.data() + 54); }
void FieldView::set_tab_number(std::uint16_t n) { kv::put_u16(b_.data() + 54, n); }
std::optional<int> FieldView::custom_tab() const {
  std::uint16_t t = tab_number();
  if (t >= 1 && t <= 999) return t;
  return std::nullopt;
}
std::uint16_t FieldView::sort_word() const { return kv::get_u16(b_.data() + 56); }
void FieldView::set_sort_word(std::uint16_t n) { kv::put_u16(b_.data() + 56, n); }

bool FieldView::digits_valid() const {
  return row() && column() && length() && is_digit(ch(15)) && number(16, 2).has_value();
}

std::array<u8, kFieldLength> make_field(std::string_view name, int row, int column) {
  std::array<u8, kFieldLength> r;
  r.fill(' ');
  Key k = field_key(name, row, column);
  std::copy(k.begin(), k.end(), r.begin());
  FieldView f(r);
  f.set_mask(0);
  f.set_tab_number(0);
  f.set_sort_word(0);
  return r;
}

ValidationView::ValidationView(std::span<u8> bytes)
    : RecordView(checked(bytes, kValidationLength, "validation")) {}

void ValidationView::set_position(int row, int column) {
  set_number(9, 2, row);
  set_number(11, 2, column);
}

std::array<u8, kValidationLength> make_validation(std::string_view name, int row, int column) {
  std::array<u8, kValidationLength> r;
  r.fill(' ');
  Key k = validation_key(name, row, column);
  std::copy(k.begin(), k.end(), r.begin());
  return r;
}

void rename_record(std::span<u8> record, std::string_view name) {
  if (record.size() >= kNameLength) kv::put_padded(record.data(), kNameLength, name);
}

PanelWalk::PanelWalk(RecordFile& file, std::string_view name)
    : file_(file), name_(padded_name(name)) {}

FileStatus PanelWalk::take(FileStatus s) {
  if (s == FileStatus("10") || s == FileStatus("23") || (s.ok() && record_name(rec_) != name_)) {
    end_ = true;
    return "10";
  }
  end_ = !s.ok();
  return s;
}

FileStatus PanelWalk::begin() {
  end_ = true;
  Key k = header_key(name_);
  FileStatus s = file_.start(k);
  if (s == FileStatus("23")) return "10";
  if (!s.ok()) return s;
  return take(file_.read_next(rec_));
}

FileStatus PanelWalk::next() {
  if (end_) return "10";
  return take(file_.read_next(rec_));
}

FileStatus read_panel(RecordFile& file, std::string_view name, PanelRecords& out) {
  out = PanelRecords{};
  PanelWalk walk(file, name);
  FileStatus s = walk.begin();
  if (s == FileStatus("10")) return "23";
  if (!s.ok()) return s;
  if (walk.kind() != kHeaderKind) return "23";
  out.header = walk.record();
  while ((s = walk.next()).ok()) {
    switch (walk.kind()) {
      case kImageKind:
        out.images.push_back(walk.record());
        break;
      case kFieldKind:
        out.fields.push_back(walk.record());
        break;
      case kValidationKind:
        out.validations.push_back(walk.record());
        break;
      default:
        break;
    }
  }
  return s == FileStatus("10") ? FileStatus("00") : s;
}

FileStatus delete_panel(RecordFile& file, std::string_view name, int* deleted) {
  if (deleted) *deleted = 0;
  std::vector<Key> keys;
  PanelWalk walk(file, name);
  FileStatus s = walk.begin();
  while (s.ok()) {
    Key k;
    std::copy_n(walk.record().begin(), kKeyLength, k.begin());
    keys.push_back(k);
    s = walk.next();
  }
  if (s != FileStatus("10")) return s;
  for (const Key& k : keys) {
    s = file.remove(k);
    if (!s.ok()) return s;
    if (deleted) ++*deleted;
  }
  return "00";
}

FileStatus replace_panel(RecordFile& file, const PanelRecords& records) {
  std::string name = record_name(records.header);
  FileStatus s = file.begin();
  if (!s.ok()) return s;
  auto write_all = [&](const std::vector<Bytes>& list) {
    for (const Bytes& r : list) {
      FileStatus w = file.write(r);
      if (!w.ok()) return w;
    }
    return FileStatus("00");
  };
  s = delete_panel(file, name);
  if (s.ok()) s = file.write(records.header);
  if (s.ok()) s = write_all(records.images);
  if (s.ok()) s = write_all(records.fields);
  if (s.ok()) s = write_all(records.validations);
  if (s.ok()) s = file.commit();
  if (!s.ok()) file.rollback();
  return s;
}

FileStatus list_panels(RecordFile& file, std::vector<std::string>& names) {
  names.clear();
  Key from{};  // binary zeros: before every name
  FileStatus s = file.start(from);
  if (s == FileStatus("23")) return "00";
  Bytes rec;
  while (s.ok()) {
    s = file.read_next(rec);
    if (!s.ok()) break;
    if (record_kind(rec) != kHeaderKind) continue;
    std::string name = record_name(rec);
    names.push_back(name);
    // Over the rest of this panel's records.
    s = file.start(panel_end_key(name));
    if (s == FileStatus("23")) return "00";
  }
  return s == FileStatus("10") ? FileStatus("00") : s;
}

}  // namespace kv::editor::lib
