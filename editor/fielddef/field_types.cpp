#include "editor/fielddef/field_types.h"

#include <algorithm>
#include <cstring>

namespace kv::editor::fielddef {

namespace {

constexpr FieldType kTypes[kTypeCount] = {
    {' ', " AX ", "All characters accepted"},   {'1', "9  S", "Integers signed/unsigned"},
    {'2', "9  S", "Numeric Decimals sign ok"},  {'3', "9  S", "Calculator Decimal & sign"},
    {'4', "9   ", "Date field PIC 9(6) only."}, {'5', "9   ", "YMD Date->Country Display"},
    {'A', "  X ", "Alphanumer Upper Case"},     {'B', "  X ", "Alphanumer Lower Case"},
    {'C', "  X ", "Alphanumer Mixed Case"},     {'D', " AX ", "Alphabetic Upper Case"},
    {'E', "  X ", "Alphabetic Lower Case"},     {'F', "  X ", "Alphabetic Mixed Case"},
    {'G', "  X ", "Alpha Caps & other Chars."}, {'H', "9AXS", "Display in HEX chars only"},
    {'I', "  X ", "1st Char Caps: rest mixed"}, {'P', "  X ", "Byte Selector. No key in."},
    {'R', " AX ", "Return 1st char. Selector"}, {'S', "9AXS", "Field Selector-No key in."},
    {'X', "9AXS", "Protected (output only)"},
};

}  // namespace

bool FieldType::allows(char picture_class) const {
  switch (picture_class) {
    case '9':
      return classes[0] == '9';
    case 'A':
      return classes[1] == 'A';
    case 'X':
      return classes[2] == 'X';
    default:
      return false;
  }
}

std::span<const FieldType> field_types() { return kTypes; }

const FieldType* find_field_type(char code) {
  auto it =
      std::lower_bound(std::begin(kTypes), std::end(kTypes), code, [](const FieldType& t, char c) {
        return static_cast<unsigned char>(t.code) < static_cast<unsigned char>(c);
      });
  return it != std::end(kTypes) && it->code == code ? &*it : nullptr;
}

std::array<char, kTypeCount * kTypeEntryWidth> type_table_block() {
  std::array<char, kTypeCount * kTypeEntryWidth> block;
  block.fill(' ');
  for (std::size_t i = 0; i < kTypeCount; ++i) {
    char* e = block.data() + i * kTypeEntryWidth;
    e[0] = kTypes[i].code;
    std::memcpy(e + 1, kTypes[i].classes.data(), 4);
    std::memcpy(e + 5, kTypes[i].description.data(),
                std::min<std::size_t>(26, kTypes[i].description.size()));
  }
  return block;
}

int storage_length(char type, int display_length) {
  return type == 'H' ? display_length / 2 : display_length;
}

bool takes_default_mask(char type) { return type == '2' || type == '3'; }

}  // namespace kv::editor::fielddef
