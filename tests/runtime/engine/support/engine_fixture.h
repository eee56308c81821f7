// Helpers shared by the engine's unit tests: the standard runtime messages
// in the kept table, mask records, and small panel areas built byte by byte.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/utilities/panel_areas.h"

namespace kv::test {

// Puts the standard texts of the messages the engine shows (17-33) into
// the kept message table and clears the kept masks.
void install_messages();

// An 82-byte mask record: kind, fill character, text ended by X'DD'.
std::array<std::uint8_t, 82> mask_record(char kind, char fill, const std::string& text);

// Field options for `Field`.
struct Field {
  std::uint8_t row = 3, col = 17, length = 5, attr = 0x1F, type = ' ', mask = 0;
  std::uint8_t opt1 = 0, opt2 = 0, opt3 = 0;
  std::string data = {};  // initial field data (padded with spaces to `length`)
};

// A panel record and WORK-D for `fields`, with validation records
// (row, column, separator ",", range "-", list) after the descriptors.
struct Panel {
  std::vector<std::uint8_t> record, work_d;
  std::vector<Field> fields;

  explicit Panel(std::vector<Field> fields,
                 const std::vector<std::pair<Field, std::string>>& lists = {});
  kv::PanelRecord rec() { return kv::PanelRecord(record.data()); }
  kv::WorkD wd() { return kv::WorkD(work_d.data(), work_d.size()); }
  std::uint8_t* data(int n);
  std::string data_text(int n, int length);
};

}  // namespace kv::test
