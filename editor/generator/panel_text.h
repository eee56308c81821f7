// The panel text format: a panel library as diff-friendly text, for
// version control, reviews and the editor's own screens kept as sources.
// Every record survives export and import byte for byte.  The format is
// described in docs/panel-text-format.md.
//
//   # comment
//   codepage 437
//   panel "ORDERS"
//   header
//     title "Order entry"
//     ...
//   colours
//     legend . 07
//     legend A 1F
//     01 |........AAAAAAAAAAA...|
//   text
//     01 |  Customer:           |
//     25 nul
//   field 03 12
//     length "10"
//     ...
//   validation 06 10
//     ...
//   end
//
// Records that do not fit the typed blocks (another length, odd key bytes,
// a record of no known kind) are kept as "record <hex>" lines.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "editor/library/library_records.h"
#include "editor/library/record_file.h"

namespace kv::editor::text {

using Bytes = std::vector<std::uint8_t>;

// Writes the panels named in `names` (all panels when empty) as text into
// `out`.  Names that the library does not hold are put into `missing`.
// Returns the library's status ("00" when every read succeeded).
FileStatus export_library(RecordFile& library, const std::vector<std::string>& names,
                          std::string& out, std::vector<std::string>* missing = nullptr);

// Records as text (no file): the same format, from records in key order.
std::string records_to_text(const std::vector<Bytes>& records);

struct ParsedPanel {
  std::string name;            // 8 characters, as in the keys
  std::vector<Bytes> records;  // in key order
};
struct ParsedLibrary {
  std::vector<ParsedPanel> panels;
  std::vector<Bytes> loose;  // records outside panel blocks
};
struct ParseError {
  int line = 0;
  std::string message;
};

// Parses `text`; on error nothing of it is kept.
std::optional<ParseError> parse_text(std::string_view text, ParsedLibrary& out);

// Writes a parsed library into `library` (open I-O) in one transaction:
// each panel replaces the panel of that name, loose records replace records
// of their keys.  On failure the library is left as it was.
FileStatus import_parsed(RecordFile& library, const ParsedLibrary& parsed,
                         std::string* detail = nullptr);

// The panels of a parsed library as the generator reads them.
std::vector<lib::PanelRecords> panel_records(const ParsedLibrary& parsed);

}  // namespace kv::editor::text
