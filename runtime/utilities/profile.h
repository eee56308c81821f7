// Private-profile settings files: "[section]" headers and "key=value"
// lines.  Sections and keys match without regard to case; writing keeps
// every other line (other keys, comments, blank lines) as it stood and
// replaces the file atomically (written aside, then renamed over it).
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
// nullopt deletes the key.  False when the file cannot be written.
bool write_string(const std::string& file, std::string_view section, std::string_view key,
                  std::optional<std::string_view> value);
// Sets several keys of one section in one rewrite of the file.
bool write_strings(const std::string& file, std::string_view section, const Entries& entries);
// Replaces every key of a section by `entries` (the section is created
// when missing; comments inside it are kept).
bool write_section(const std::string& file, std::string_view section, const Entries& entries);
bool delete_section(const std::string& file, std::string_view section);

}  // namespace kv::profile
