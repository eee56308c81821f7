// The field types: the one-character code that tells the runtime how a
// field is keyed and shown and tells the editor which pictures and masks
// go with it.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string_view>

namespace kv::editor::fielddef {

inline constexpr std::size_t kTypeCount = 19;
inline constexpr std::size_t kTypeEntryWidth = 31;  // code, 4 classes, 26 description

struct FieldType {
  char code;
  // The picture classes that go with the type, in the fixed positions
  // "9", "A", "X", "S" (a space where the class is not allowed; "S": the
  // type takes a signed picture).
  std::string_view classes;
  std::string_view description;  // as shown beside the Type field

  bool allows(char picture_class) const;  // '9', 'A' or 'X'
  bool allows_sign() const { return classes[3] == 'S'; }
};

// The 19 types in ascending order of their codes.
std::span<const FieldType> field_types();
// The type of `code`, or null for a code that is not a type.
const FieldType* find_field_type(char code);
// The validation list of the Type field.
inline constexpr std::string_view kTypeValidationList = "1-5, ,A-I,P,R,S,X";

// The table as the selection list takes it: 19 entries of 31 characters.
std::array<char, kTypeCount * kTypeEntryWidth> type_table_block();

// Bytes a field of `type` takes in the panel's field data for a display of
// `display_length` characters: half of it for hexadecimal display ("H"),
// the display length otherwise.
int storage_length(char type, int display_length);
// Numeric types 2 and 3 take the default mask when the field names none.
bool takes_default_mask(char type);

}  // namespace kv::editor::fielddef
