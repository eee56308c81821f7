// Private-profile settings files: "[section]" headers and "key=value"
// lines.  Sections and keys match without regard to case, and blanks
// around a section or key name (in the file or in the argument) do not
// count.  Writing keeps every other line (other keys, comments, blank
// lines) as it stood and replaces the file atomically: the new text is
// written beside it, flushed to disk and renamed over it, so a reader or a
// crash sees either the old file or the new one.  A settings file reached
// through a symbolic link is rewritten at the link's target.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kv::profile {

using Entries = std::vector<std::pair<std::string, std::string>>;

// The value of a key (leading and trailing blanks removed, one pair of
// enclosing quotes removed), or nullopt when the file, section or key is
// missing.
std::optional<std::string> get(const std::string& file, std::string_view section,
                               std::string_view key);
std::string get_string(const std::string& file, std::string_view section, std::string_view key,
                       std::string_view fallback);
// A decimal integer (optional sign, digits up to the first other
// character); `fallback` when the key is missing or holds no digits.
long get_int(const std::string& file, std::string_view section, std::string_view key,
             long fallback);

std::vector<std::string> section_names(const std::string& file);
Entries section_entries(const std::string& file, std::string_view section);

// Sets a key (creating the section and the file as needed); a value of
// nullopt deletes the key.  False when the file cannot be written (or is
// there and cannot be read, so that its other settings would be lost) or the
// section or key name cannot be written safely (empty, a line break, a
// "]" in a section name, a "=" in a key, a key that would read as a
// section header or comment).  A value is cut at its first line break.
bool write_string(const std::string& file, std::string_view section, std::string_view key,
                  std::optional<std::string_view> value);
// Sets several keys of one section in one rewrite of the file.
bool write_strings(const std::string& file, std::string_view section, const Entries& entries);
// Replaces every key of a section by `entries` (the section is created
// when missing; comments inside it are kept).
bool write_section(const std::string& file, std::string_view section, const Entries& entries);
// The same with the new section body given as lines: "key=value" lines
// become keys, other non-blank lines are kept as they are (lines with a
// line break are cut at it).
bool write_section_lines(const std::string& file, std::string_view section,
                         const std::vector<std::string>& lines);
bool delete_section(const std::string& file, std::string_view section);

}  // namespace kv::profile
