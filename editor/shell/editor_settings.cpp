#include "editor/shell/editor_settings.h"

#include "runtime/utilities/bytes.h"
#include "runtime/utilities/profile.h"

namespace kv::editor::shell {

namespace {

std::string trimmed(std::string_view s) {
  std::size_t b = 0;
  while (b < s.size() && (s[b] == ' ' || s[b] == '\t')) ++b;
  return std::string(kv::trim_right(s.substr(b)));
}

void read_key(const std::string& file, const char* key, std::string& value) {
  if (auto v = kv::profile::get(file, kSettingsSection, key))
    value = v->substr(0, kValueBuffer - 1);
}

}  // namespace

std::string settings_file_name(std::string_view tail) {
  std::string t = trimmed(tail);
  if (t.empty()) return kDefaultSettingsFile;
  if (t[0] == '"') {
    auto close = t.find('"', 1);
    return t.substr(1, close == std::string::npos ? std::string::npos : close - 1);
  }
  auto space = t.find_first_of(" \t");
  return t.substr(0, space);
}

EditorSettings read_settings_file(const std::string& file, const EditorSettings& current) {
  EditorSettings s = current;
  read_key(file, kLibraryNameKey, s.library_name);
  read_key(file, kLibraryDirectoryKey, s.library_directory);
  read_key(file, kMaskDirectoryKey, s.mask_directory);
  read_key(file, kCopybookDirectoryKey, s.copybook_directory);
  return s;
}

bool write_settings_file(const std::string& file, const EditorSettings& s) {
  return kv::profile::write_section(file, kSettingsSection,
                                    {{kLibraryNameKey, trimmed(s.library_name)},
                                     {kLibraryDirectoryKey, trimmed(s.library_directory)},
                                     {kMaskDirectoryKey, trimmed(s.mask_directory)},
                                     {kCopybookDirectoryKey, trimmed(s.copybook_directory)}});
}

std::string without_trailing_separators(std::string_view directory) {
  std::string d(kv::trim_right(directory));
  while (d.size() > 1 && (d.back() == '/' || d.back() == ' ')) d.pop_back();
  return d;
}

}  // namespace kv::editor::shell
