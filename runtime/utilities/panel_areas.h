// The four areas of a panel call, byte for byte: the panel record (fixed
// portion, attribute table, user fields), WORK-S (static screen data) and
// WORK-D (field descriptors and validation records).  These views read and
// write the application's storage in place at the documented offsets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/utilities/bytes.h"

namespace kv {

// ---------------------------------------------------------------- panel record
namespace panel_off {
inline constexpr std::size_t kName = 0;              // X(8)
inline constexpr std::size_t kNumbOfFields = 8;      // 9(4) COMP-5
inline constexpr std::size_t kBaseColor = 10;        // 9
inline constexpr std::size_t kActiveColor = 11;
inline constexpr std::size_t kErrorColor = 13;
inline constexpr std::size_t kMenuColor = 15;
inline constexpr std::size_t kMenuLineA = 17;        // X(40)
inline constexpr std::size_t kMenuLineB = 57;        // X(40)
inline constexpr std::size_t kMenuMsg = 97;          // X(80)
inline constexpr std::size_t kDisplayOption = 177;
inline constexpr std::size_t kCursorField = 179;
inline constexpr std::size_t kOffsetTheCursor = 181;
inline constexpr std::size_t kCursorOffset = 182;
inline constexpr std::size_t kExitKey = 184;         // S9(4) COMP-5
inline constexpr std::size_t kRepaintScreen = 186;
inline constexpr std::size_t kShowWaitMsg = 187;
inline constexpr std::size_t kArrowExitName = 188;   // X(8)
inline constexpr std::size_t kPreExitName = 196;
inline constexpr std::size_t kPostExitName = 204;
inline constexpr std::size_t kCodeSet = 212;
inline constexpr std::size_t kBorderColor = 213;
inline constexpr std::size_t kPresentFreq = 215;
inline constexpr std::size_t kPresentTime = 217;
inline constexpr std::size_t kErrorFreq = 219;
inline constexpr std::size_t kErrorTime = 221;
inline constexpr std::size_t kCursorType = 223;
inline constexpr std::size_t kIndicators = 224;
inline constexpr std::size_t kSubstEnter = 225;
inline constexpr std::size_t kSubstEsc = 227;
inline constexpr std::size_t kSubstHome = 229;
inline constexpr std::size_t kShiftStates = 231;
inline constexpr std::size_t kOffsetRow = 232;
inline constexpr std::size_t kOffsetCol = 234;
inline constexpr std::size_t kCursorRow = 236;
inline constexpr std::size_t kCursorCol = 238;
inline constexpr std::size_t kScanCode = 240;
inline constexpr std::size_t kMouseRow = 241;
inline constexpr std::size_t kMouseCol = 243;
inline constexpr std::size_t kCloseKeyValue = 245;
inline constexpr std::size_t kFiller = 247;          // X(69)
inline constexpr std::size_t kFixedSize = 316;
}  // namespace panel_off

// Option letters of the attribute table's PANEL-FIELD-OPTION.
inline bool option_protects(u8 o) { return o == 'P' || o == 'Q'; }
inline bool option_no_predisplay(u8 o) { return o == 'Q' || o == 'S'; }

class PanelRecord {
 public:
  explicit PanelRecord(u8* p) : p_(p) {}
  u8* data() const { return p_; }

  std::string_view name() const { return field(p_ + panel_off::kName, 8); }
  std::uint16_t numb_of_fields() const { return get_u16(p_ + panel_off::kNumbOfFields); }
  u8 base_color() const { return p_[panel_off::kBaseColor]; }
  bool is_window() const { return base_color() == '8'; }
  std::uint16_t active_color() const { return get_u16(p_ + panel_off::kActiveColor); }
  std::uint16_t error_color() const { return get_u16(p_ + panel_off::kErrorColor); }
  std::uint16_t menu_color() const { return get_u16(p_ + panel_off::kMenuColor); }
  std::string_view menu_line() const { return field(p_ + panel_off::kMenuLineA, 80); }
  std::string_view menu_msg() const { return field(p_ + panel_off::kMenuMsg, 80); }

