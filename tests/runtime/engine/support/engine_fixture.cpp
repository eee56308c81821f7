#include "engine_fixture.h"

#include <cstring>

#include "runtime/engine/tables.h"
#include "runtime/utilities/bytes.h"

namespace kv::test {

void install_messages() {
  auto& t = kv::engine::tables();
  for (auto& m : t.messages) m.fill(' ');
  auto put = [&](int n, const std::string& s) {
    auto& m = t.messages[static_cast<std::size_t>(n - 1)];
    std::memcpy(m.data(), s.data(), s.size());
  };
  put(4, "Invalid WORK-D validation data.");
  put(9, "Undefined user exit subroutine.");
  put(16, "Validation data not found in RUNTIME file.");
  put(17, "You may not enter data here - only function keys.");
  put(18, "Only alphabetic data is allowed in this field (A-Z).");
  put(19, "Data is required in this field.");
  put(21, "Only alphanumeric data is allowed in this field (A-Z, 0-9).");
  put(22, "A valid date is required in this field.");
  put(23, "Only hex digits are allowed in this field (0-9, A-F).");
  put(25, "Only numeric data is allowed in this field (0-9).");
  put(28, "Must be:  ");
  put(31, "Field overflowed, digits truncated.");
  put(33, "seconds until timeout occurs.");
  put(105, "Application message five.");
  t.mask_count = 0;
  t.stub.fill(0);
}

std::array<std::uint8_t, 82> mask_record(char kind, char fill, const std::string& text) {
  std::array<std::uint8_t, 82> m;
  m.fill(' ');
  m[0] = static_cast<std::uint8_t>(kind);
  m[1] = static_cast<std::uint8_t>(fill);
  std::memcpy(m.data() + 2, text.data(), text.size());
  m[2 + text.size()] = 0xDD;
  return m;
}

Panel::Panel(std::vector<Field> f, const std::vector<std::pair<Field, std::string>>& lists)
    : fields(std::move(f)) {
  const std::size_t n = fields.size();
  std::size_t data_size = 0;
  for (const Field& x : fields) data_size += x.length;
  record.assign(316 + 4 * n + data_size, 0);
  std::memcpy(record.data(), "TESTPNL ", 8);
  kv::put_u16(record.data() + 8, static_cast<std::uint16_t>(n));
  record[10] = '1';
  record[212] = 'C';
  work_d.assign(16 + 16 * n, 0);
  kv::put_u16(work_d.data(), static_cast<std::uint16_t>(n));
  work_d[6] = 'B';
  kv::put_u16(work_d.data() + 7, 1);
  std::size_t offset = 4 * n + 1;
  for (std::size_t i = 0; i < n; ++i) {
    const Field& x = fields[i];
    std::uint8_t* d = work_d.data() + 16 + 16 * i;
    d[0] = x.row;
    d[1] = x.col;
    d[2] = x.length;
    d[3] = x.attr;
    d[4] = x.type;
    kv::put_u16(d + 5, static_cast<std::uint16_t>(offset));
    d[7] = x.mask;
    d[8] = x.opt1;
    d[9] = x.opt2;
    d[10] = x.opt3;
    kv::put_u16(d + 12, static_cast<std::uint16_t>(i == 0 ? n : i));
    kv::put_u16(d + 14, static_cast<std::uint16_t>(i + 1 == n ? 1 : i + 2));
    kv::put_padded(record.data() + 316 + offset - 1, x.length, x.data);
    offset += x.length;
  }
  work_d.push_back(0xFF);
  for (const auto& [field, list] : lists) {
    work_d.insert(work_d.end(), {field.row, field.col, ',', '-'});
    for (char c : list) work_d.push_back(static_cast<std::uint8_t>(c));
    work_d.push_back(0);
  }
  work_d.push_back(0xFF);
}

std::uint8_t* Panel::data(int n) { return rec().data_at(wd().descriptor(n).data_offset); }

std::string Panel::data_text(int n, int length) {
  return std::string(reinterpret_cast<const char*>(data(n)), static_cast<std::size_t>(length));
}

}  // namespace kv::test
