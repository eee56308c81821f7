// The headless display: no device.  One pixel is one cell; input comes
// from the script named by KORVEXAN_INPUT, time from a virtual clock that
// only `wait` advances; boxes and status texts go to standard error; the
// screen is dumped on request and at exit to KORVEXAN_SCREEN.
//
// Script lines (one event a line, "#" starts a comment):
//   key [shift+][ctrl+][alt+]NAME     type TEXT       paste TEXT
//   click ROW COL [left|right]        dblclick ROW COL [left|right]
//   press ROW COL   move ROW COL   release ROW COL
//   wait SECONDS    close    answer yes|no    drop FILE...    menu NUMBER
//   expect ROW COL TEXT               dump [FILE]
// When the program waits for input after the last line the process ends
// with status 97 ("headless input exhausted"); a failed expect ends it
// with status 98 after printing the screen.
#pragma once

#include <array>
#include <cstdio>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "runtime/terminal/basic_display.h"

namespace kv::term {

class KV_EXPORT HeadlessDisplay : public BasicDisplay {
 public:
  static constexpr int kRows = 50, kCols = 80;

  // Reads the script from KORVEXAN_INPUT (none: input is exhausted at
  // once).  The exit statuses can be replaced for tests.
  HeadlessDisplay();
  // A display fed from the given script text instead of the environment.
  explicit HeadlessDisplay(const std::string& script);

  std::string name() const override { return "headless"; }
  bool geometry_in_pixels() const override { return false; }
  std::uint64_t device_clock_ms() override { return clock_ms_; }
  void device_wait(std::uint64_t deadline_ms) override;
  void device_draw(WindowId window, int x, int y, std::string_view bytes, Handle font,
                   Rgb foreground, Rgb background) override;
  int message_box(WindowId owner, int kind, std::string_view title, std::string_view text,
                  unsigned style) override;
  Handle create_message_window(std::string_view caption, std::string_view text) override;
  void set_status_text(Handle bar, int part, std::string_view text, bool raised) override;
  bool choose_font(WindowId owner, LogicalFont& font, std::uint32_t& error) override;
  void shutdown() override;

  // The screen as dumped (flushes pending paints first).
  std::string dump_text();
  // Runs one script line now (tests); false when the line was not
  // understood and was dropped.
  bool run_line(const std::string& line);
  // What happens when input is exhausted or an expect fails; by default the
  // process exits with 97 / 98.  Tests install a thrower.
  using Stop = void (*)(int status);
  void set_stop(Stop stop) { stop_ = stop; }
  // Where BOX and STATUS lines go (stderr by default).
  void set_log(std::FILE* f) { log_ = f; }
  std::uint8_t cell_char(int row, int col) const;
  std::uint8_t cell_attr(int row, int col) const;
  bool input_exhausted() const { return lines_.empty(); }

 private:
  void load(const std::string& script);
  void flush_paint();
  void write_dump(const std::string& file);
  void post_mouse_cell(std::uint32_t message, int row, int col, std::uint32_t keys);
  bool key_line(const std::string& spec);
  void type_char(char32_t c);
  [[noreturn]] void stop(int status);

  std::deque<std::pair<int, std::string>> lines_;  // (line number, text)
  std::uint64_t clock_ms_ = 1;
  std::uint64_t wait_left_ms_ = 0;
  int pending_answer_ = 0;  // kIdYes / kIdNo for the next question box
  std::array<std::uint8_t, kRows * kCols> chars_{};
  std::array<std::uint8_t, kRows * kCols> attrs_{};
  bool left_held_ = false;
  Stop stop_ = nullptr;
  std::FILE* log_ = stderr;
  std::string status_;
  bool shut_down_ = false;
};

std::unique_ptr<Display> make_headless_display();

}  // namespace kv::term
