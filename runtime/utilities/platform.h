// Services that the display layer supplies to the layers below it.  The
// utilities read key states and sound the beep through these hooks; the
// terminal layer installs them for the display in use.  Without a display
// the key states read as "up" and the beep is silent.
#pragma once

#include <cstdint>

namespace kv {

// Virtual keys whose state the shift-flag routine reads.
enum class StateKey { Insert, CapsLock, NumLock, ScrollLock, Alt, Ctrl, Shift };

struct PlatformHooks {
  // The key state as a signed 16-bit reading: top bit = down now, lowest bit
  // = toggled on (lock keys) / pressed since the previous reading.
  std::int16_t (*key_state)(StateKey key) = nullptr;
  // The system's asterisk sound.
  void (*beep)() = nullptr;
  // A tone of the given frequency (Hz) and duration (ms).
  void (*tone)(int frequency, int duration) = nullptr;
};

PlatformHooks& platform_hooks();

}  // namespace kv
