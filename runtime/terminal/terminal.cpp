#include "runtime/terminal/terminal.h"

#include <cstring>
#include <vector>

#include "runtime/utilities/bytes.h"

namespace kv::term {

namespace {
std::vector<std::string> g_dropped;
}

ScrCommon& common() {
  static ScrCommon c;
  return c;
}

void first_call_setup() {
  static bool done = false;
  if (done) return;
  done = true;
  ScrCommon& c = common();
  c.chars.fill(' ');
  c.attrs.fill(0x07);
}

bool has_window() { return common().window != 0; }

void screen_save(std::uint8_t* area) {
  ScrCommon& c = common();
  int rows = c.screen_rows;
  put_u16(area, static_cast<std::uint16_t>(rows));
  put_u16(area + 2, static_cast<std::uint16_t>(c.screen_columns));
  for (int r = 0; r < rows; ++r) std::memcpy(area + 20 + r * 80, c.chars.data() + r * 80, 80);
  for (int r = 0; r < rows; ++r)
    std::memcpy(area + 20 + rows * 80 + r * 80, c.attrs.data() + r * 80, 80);
}

void screen_restore(std::uint8_t* area) {
  ScrCommon& c = common();
  int rows = get_u16(area);
  if (rows > 50) rows = 50;
  for (int r = 0; r < rows; ++r) std::memcpy(c.chars.data() + r * 80, area + 20 + r * 80, 80);
  for (int r = 0; r < rows; ++r)
    std::memcpy(c.attrs.data() + r * 80, area + 20 + rows * 80 + r * 80, 80);
  c.screen_rows = static_cast<std::int16_t>(rows);
  c.screen_columns = static_cast<std::int16_t>(get_u16(area + 2));
}

void close_down() { common().window = 0; }

void yield() {}

WindowRect window_rect() { return {}; }

Drops& drops() {
  static Drops d;
  return d;
}

void drops_register(bool) {}

std::string drop_file(int index) {
  if (index < 1 || index > static_cast<int>(g_dropped.size())) return {};
  return g_dropped[static_cast<std::size_t>(index - 1)];
}

void drop_release() {
  g_dropped.clear();
  drops().held = false;
}

}  // namespace kv::term
