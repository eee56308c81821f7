// The records of a panel library (and of the work file, which has the same
// layout): byte-exact views over record buffers, their keys, the defaults
// of a new panel's header, the colour triples, and the walk over one
// panel's records.
//
// Every record begins with a 13-byte key: the panel name (8 characters,
// space padded), the record kind (space header, "$" image line, "&" field,
// "V" validation) and 4 bytes that depend on the kind.  Keys compare byte
// by byte, so a panel's records follow one another: header, colour lines,
// text lines (each in row order), fields and then validations in row and
// column order; "ABC" sorts before "ABCD" because of the padding.
//
// Numbers kept as digits are ASCII with leading zeros; the field record's
// tab number and sort word are 16-bit little-endian.  The views never
// check what they are given beyond its size: a record of another kind read
// through the wrong view gives meaningless values, not a crash.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "editor/library/record_file.h"

namespace kv::editor::lib {

using u8 = std::uint8_t;
using Bytes = std::vector<u8>;

inline constexpr std::size_t kKeyLength = 13;
inline constexpr std::size_t kMaxRecord = 200;
inline constexpr std::size_t kHeaderLength = 200;
inline constexpr std::size_t kImageLineLength = 93;
inline constexpr std::size_t kFieldLength = 159;
inline constexpr std::size_t kValidationLength = 86;
inline constexpr std::size_t kNameLength = 8;
inline constexpr int kMaxRows = 50;
inline constexpr int kColumns = 80;

inline constexpr char kHeaderKind = ' ';
inline constexpr char kImageKind = '$';
inline constexpr char kFieldKind = '&';
inline constexpr char kValidationKind = 'V';
inline constexpr char kColourLine = 'C';
inline constexpr char kTextLine = 'T';

// The options a library's record file is opened with.
RecordFileOptions library_file_options();

using Key = std::array<u8, kKeyLength>;
Key header_key(std::string_view name);
Key image_key(std::string_view name, char line_kind, int row);
Key field_key(std::string_view name, int row, int column);
Key validation_key(std::string_view name, int row, int column);
// Name followed by "V9999": beyond every record of the panel; starting
// there and reading on reaches the next panel's header.
Key panel_end_key(std::string_view name);

// The 8-character name and the kind of a record (spaces for a short one).
std::string record_name(std::span<const u8> record);
char record_kind(std::span<const u8> record);
// The name padded or cut to 8 characters.
std::string padded_name(std::string_view name);

// A number held as `digits.size()` ASCII digits; nullopt when any is not a
// digit.
std::optional<int> digits_value(std::string_view digits);
// `value` as `width` digits with leading zeros (cut on the left).
std::string digits(int value, int width);

// Colours.  An attribute byte is background x 16 + foreground, plus 128
// for blink.  The library writes a colour as a background digit "0"-"7"
// and two foreground digits "00"-"31", where 16-31 are the colours 0-15
// blinking.
std::optional<u8> attribute_of(char background, std::string_view foreground2);
// The same from a three-character triple "bff".
std::optional<u8> attribute_of_triple(std::string_view bff);
// The triple "bff" of an attribute.
std::string triple_of(u8 attribute);

// Common to the views: the record's bytes.
class RecordView {
 public:
  explicit RecordView(std::span<u8> bytes) : b_(bytes) {}
  std::string name() const { return text(0, kNameLength); }
  void set_name(std::string_view name) { set_text(0, kNameLength, name); }
  char kind() const { return static_cast<char>(b_[8]); }
  std::span<u8> bytes() const { return b_; }

