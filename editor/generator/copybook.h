// The text of a panel copybook <panel>.COB: the exit pass area, WORK-S and
// WORK-D as hexadecimal FILLERs with the validation records, and the panel
// record with its attribute table and user fields.  Fixed-format COBOL:
// comment lines have "*" in column 7, nothing but the "FldNNN" tags and the
// banner comments is written outside columns 8-72.
#pragma once

#include <string>
#include <vector>

#include "editor/generator/panel_build.h"

namespace kv::editor::gen {

// The copybook's lines (without line ends).
std::vector<std::string> copybook_lines(const PanelBuild& b);
// The same joined with "\n" after every line.
std::string copybook_text(const PanelBuild& b);

// The lines of one field's data item under <panel>-USER-FIELDS (the first
// one is the "10" line that carries the field's tag).
std::vector<std::string> field_data_lines(const FieldLayout& f, char quote);

}  // namespace kv::editor::gen