  std::uint16_t display_option() const { return get_u16(p_ + panel_off::kDisplayOption); }
  void set_display_option(std::uint16_t v) { put_u16(p_ + panel_off::kDisplayOption, v); }
  std::uint16_t cursor_field() const { return get_u16(p_ + panel_off::kCursorField); }
  void set_cursor_field(std::uint16_t v) { put_u16(p_ + panel_off::kCursorField, v); }
  u8 offset_the_cursor() const { return p_[panel_off::kOffsetTheCursor]; }
  void set_offset_the_cursor(u8 v) { p_[panel_off::kOffsetTheCursor] = v; }
  std::uint16_t cursor_offset() const { return get_u16(p_ + panel_off::kCursorOffset); }
  void set_cursor_offset(std::uint16_t v) { put_u16(p_ + panel_off::kCursorOffset, v); }
  std::int16_t exit_key() const { return get_s16(p_ + panel_off::kExitKey); }
  void set_exit_key(std::int16_t v) { put_s16(p_ + panel_off::kExitKey, v); }
  u8 repaint_screen() const { return p_[panel_off::kRepaintScreen]; }
  void set_repaint_screen(u8 v) { p_[panel_off::kRepaintScreen] = v; }
  std::string_view arrow_exit_name() const { return field(p_ + panel_off::kArrowExitName, 8); }
  std::string_view pre_exit_name() const { return field(p_ + panel_off::kPreExitName, 8); }
  std::string_view post_exit_name() const { return field(p_ + panel_off::kPostExitName, 8); }
  u8 code_set() const { return p_[panel_off::kCodeSet]; }
  bool is_ebcdic() const { return code_set() == 0xC3 || code_set() == 0xC6; }
  std::int16_t error_freq() const { return get_s16(p_ + panel_off::kErrorFreq); }
  std::int16_t error_time() const { return get_s16(p_ + panel_off::kErrorTime); }
  u8 cursor_type() const { return p_[panel_off::kCursorType]; }
  u8 indicators() const { return p_[panel_off::kIndicators]; }
  std::int16_t subst_enter() const { return get_s16(p_ + panel_off::kSubstEnter); }
  std::int16_t subst_esc() const { return get_s16(p_ + panel_off::kSubstEsc); }
  std::int16_t subst_home() const { return get_s16(p_ + panel_off::kSubstHome); }
  void set_shift_states(u8 v) { p_[panel_off::kShiftStates] = v; }
  std::int16_t offset_row() const { return get_s16(p_ + panel_off::kOffsetRow); }
  void set_offset_row(std::int16_t v) { put_s16(p_ + panel_off::kOffsetRow, v); }
  std::int16_t offset_col() const { return get_s16(p_ + panel_off::kOffsetCol); }
  void set_offset_col(std::int16_t v) { put_s16(p_ + panel_off::kOffsetCol, v); }
  void set_cursor_row(std::int16_t v) { put_s16(p_ + panel_off::kCursorRow, v); }
  void set_cursor_col(std::int16_t v) { put_s16(p_ + panel_off::kCursorCol, v); }
  u8 scan_code() const { return p_[panel_off::kScanCode]; }
  void set_scan_code(u8 v) { p_[panel_off::kScanCode] = v; }
  void set_mouse_row(std::int16_t v) { put_s16(p_ + panel_off::kMouseRow, v); }
  void set_mouse_col(std::int16_t v) { put_s16(p_ + panel_off::kMouseCol, v); }
  std::int16_t close_keyvalue() const { return get_s16(p_ + panel_off::kCloseKeyValue); }

  // Attribute table entry of field n (1-based).
  u8* attribute(int n) const { return p_ + panel_off::kFixedSize + static_cast<std::size_t>(n - 1) * 4; }
  u8 field_paint(int n) const { return attribute(n)[0]; }
  void set_field_paint(int n, u8 v) { attribute(n)[0] = v; }
  std::uint16_t field_color(int n) const { return get_u16(attribute(n) + 1); }
  u8 field_option(int n) const { return attribute(n)[3]; }

  // Start of the variable portion and of a field's data (1-based offset).
  u8* variable_portion() const { return p_ + panel_off::kFixedSize; }
  u8* data_at(std::uint16_t data_offset) const {
    return p_ + panel_off::kFixedSize + data_offset - (data_offset > 0 ? 1 : 0);
  }

 private:
  u8* p_;
};

// ---------------------------------------------------------------- WORK-D
struct FieldDescriptor {
  u8 row = 0, col = 0, length = 0, attr = 0, type = ' ';
  std::uint16_t data_offset = 0;
  u8 mask = 0, opt1 = 0, opt2 = 0, opt3 = 0;
  std::uint16_t prev = 0, next = 0;

