// DSGNINI: the editor's settings as every editor program sees them.  The
// options program stores the four settings once they have been checked;
// the other programs ask for the block or for paths made from it (the
// library file, the mask directory, the copybook directory).
//
// The store lives in the lowest editor layer so that the library, mask and
// generator programs can reach it; reading and writing the settings file
// is the shell's (editor/shell/editor_settings.h).
//
// The block is 500 characters: library name, library directory, mask
// directory and copybook directory, 60 characters each and padded with
// spaces, then 260 spaces.  Names keep the case they were given: file
// names on this system are case-sensitive.  A value ends at its last
// non-blank character, so a directory may contain spaces.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace kv::editor {

inline constexpr std::size_t kSettingsBlock = 500;
inline constexpr std::size_t kSettingWidth = 60;

struct EditorSettings {
  std::string library_name;
  std::string library_directory;
  std::string mask_directory;  // blank: the library directory
  std::string copybook_directory;
};

// Function 0: stores the settings (each cut to 60 characters).
void store_settings(const EditorSettings& s);
// The stored settings (trailing blanks removed).
EditorSettings stored_settings();
// The 500-character block (function A).
std::array<char, kSettingsBlock> settings_block();

// Function S: the library file, directory "/" name.
std::string library_path();
// Function D and N.
std::string library_directory();
std::string library_name();
// Functions M and C: the directory followed by "/", ready for a file name
// to be appended (empty for the current directory).  A blank mask
// directory is the library directory.
std::string mask_directory_path();
std::string copybook_directory_path();

}  // namespace kv::editor

extern "C" {
// DSGNINI USING function code X, buffer X(500).  Code 0 stores the buffer;
// A returns the block; S, D, N, M and C return the text above followed by
// X'00' (the rest of the buffer is left as it was).  Returns 0, or 8 for an
// unknown code.
int DSGNINI(const std::uint8_t* code, std::uint8_t* buffer500);
}
