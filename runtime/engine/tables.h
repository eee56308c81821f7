// The runtime's own copies of the application's mask and message tables,
// refreshed by every initialisation call.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace kv::engine {

struct Tables {
  static constexpr int kMaxMasks = 255;
  static constexpr int kMaskSize = 82;
  static constexpr int kMessages = 300;
  static constexpr int kMessageSize = 80;

  int mask_count = 0;
  // The stub constants of the last initialisation call (byte 1: the
  // application compiler's sign convention).
  std::array<std::uint8_t, 20> stub{};
  std::array<std::array<std::uint8_t, kMaskSize>, kMaxMasks> masks{};
  std::array<std::array<char, kMessageSize>, kMessages> messages{};

  // Message n (1-300) as 80 characters; an n outside the copy gives the
  // "not defined" text an application's SCRMSG would give.
  std::string message(int n) const;
  // Mask n (1-255) as its 82-byte record, nullptr when n is not in the table.
  const std::uint8_t* mask(int n) const {
    return (n >= 1 && n <= mask_count) ? masks[static_cast<std::size_t>(n - 1)].data() : nullptr;
  }
};

Tables& tables();

}  // namespace kv::engine
