#include "editor/generator/support/panel_fixture.h"

#include <algorithm>

namespace kv::editor::testing {

PanelFixture::PanelFixture(std::string name, int rows) : name_(std::move(name)), rows_(rows) {
  auto h = lib::new_header(name_);
  header_.assign(h.begin(), h.end());
  auto v = header();
  v.set_complete('Y');
  v.set_field_count(0);
  v.set_save_date("022599");
  std::uint8_t attr = static_attr();
  for (int r = 0; r < rows; ++r) {
    text_.emplace_back(80, r == rows - 1 ? 0x00 : ' ');
    colour_.emplace_back(80, attr);
  }
}

std::uint8_t PanelFixture::static_attr() { return header().base_attribute().value_or(7); }

void PanelFixture::text(int row, int column, std::string_view s, std::uint8_t attr) {
  int cell = (row - 1) * 80 + (column - 1);
  for (char c : s) {
    text_[static_cast<std::size_t>(cell / 80)][static_cast<std::size_t>(cell % 80)] =
        static_cast<std::uint8_t>(c);
    colour_[static_cast<std::size_t>(cell / 80)][static_cast<std::size_t>(cell % 80)] = attr;
    ++cell;
  }
}

void PanelFixture::fill_colour(std::uint8_t attr) {
  for (auto& row : colour_) std::fill(row.begin(), row.end(), attr);
}

void PanelFixture::field(const FieldSpec& f) {
  auto rec = lib::make_field(name_, f.row, f.column);
  lib::FieldView v(rec);
  v.set_length(f.length);
  v.set_attribute(*lib::attribute_of_triple(f.colour));
  v.set_option1(f.option1);
  v.set_option2(f.option2);
  v.set_option3(f.option3);
  v.set_type(f.type);
  v.set_data_name(f.name);
  v.set_mask(f.mask);
  v.set_tab_number(f.tab);
  v.set_sort_word(f.sort);
  v.set_picture(f.picture);
  v.set_value_text(f.value);
  fields_.emplace_back(rec.begin(), rec.end());
  std::sort(fields_.begin(), fields_.end());
  header().set_field_count(static_cast<int>(fields_.size()));
}

void PanelFixture::validation(int row, int column, std::string_view values, char sep, char range) {
  auto rec = lib::make_validation(name_, row, column);
  lib::ValidationView v(rec);
  v.set_separator(sep);
  v.set_range_indicator(range);
  v.set_values(values);
  validations_.emplace_back(rec.begin(), rec.end());
  std::sort(validations_.begin(), validations_.end());
}

lib::PanelRecords PanelFixture::records() const {
  lib::PanelRecords r;
  r.header = header_;
  for (int row = 1; row <= rows_; ++row) {
    auto l = lib::make_image_line(name_, lib::kColourLine, row,
                                  colour_[static_cast<std::size_t>(row - 1)]);
    r.images.emplace_back(l.begin(), l.end());
  }
  for (int row = 1; row <= rows_; ++row) {
    auto l =
        lib::make_image_line(name_, lib::kTextLine, row, text_[static_cast<std::size_t>(row - 1)]);
    r.images.emplace_back(l.begin(), l.end());
  }
  r.fields = fields_;
  r.validations = validations_;
  return r;
}

FileStatus PanelFixture::store(RecordFile& file) const {
  return lib::replace_panel(file, records());
}

}  // namespace kv::editor::testing