  // Option bits, named after the editor's field form.
  bool caret_off() const { return opt1 & 0x80; }
  bool caret_half() const { return opt1 & 0x20; }
  bool caret_three_quarter() const { return opt1 & 0x10; }
  bool predisplay() const { return opt1 & 0x08; }
  bool post_key() const { return opt1 & 0x04; }
  bool hot_field() const { return opt1 & 0x01; }
  bool has_validation() const { return opt2 & 0x80; }
  bool hot_modify() const { return opt2 & 0x40; }
  bool clear_first() const { return opt2 & 0x20; }
  bool clear_buffer() const { return opt2 & 0x10; }
  bool no_autoskip() const { return opt2 & 0x08; }
  bool beep_full() const { return opt2 & 0x04; }
  bool return_left_right() const { return opt2 & 0x02; }
  bool must_valid() const { return opt2 & 0x01; }
  bool required() const { return opt3 & 0x80; }
  bool return_up_down() const { return opt3 & 0x20; }
  bool blank_if_zero() const { return opt3 & 0x10; }
  bool initially_protected() const { return opt3 & 0x01; }
  // Hidden: background equals foreground (blink bit ignored), except for
  // the selector types "R" and "S".
  bool hidden() const {
    return ((attr >> 4) & 7) == (attr & 0x0F) && type != 'R' && type != 'S';
  }
};

struct ValidationRecord {
  u8 row = 0, col = 0;
  u8 separator = ',', range = '-';
  std::string values;  // the value list as stored (at most 70 characters)
};

class WorkD {
 public:
  static constexpr std::size_t kHeader = 16;
  static constexpr std::size_t kDescriptor = 16;

  explicit WorkD(u8* p, std::size_t limit = SIZE_MAX) : p_(p), limit_(limit) {}
  u8* data() const { return p_; }

  std::uint16_t field_count() const { return get_u16(p_); }
  std::uint16_t window_height() const { return get_u16(p_ + 2); }
  std::uint16_t window_width() const { return get_u16(p_ + 4); }
  std::uint16_t default_cursor_field() const { return get_u16(p_ + 7); }

  u8* descriptor_bytes(int n) const { return p_ + kHeader + static_cast<std::size_t>(n - 1) * kDescriptor; }
  FieldDescriptor descriptor(int n) const;
  void set_mask(int n, u8 mask) { descriptor_bytes(n)[7] = mask; }

  // Every field once, starting at the default cursor field and following
  // the next links.  A ring that is broken (link out of range, or a cycle
  // that does not come back to the start) ends the walk; fields it did not
  // reach are not visited twice.
  std::vector<int> tab_ring() const;

  // Offset of the first validation record: after the descriptors and the
  // run of X'FF' that closes them.  nullopt when the run leaves the limit.
  std::optional<std::size_t> trailer_offset() const;

  // Resumable lookup of a field's validation record.  `cursor` keeps the
  // position of the last record read; a later lookup of a field that sorts
  // after it starts there.  Records are bounded by 70 value characters and
  // the area's limit; a malformed record ends the scan as "not found".
  struct Cursor {
    std::size_t offset = 0;  // 0: not started
  };
  std::optional<ValidationRecord> find_validation(u8 row, u8 col, Cursor* cursor = nullptr) const;

 private:
  u8* p_;
  std::size_t limit_;
};

// ---------------------------------------------------------------- WORK-S
struct StaticItem {
  enum Kind { Text, Repeat, End } kind = End;
  u8 row = 0, col = 0, attr = 0;
  std::string_view text;  // Text: the characters; Repeat: one character
  int count = 0;          // cells written
};

class WorkS {
 public:
  explicit WorkS(u8* p, std::size_t limit = SIZE_MAX) : p_(p), limit_(limit) {}
  u8* data() const { return p_; }

  u8 base_attribute() const { return p_[0]; }
  u8 format() const { return p_[1]; }
  bool format_b() const { return p_[1] == 'B'; }
  // "A" areas read no window size.
  std::uint16_t window_height() const { return format_b() ? get_u16(p_ + 2) : 0; }
  std::uint16_t window_width() const { return format_b() ? get_u16(p_ + 4) : 0; }
  std::size_t first_item_offset() const { return format_b() ? (p_[6] > 0 ? p_[6] - 1u : 19u) : 6u; }
  int size_code() const { return format_b() ? p_[7] : 1; }
  int reserved_rows() const { return format_b() ? p_[8] : 1; }

  // Walks the static items.  `screen_columns` decides text against repeat
  // items.  The walk ends at X'FF' or at the area's limit.
  class Iterator {
   public:
    Iterator(const WorkS& s, int screen_columns);
    StaticItem next();

   private:
    const WorkS& s_;
    int columns_;
    std::size_t pos_;
  };
  Iterator items(int screen_columns) const { return Iterator(*this, screen_columns); }

 private:
  u8* p_;
  std::size_t limit_;
};

// Rows and columns of a screen-size code (1: 80x25, 2: 40x25, 3: 80x43, 4: 80x50).
struct ScreenSize {
  int rows, columns;
};
ScreenSize screen_size_for_code(int code);

// The EBCDIC/ASCII conversion of the fixed portion's character fields and
// the attribute table's flag bytes.  Field data are converted by the caller
// (numeric data go through the mask conversion).
void convert_fixed_portion(PanelRecord rec, bool to_ascii);
void convert_attribute_flags(PanelRecord rec, int field_count, bool to_ascii);

}  // namespace kv