 protected:
  std::string text(std::size_t off, std::size_t len) const;
  void set_text(std::size_t off, std::size_t len, std::string_view v);
  std::optional<int> number(std::size_t off, std::size_t len) const;
  void set_number(std::size_t off, std::size_t len, int v);
  char ch(std::size_t off) const { return static_cast<char>(b_[off]); }
  void set_ch(std::size_t off, char c) { b_[off] = static_cast<u8>(c); }
  std::span<u8> b_;
};

// Header record, 200 bytes.
class HeaderView : public RecordView {
 public:
  explicit HeaderView(std::span<u8> bytes);
  std::string title() const { return text(13, 30); }
  void set_title(std::string_view v) { set_text(13, 30, v); }
  char spec_marker() const { return ch(43); }  // "C" once the specifications stored it
  void set_spec_marker(char c) { set_ch(43, c); }
  std::optional<int> field_count() const { return number(44, 3); }
  void set_field_count(int n) { set_number(44, 3, n); }
  // Base colour: background digit at 47, foreground digits at 48-49.
  std::optional<u8> base_attribute() const;
  std::string base_colour() const { return text(47, 3); }
  void set_base_colour(std::string_view bff) { set_text(47, 3, bff); }
  std::string active_colour() const { return text(50, 3); }
  void set_active_colour(std::string_view bff) { set_text(50, 3, bff); }
  std::string error_colour() const { return text(53, 3); }
  void set_error_colour(std::string_view bff) { set_text(53, 3, bff); }
  std::string menu_colour() const { return text(56, 3); }
  void set_menu_colour(std::string_view bff) { set_text(56, 3, bff); }
  std::optional<int> home_field() const { return number(59, 3); }
  void set_home_field(int n) { set_number(59, 3, n); }
  char complete() const { return ch(62); }
  void set_complete(char yn) { set_ch(62, yn); }
  char window_panel() const { return ch(63); }
  void set_window_panel(char yn) { set_ch(63, yn); }
  char reserved() const { return ch(64); }
  std::string arrow_exit() const { return text(65, 8); }
  void set_arrow_exit(std::string_view v) { set_text(65, 8, v); }
  std::string predisplay_exit() const { return text(73, 8); }
  void set_predisplay_exit(std::string_view v) { set_text(73, 8, v); }
  std::string postkey_exit() const { return text(81, 8); }
  void set_postkey_exit(std::string_view v) { set_text(81, 8, v); }
  std::string menu_left() const { return text(89, 40); }
  void set_menu_left(std::string_view v) { set_text(89, 40, v); }
  std::string menu_right() const { return text(129, 40); }
  void set_menu_right(std::string_view v) { set_text(129, 40, v); }
  char transparent() const { return ch(169); }
  void set_transparent(char c) { set_ch(169, c); }
  std::optional<int> border_colour() const { return number(170, 2); }
  void set_border_colour(int n) { set_number(170, 2, n); }
  std::optional<int> present_beep_frequency() const { return number(172, 4); }
  void set_present_beep_frequency(int n) { set_number(172, 4, n); }
  std::optional<int> present_beep_duration() const { return number(176, 4); }
  void set_present_beep_duration(int n) { set_number(176, 4, n); }
  std::optional<int> error_beep_frequency() const { return number(180, 4); }
  void set_error_beep_frequency(int n) { set_number(180, 4, n); }
  std::optional<int> error_beep_duration() const { return number(184, 4); }
  void set_error_beep_duration(int n) { set_number(184, 4, n); }
  // Date of the last save, "mmddyy".
  std::string save_date() const { return text(188, 6); }
  void set_save_date(std::string_view mmddyy) { set_text(188, 6, mmddyy); }
  char cursor_type() const { return ch(194); }
  void set_cursor_type(char c) { set_ch(194, c); }
  char copybook_current() const { return ch(195); }
  void set_copybook_current(char yn) { set_ch(195, yn); }
  char quote() const { return ch(196); }
  void set_quote(char c) { set_ch(196, c); }
  char version() const { return ch(197); }
  void set_version(char c) { set_ch(197, c); }
  char indicator() const { return ch(198); }
  void set_indicator(char c) { set_ch(198, c); }
  // The copybook option byte as stored, and as it counts: only a header of
  // version "A" or "B" has one (else no option is set).
  u8 copybook_flags_byte() const { return b_[199]; }
  void set_copybook_flags(u8 flags) { b_[199] = flags; }
  u8 copybook_flags() const;
  static constexpr u8 kNamedAttributes = 0x80;
  static constexpr u8 kNoComments = 0x40;
  static constexpr u8 kNoWaitMessage = 0x20;
  static constexpr u8 kNamePrefix = 0x10;
};

// The header of a panel started from scratch.
std::array<u8, kHeaderLength> new_header(std::string_view name);

// Image line record, 93 bytes: one row of the colour or text image.
class ImageLineView : public RecordView {
 public:
  explicit ImageLineView(std::span<u8> bytes);
  char line_kind() const { return ch(9); }
  std::optional<int> row() const { return number(10, 2); }
  std::span<u8> cells() const { return b_.subspan(13, kColumns); }
};
std::array<u8, kImageLineLength> make_image_line(std::string_view name, char line_kind, int row,
                                                 std::span<const u8> cells80);

// Field record, 159 bytes; its key holds the position of the field's
// first cell.
class FieldView : public RecordView {
 public:
  explicit FieldView(std::span<u8> bytes);
  std::optional<int> row() const { return number(9, 2); }
  std::optional<int> column() const { return number(11, 2); }
  void set_position(int row, int column);
  std::optional<int> length() const { return number(13, 2); }
  void set_length(int n) { set_number(13, 2, n); }
  char background() const { return ch(15); }
  std::string foreground() const { return text(16, 2); }
  std::optional<u8> attribute() const;
  void set_attribute(u8 attribute);
  u8 option1() const { return b_[18]; }
  void set_option1(u8 v) { b_[18] = v; }
  u8 option2() const { return b_[19]; }
  void set_option2(u8 v) { b_[19] = v; }
  char type() const { return ch(20); }
  void set_type(char c) { set_ch(20, c); }
  std::string data_name() const { return text(21, 30); }
  void set_data_name(std::string_view v) { set_text(21, 30, v); }
  std::optional<int> mask() const { return number(51, 3); }
  void set_mask(int n) { set_number(51, 3, n); }
  std::uint16_t tab_number() const;
  void set_tab_number(std::uint16_t n);
  // The tab position when it is a custom one (1-999).
  std::optional<int> custom_tab() const;
  std::uint16_t sort_word() const;
  void set_sort_word(std::uint16_t n);
  u8 option3() const { return b_[58]; }
  void set_option3(u8 v) { b_[58] = v; }
  std::string picture() const { return text(59, 18); }
  void set_picture(std::string_view v) { set_text(59, 18, v); }
  std::string value_text() const { return text(77, 82); }
  void set_value_text(std::string_view v) { set_text(77, 82, v); }
  // Row, column, length and both colour parts are digits (what loading
  // requires of a field record).
  bool digits_valid() const;
};
// A new field record: key, spaces, mask "000", tab and sort 0.
std::array<u8, kFieldLength> make_field(std::string_view name, int row, int column);

// Validation record, 86 bytes.
class ValidationView : public RecordView {
 public:
  explicit ValidationView(std::span<u8> bytes);
  std::optional<int> row() const { return number(9, 2); }
  std::optional<int> column() const { return number(11, 2); }
  void set_position(int row, int column);
  char separator() const { return ch(14); }
  void set_separator(char c) { set_ch(14, c); }
  char range_indicator() const { return ch(15); }
  void set_range_indicator(char c) { set_ch(15, c); }
  std::string values() const { return text(16, 70); }
  void set_values(std::string_view v) { set_text(16, 70, v); }
};
std::array<u8, kValidationLength> make_validation(std::string_view name, int row, int column);

// A record with its key's panel name replaced (copying or renaming).
void rename_record(std::span<u8> record, std::string_view name);

// The walk over one panel's records in key order.  begin() positions at the
// panel's header key; the walk ends ("10") at the first record of another
// panel or at the end of the file.
class PanelWalk {
 public:
  PanelWalk(RecordFile& file, std::string_view name);
  // "00" with the panel's first record current, "10" when the panel has no
  // records, another status when the file failed.
  FileStatus begin();
  // "00" with the next record of the panel current, "10" at its end.
  FileStatus next();
  bool at_end() const { return end_; }
  const Bytes& record() const { return rec_; }
  Bytes& record() { return rec_; }
  char kind() const { return record_kind(rec_); }

 private:
  FileStatus take(FileStatus s);
  RecordFile& file_;
  std::string name_;
  Bytes rec_;
  bool end_ = true;
};

// All records of one panel, by kind, in key order.
struct PanelRecords {
  Bytes header;
  std::vector<Bytes> images;  // colour lines, then text lines
  std::vector<Bytes> fields;
  std::vector<Bytes> validations;
};

// Reads panel `name`: "23" when it has no header record.  Records of other
// kinds under the name are passed over.
FileStatus read_panel(RecordFile& file, std::string_view name, PanelRecords& out);
// Deletes every record of panel `name` ("00" also when it had none).
FileStatus delete_panel(RecordFile& file, std::string_view name, int* deleted = nullptr);
// Replaces the panel named in `records.header` by `records`, in one
// transaction on a file open I-O: either every old record is gone and every
// new one written, or the library is as it was.
FileStatus replace_panel(RecordFile& file, const PanelRecords& records);
// The names of the panels whose header records the library holds, in key
// order.
FileStatus list_panels(RecordFile& file, std::vector<std::string>& names);

}  // namespace kv::editor::lib
