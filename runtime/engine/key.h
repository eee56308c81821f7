// One key of the keystroke loop: the character (0 for an extended key),
// the extended code and the key source byte that PANEL-SCAN-CODE reports
// when the key ends the call.
#pragma once

#include <cstdint>

namespace kv::engine {

// Key source bytes the engine itself produces.
inline constexpr std::uint8_t kSourceNone = 0x00;
inline constexpr std::uint8_t kSourceTimeout = 0x01;  // time-out and repeating keys
inline constexpr std::uint8_t kSourceExitKey = 0xFB;  // key of the time-out exit
inline constexpr std::uint8_t kSourceWinMenu = 0xFE;
inline constexpr std::uint8_t kSourceMouse = 0xFF;

struct Key {
  std::uint8_t character = 0;
  std::uint16_t extended = 0;
  std::uint8_t source = kSourceNone;

  // The key code: the character when it is not 0, else the extended code.
  int code() const { return character != 0 ? character : extended; }
  bool operator==(const Key&) const = default;
};

}  // namespace kv::engine
