// From a panel's library records to the four areas of a panel call: the
// panel record (fixed portion, attribute table, user fields), WORK-S (the
// static items of the screen image), WORK-D (field descriptors, tab ring,
// validation records).  Everything the copybook text and the generated C++
// say about a panel comes from one PanelBuild, so the two cannot disagree.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "editor/library/library_records.h"
#include "editor/masklib/mask_library.h"

namespace kv::editor::gen {

using u8 = std::uint8_t;
using Bytes = std::vector<u8>;

// A status message of the generator; `error` messages are shown in the
// error colour (and make the batch command line fail).
struct Message {
  std::string text;
  bool error = false;
  bool warning = false;  // worth showing, but the panel is generated
};
using MessageSink = std::function<void(const Message&)>;

// The three copybook choices of the generator's form: "Y", "N" or "D"
// (the panel's own setting).
struct CopybookChoices {
  char named_attributes = 'D';
  char comments = 'D';
  char prefix = 'D';
};

// Why a panel cannot be generated.
enum class PanelCheck { Ok, NotFound, CutShort, Incomplete, Damaged };

// One field as the generator lays it out, in field-number order.
struct FieldLayout {
  int number = 0;  // 1-based, the order of the sorted definitions
  int row = 0, column = 0;
  int display_length = 0;  // the stored field length
  int storage_length = 0;  // bytes in the user fields
  int data_offset = 0;     // 1-based from the variable portion
  u8 attribute = 0;
  char type = ' ';
  int mask = 0;  // 0, or 1-253
  u8 option1 = 0, option2 = 0, option3 = 0;
  int tab = 0;  // the tab number the ring was ordered by
  int previous = 0, next = 0;
  std::string name;     // data name, trailing blanks removed
  std::string picture;  // up to its first space
  std::string value;    // the 82-character VALUE text
  bool initially_protected() const { return option3 & 0x01; }
  bool is_filler() const;
};

struct PanelBuild {
  std::string name;   // up to the first space
  lib::Bytes header;  // normalised header (200 bytes)
  char quote = '\'';
  std::string prefix;  // data-name prefix inside the panel record
  bool named_attributes = false;
  bool comments = true;
  bool window = false;
  int rows = 0;  // image depth
  int header_field_count = 0;
  std::vector<FieldLayout> fields;
  bool field_count_mismatch = false;
  int validation_blocks = 1;
  int storage_estimate = 0;  // WORK-D size plus validation blocks
  bool too_large = false;
  Bytes panel_record;  // fixed portion, attribute table and user fields
  Bytes work_s;        // up to and including its X'FF' end mark
  Bytes work_d;        // header and descriptors
  Bytes validations;   // the validation list closed by X'FF' (padded to 4)
  // The areas as the copybook defines them: WORK-S padded with X'FF' to
  // its 14-byte chunks; WORK-D's chunks, one more X'FF' and the
  // validation list.
  Bytes work_s_full() const;
  Bytes work_d_full() const;
};

inline constexpr int kStorageLimit = 32768;
inline constexpr std::size_t kValidationLimit = 236;

// Checks that a panel's records are complete enough to generate.
PanelCheck check_panel(const lib::PanelRecords& records);
// The message(s) for a check that failed (as the generator shows them).
std::vector<std::string> check_messages(PanelCheck check, std::string_view name);

// Builds the areas.  `masks` is the mask library used for masked fields'
// storage lengths.  Messages ("Generating ...", "Field count mismatch",
// "FORCING Named Attributes ON ...") go to `sink`.  The records must have
// passed check_panel.
PanelBuild build_panel(const lib::PanelRecords& records, const masklib::MaskRecord& default_mask,
                       const masklib::MaskLibrary& masks, const CopybookChoices& choices,
                       const MessageSink& sink);

// The built-in default mask (M-001 of every EDITMASK program).
masklib::MaskRecord builtin_default_mask();

// The attribute of a colour triple "bff": b * 16 + ff, plus 112 for a
// blinking foreground 16-31; nullopt when it is not three such digits.
std::optional<int> colour_value(std::string_view bff);

}  // namespace kv::editor::gen
