#include "editor/library/settings.h"

#include <algorithm>
#include <cstring>

#include "runtime/utilities/bytes.h"

namespace kv::editor {

namespace {

std::array<char, kSettingsBlock>& block() {
  static std::array<char, kSettingsBlock> b = [] {
    std::array<char, kSettingsBlock> a;
    a.fill(' ');
    return a;
  }();
  return b;
}

std::string setting(int index) {
  std::string_view f(block().data() + index * kSettingWidth, kSettingWidth);
  return std::string(kv::trim_right(f));
}

std::string with_slash(std::string dir) {
  if (!dir.empty() && dir.back() != '/') dir += '/';
  return dir;
}

void put(int index, std::string_view v) {
  kv::put_padded(reinterpret_cast<std::uint8_t*>(block().data() + index * kSettingWidth),
                 kSettingWidth, v);
}

}  // namespace

void store_settings(const EditorSettings& s) {
  block().fill(' ');
  put(0, s.library_name);
  put(1, s.library_directory);
  put(2, s.mask_directory);
  put(3, s.copybook_directory);
}

EditorSettings stored_settings() { return {setting(0), setting(1), setting(2), setting(3)}; }

std::array<char, kSettingsBlock> settings_block() { return block(); }

std::string library_directory() { return setting(1); }
std::string library_name() { return setting(0); }
std::string library_path() { return with_slash(setting(1)) + setting(0); }
std::string mask_directory_path() {
  std::string m = setting(2);
  return with_slash(m.empty() ? setting(1) : m);
}
std::string copybook_directory_path() { return with_slash(setting(3)); }

}  // namespace kv::editor

extern "C" int DSGNINI(const std::uint8_t* code, std::uint8_t* buffer500) {
  using namespace kv::editor;
  auto give = [&](const std::string& text) {
    std::size_t n = std::min(text.size(), kSettingsBlock - 1);
    std::memcpy(buffer500, text.data(), n);
    buffer500[n] = 0;
  };
  switch (*code) {
    case '0': {
      std::string_view b(reinterpret_cast<const char*>(buffer500), kSettingsBlock);
      auto f = [&](int i) {
        return std::string(kv::trim_right(b.substr(i * kSettingWidth, kSettingWidth)));
      };
      store_settings({f(0), f(1), f(2), f(3)});
      return 0;
    }
    case 'A': {
      auto b = settings_block();
      std::memcpy(buffer500, b.data(), kSettingsBlock);
      return 0;
    }
    case 'S':
      give(library_path());
      return 0;
    case 'D':
      give(library_directory());
      return 0;
    case 'N':
      give(library_name());
      return 0;
    case 'M':
      give(mask_directory_path());
      return 0;
    case 'C':
      give(copybook_directory_path());
      return 0;
    default:
      return 8;
  }
}
