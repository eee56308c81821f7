#include "runtime/engine/colours.h"

#include "runtime/engine/options.h"
#include "runtime/utilities/bytes.h"

namespace kv::engine {

std::uint8_t alternate_color(std::uint8_t attr) {
  const KeptTable& t = options().alternate_colors;
  if (!t.on || t.address == nullptr) return attr;
  return t.address[4 + 2 * static_cast<std::size_t>(attr)];
}

std::uint8_t monochrome(std::uint8_t attr) {
  bool blink = attr >= 128;
  std::uint8_t a = blink ? static_cast<std::uint8_t>(attr - 128) : attr;
  if (a == 0x70 || a == 0x78)
    a = 0x70;
  else if (a == 0 || a == 8)
    a = 0;
  else
    a = (a & 0x0F) < 8 ? 7 : 15;
  return blink ? static_cast<std::uint8_t>(a + 128) : a;
}

std::uint8_t map_attribute(std::uint8_t attr) {
  std::uint8_t a = alternate_color(attr);
  return options().monochrome ? monochrome(a) : a;
}

char screen_base_digit(char base_digit, std::uint8_t work_s_base_attr) {
  char digit = base_digit;
  if (options().alternate_colors.on) {
    int entry = alternate_color(work_s_base_attr);
    if (entry > 127) entry -= 128;
    digit = static_cast<char>('0' + entry / 16);
  }
  if (options().monochrome && digit < '7') digit = '0';
  return digit;
}

}  // namespace kv::engine
