// The editor's settings file: a private-profile file (default DSGN.INI, or
// the name given on the command line) whose section "Panel Editor" keeps
// the source library's name and directory, the mask directory and the
// copybook directory between runs.
#pragma once

#include <string>
#include <string_view>

#include "editor/library/settings.h"

namespace kv::editor::shell {

inline constexpr const char* kSettingsSection = "Panel Editor";
inline constexpr const char* kDefaultSettingsFile = "DSGN.INI";
inline constexpr const char* kLibraryNameKey = "SourceLibraryName";
inline constexpr const char* kLibraryDirectoryKey = "SourceLibraryDirectory";
inline constexpr const char* kMaskDirectoryKey = "MaskDirectory";
inline constexpr const char* kCopybookDirectoryKey = "PanelCopybookDirectory";
// Values are read through a 255-character buffer.
inline constexpr std::size_t kValueBuffer = 255;

// The settings file named by the command tail: its first word (or the whole
// tail in double quotes), DSGN.INI when the tail is blank.
std::string settings_file_name(std::string_view command_tail);

// The four settings read from `file`.  There are no built-in defaults: a
// key that is missing keeps the value it has in `current` (a missing file
// or section leaves all four as they were).
EditorSettings read_settings_file(const std::string& file, const EditorSettings& current);

// Replaces section "Panel Editor" of `file` by the four keys, in the order
// SourceLibraryName, SourceLibraryDirectory, MaskDirectory,
// PanelCopybookDirectory; other sections and comments stay.  False when the
// file cannot be written.
bool write_settings_file(const std::string& file, const EditorSettings& s);

// A directory as the settings keep it: trailing blanks and trailing "/"
// removed (the root directory stays "/").
std::string without_trailing_separators(std::string_view directory);

}  // namespace kv::editor::shell
