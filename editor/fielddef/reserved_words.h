// The COBOL reserved words that a field's data name must not be: a data
// name equal to one of them would make the generated copybook fail to
// compile, so the field form refuses it.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace kv::editor::fielddef {

inline constexpr std::size_t kReservedWordCount = 458;
inline constexpr std::size_t kReservedWordWidth = 15;

// The table, each word at most 15 characters, upper case.
std::span<const std::string_view> reserved_words();

// True when `name` (a data-name field, trailing spaces ignored) is exactly
// one of the words, in upper or lower case.  A name that merely begins
// with or contains a word, or is longer than 15 characters, is not.
bool is_reserved_word(std::string_view name);

// The refusal: the name in double quotes and " is a COBOL reserved word!!".
std::string reserved_word_message(std::string_view name);

}  // namespace kv::editor::fielddef
