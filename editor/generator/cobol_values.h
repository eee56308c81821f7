// COBOL pictures and VALUE texts as the generator meets them in field
// definitions: how many bytes a picture occupies, which form a VALUE text
// takes in the copybook, and the bytes that COBOL puts into storage for it
// (the generated C++ areas must hold what the compiled copybook holds).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kv::editor::gen {

// Bytes occupied by a DISPLAY picture ("X(10)", "S9(5)V99", "ZZ9.99-"):
// every symbol counts one position except S, V and P; nullopt for an
// empty or malformed picture.
std::optional<int> picture_size(std::string_view picture);
// A numeric DISPLAY picture (only 9, S, V and P): its integer and decimal
// digits and whether it is signed.
struct NumericPicture {
  int integer_digits = 0;
  int decimal_digits = 0;
  bool is_signed = false;
};
std::optional<NumericPicture> numeric_picture(std::string_view picture);

// The forms a field's VALUE text takes in the copybook.
enum class ValueForm {
  None,        // blank: no VALUE clause
  All,         // ALL followed by a quoted literal
  Plain,       // a number or figurative constant, written as it stands
  Quoted,      // a quoted literal of at most 41 characters (quote included)
  LongQuoted,  // a quoted literal of more than 41 characters
};
ValueForm value_form(std::string_view value, char quote);

// The characters of a quoted VALUE text: what follows the opening quote,
// without trailing blanks and without the closing quote when it has one.
std::string quoted_content(std::string_view value, char quote);

// The storage a field of `size` bytes and picture `picture` holds after
// COBOL initialises it from `value` (trailing blanks ignored).
std::vector<std::uint8_t> value_bytes(std::string_view value, std::string_view picture, int size,
                                      char quote);

// A COBOL literal for `text`: delimited by `quote`, by the other quote
// character when the text holds `quote`, else with `quote` doubled.
std::string cobol_literal(std::string_view text, char quote);

}  // namespace kv::editor::gen
