// Small panels built in memory for the generator's tests: a header, the
// image lines of every row, field and validation records.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "editor/library/library_records.h"

namespace kv::editor::testing {

struct FieldSpec {
  int row = 1, column = 1, length = 1;
  std::string colour = "007";  // "bff"
  std::string name = "FIELD";
  std::string picture = "X";
  std::string value;
  char type = ' ';
  int mask = 0;
  std::uint16_t tab = 0;
  std::uint16_t sort = 0;
  std::uint8_t option1 = 0, option2 = 0, option3 = 0;
};

class PanelFixture {
 public:
  explicit PanelFixture(std::string name, int rows = 25);
  lib::HeaderView header() { return lib::HeaderView(header_); }
  // Text in the image at row/column in attribute `attr` (runs on across
  // row ends).
  void text(int row, int column, std::string_view s, std::uint8_t attr);
  void text(int row, int column, std::string_view s) { text(row, column, s, static_attr()); }
  void fill_colour(std::uint8_t attr);
  void field(const FieldSpec& f);
  void validation(int row, int column, std::string_view values, char sep = ',', char range = '-');
  std::uint8_t static_attr();
  lib::PanelRecords records() const;
  // Writes the panel into an open library.
  FileStatus store(RecordFile& file) const;
  const std::string& name() const { return name_; }

 private:
  std::string name_;
  int rows_;
  lib::Bytes header_;
  std::vector<std::vector<std::uint8_t>> text_, colour_;
  std::vector<lib::Bytes> fields_, validations_;
};

}  // namespace kv::editor::testing
