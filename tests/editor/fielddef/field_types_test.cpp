#include "editor/fielddef/field_types.h"

#include <gtest/gtest.h>

#include <string>

#include "editor/fielddef/reserved_words.h"

using namespace kv::editor::fielddef;

namespace {

// Expands a validation list such as "1-5, ,A-I" into its characters.
std::string expand(std::string_view list) {
  std::string out;
  std::size_t i = 0;
  while (i < list.size()) {
    std::size_t end = list.find(',', i);
    if (end == std::string_view::npos) end = list.size();
    std::string_view item = list.substr(i, end - i);
    if (item.size() == 3 && item[1] == '-')
      for (char c = item[0]; c <= item[2]; ++c) out += c;
    else
      out += item;
    i = end + 1;
  }
  return out;
}

TEST(FieldTypesTest, TableMatchesTheTypeFieldsValidationList) {
  auto types = field_types();
  ASSERT_EQ(types.size(), 19u);
  std::string codes;
  for (const FieldType& t : types) {
    codes += t.code;
    EXPECT_LE(t.description.size(), 26u);
    EXPECT_EQ(find_field_type(t.code), &t);
  }
  EXPECT_TRUE(std::is_sorted(codes.begin(), codes.end())) << codes;
  std::string allowed = expand(kTypeValidationList);
  std::sort(allowed.begin(), allowed.end());
  EXPECT_EQ(codes, allowed);
  for (char c : std::string("J0679Zaxh-")) EXPECT_EQ(find_field_type(c), nullptr) << c;
}

TEST(FieldTypesTest, PictureClassesPerType) {
  struct Case {
    char code;
    const char* allowed;  // of "9AX"
    bool sign;
  } cases[] = {
      {' ', "AX", false}, {'1', "9", true},   {'3', "9", true},   {'4', "9", false},
      {'5', "9", false},  {'A', "X", false},  {'D', "AX", false}, {'G', "X", false},
      {'H', "9AX", true}, {'R', "AX", false}, {'S', "9AX", true}, {'X', "9AX", true},
  };
  for (const Case& c : cases) {
    const FieldType* t = find_field_type(c.code);
    ASSERT_NE(t, nullptr);
    for (char cls : std::string("9AX"))
      EXPECT_EQ(t->allows(cls), std::string(c.allowed).find(cls) != std::string::npos)
          << "type '" << c.code << "' class " << cls;
    EXPECT_EQ(t->allows_sign(), c.sign) << c.code;
  }
  EXPECT_EQ(find_field_type('1')->description, "Integers signed/unsigned");
  EXPECT_EQ(find_field_type('H')->description, "Display in HEX chars only");
}

TEST(FieldTypesTest, SelectionBlockAndStorage) {
  auto block = type_table_block();
  std::string all(block.begin(), block.end());
  EXPECT_EQ(all.substr(0, 31), "  AX All characters accepted   ");
  EXPECT_EQ(all.substr(13 * 31, 31), "H9AXSDisplay in HEX chars only ");
  EXPECT_EQ(storage_length('H', 8), 4);
  EXPECT_EQ(storage_length('A', 8), 8);
  EXPECT_TRUE(takes_default_mask('2'));
  EXPECT_TRUE(takes_default_mask('3'));
  EXPECT_FALSE(takes_default_mask('1'));
}

TEST(ReservedWordsTest, WholeNamesOnly) {
  struct Case {
    std::string name;
    bool reserved;
  } cases[] = {
      {"COMP-3", true},
      {"WORKING-STORAGE", true},
      {"ZEROS", true},
      {"C01", true},
      {"RECIEVE", true},                        // kept as it has always been spelt
      {"COMP-3" + std::string(24, ' '), true},  // a 30-character name field
      {"comp-3", true},
      {"COMP-6", false},
      {"WORKINGSTORAGE", false},
      {"ZERO-1", false},
      {"CUSTOMER-ADD", false},
      {"XADD", false},
      {"COMPUTATIONAL-99", false},  // 16 characters never match
      {"", false},
      {std::string(30, ' '), false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(is_reserved_word(c.name), c.reserved) << "[" << c.name << "]";
  EXPECT_EQ(reserved_word_message("COMP-3" + std::string(24, ' ')),
            "\"COMP-3\" is a COBOL reserved word!!");
}

TEST(ReservedWordsTest, EveryListedWordIsFound) {
  auto words = reserved_words();
  ASSERT_EQ(words.size(), 458u);
  for (std::string_view w : words) {
    EXPECT_LE(w.size(), 15u) << w;
    EXPECT_TRUE(is_reserved_word(w)) << w;
  }
  EXPECT_EQ(words.front(), "ACCEPT");
  EXPECT_EQ(words[456], "ZEROS");
}

}  // namespace
