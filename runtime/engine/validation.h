// Field validation: the check of every typed character against its
// field's type, and the check of a whole field when the cursor leaves it
// or before a call returns (conversion back through the mask, dates,
// Required, value lists and ranges).  Also the default masks of mask
// number 0 and the mask choice that painting shares.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "runtime/masks/scrmask.h"
#include "runtime/utilities/panel_areas.h"

namespace kv::engine {

struct Tables;

// ------------------------------------------------------------ masks

// The mask of mask number 0: "N", fill "0", twenty 9s and "-" for types
// "2" and "3"; the same without "-" for the other types.
const std::array<std::uint8_t, kv::mask::kMaskRecordSize>& default_mask(std::uint8_t type);

// A field is shown through a mask when its mask number is above 0, its
// type is "1"-"5" or "H", or it has Blank if 0.
bool is_formatted(const FieldDescriptor& d);

// The mask record of a field: mask n of the kept table when 1 <= n <= the
// mask count, mask 1 when n is beyond it, the default mask for 0 (and when
// the table holds no masks at all).
const std::uint8_t* field_mask(const FieldDescriptor& d, const Tables& t);

// A conversion request for a field: its mask, the sign convention of the
// stub constants, `display_length` and `direction`, mode "4"/"5" for the
// date types (a typed "/" closes a group) and "H" for type "H".
kv::mask::MaskRequest field_request(const FieldDescriptor& d, int display_length, char direction,
                                    const Tables& t);

// Type "5" dates: six digits YYMMDD or eight CCYYMMDD as stored, shown in
// the country's date order (0 month-day-year, 1 day-month-year, 2
// year-month-day).  `length` is 6 or 8; other lengths are left alone.
void date_to_country_order(std::uint8_t* digits, int length, int date_order);
void date_from_country_order(std::uint8_t* digits, int length, int date_order);

// ------------------------------------------------------------ keystroke check

// Message numbers of refused characters and failed checks.
inline constexpr int kMsgNoData = 17;  // "You may not enter data here - only function keys."
inline constexpr int kMsgAlphabetic = 18;
inline constexpr int kMsgRequired = 19;
inline constexpr int kMsgAlphanumeric = 21;
inline constexpr int kMsgDate = 22;
inline constexpr int kMsgHex = 23;
inline constexpr int kMsgNumeric = 25;
inline constexpr int kMsgMustBe = 28;  // "Must be:  " + the value list
inline constexpr int kMsgOverflow = 31;

// Checks the data character `ch` typed at 0-based `position` of a field of
// `type`, converting it in place (case) when accepted.  Returns 0 when the
// character may be stored, else the number of the message to show.  A
// protected field (`field_option` "P" or "Q") and the types "P", "S" and
// "X" refuse every character with 17.  Type "R" is the caller's: a
// character there ends the call, so it is accepted unchanged here.
int check_keystroke(std::uint8_t type, std::uint8_t field_option, int position, std::uint8_t& ch);

// ------------------------------------------------------------ field check

// One field to check.  `edit_image` is the field's display image as the
// user left it (changed in place: fill characters become spaces, calculator
// fields are closed up); `data` is the field's data in the panel record.
struct FieldCheck {
  int number = 0;                 // field number (for log lines)
  FieldDescriptor descriptor;     // as in WORK-D
  std::uint8_t field_option = 0;  // PANEL-FIELD-OPTION
  std::uint8_t* edit_image = nullptr;
  int display_length = 0;  // characters of the edit image (at most 160)
  std::uint8_t* data = nullptr;
};

// Where the check finds what it needs besides the field.
struct CheckContext {
  PanelRecord panel{nullptr};       // name and code-set marker (aborts), PANEL-DISPLAY-OPTION
  WorkD work_d{nullptr};            // validation records
  WorkD::Cursor* cursor = nullptr;  // resumable lookup of validation records (per call)
  const Tables* tables = nullptr;   // kept masks, messages, stub constants
  std::uint8_t empty_fill = 0;      // miscellaneous option 2
};

struct FieldCheckResult {
  bool passed = true;
  int message = 0;   // message number on failure
  std::string text;  // on failure the 80 characters to show: the message, or for
                     // a value list "Must be:  " and the list's first 70 characters
  // The new PANEL-FIELD-PAINT: "V" after a date or value-list pass, X'00'
  // after a Required pass; on failure "v" for Must Valid or Required
  // fields, else X'00'.  Empty when the field's flag stays as it is.
  bool set_paint = false;
  std::uint8_t paint = 0;
  int data_length = 0;  // characters of converted data written to the field
};

// Runs the field check.  Aborts (never returns) with reason 4 or 16 when
// a field with validation values has no validation record or an item the
// mask refuses, and with the mask's return code when the conversion back
// fails with a code other than 31.
FieldCheckResult check_field(FieldCheck& field, const CheckContext& context);

// The value part of a field's display image: the field data through its
// mask ("D", or "d" with Blank if 0) for formatted fields, type "5" dates in
// the country's order, else the data as they are.  Writes the image into
// `image160` and returns its length (the formatted length for formatted
// fields).  Fill characters, hidden fields and predisplay exits are the
// painter's.  A mask return code above 0 aborts with that code.
int field_value_image(const FieldDescriptor& d, const std::uint8_t* data, const Tables& t,
                      const PanelRecord& panel, std::uint8_t* image160);

// Before a call returns with an exit key above 0: every field once in tab
// order from the default cursor field; "E" flags become low-value; while
// `validation_pending`, every field flagged "v" is checked.  `image_of`
// gives a field's current edit image (the active field's as the user left
// it; field_value_image() for the others) and returns its length.  Stops at
// the first failure, which the caller makes the active field.
struct ReturnCheck {
  int failed_field = 0;  // 0: all passed
  FieldCheckResult result;
};
ReturnCheck check_before_return(
    const CheckContext& context, bool validation_pending,
    const std::function<int(int field, std::uint8_t* image160)>& image_of);

}  // namespace kv::engine
