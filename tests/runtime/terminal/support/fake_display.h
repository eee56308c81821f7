// A display for the window logic's tests: the shared bookkeeping of every
// display, with pixel cells of 8 x 16, a work area of 1024 x 768, frames and
// scroll bars of real sizes, and a record of what the logic asked for
// (drawn runs, boxes, classes refused, scroll bars, caret).
#pragma once

#include <deque>
#include <set>
#include <string>
#include <vector>

#include "runtime/terminal/basic_display.h"
#include "runtime/terminal/scr_common.h"

namespace kv::term::testing {

struct DrawnRun {
  WindowId window;
  int x, y;
  std::string text;
  Rgb fg, bg;
};

struct ShownBox {
  int kind;
  std::string title, text;
  unsigned style;
};

class FakeDisplay : public BasicDisplay {
 public:
  FakeDisplay() {
    metrics_.frame_width = 4;
    metrics_.frame_height = 4;
    metrics_.border_width = 1;
    metrics_.border_height = 1;
    metrics_.caption_height = 19;
    metrics_.menu_height = 19;
    metrics_.vscroll_width = 16;
    metrics_.hscroll_height = 16;
    work_area_ = {0, 0, 1024, 768};
    cell_metrics_ = {16, 8, 8};
    status_height_ = 20;
  }
  std::string name() const override { return "fake"; }
  void device_wait(std::uint64_t deadline) override {
    ++waits;
    if (deadline)
      clock = std::max(clock, deadline);
    else
      clock += 1000;
  }
  void device_draw(WindowId w, int x, int y, std::string_view bytes, Handle, Rgb fg,
                   Rgb bg) override {
    runs.push_back({w, x, y, std::string(bytes), fg, bg});
  }
  int message_box(WindowId, int kind, std::string_view title, std::string_view text,
                  unsigned style) override {
    boxes.push_back({kind, std::string(title), std::string(text), style});
    if (answers.empty()) return (style & 0xF) == mb::kYesNo ? kIdNo : kIdOk;
    int a = answers.front();
    answers.pop_front();
    return a;
  }
  bool register_class(const WindowClass& cls) override {
    if (taken.count(cls.name)) return false;
    return BasicDisplay::register_class(cls);
  }
  bool choose_font(WindowId, LogicalFont& font, std::uint32_t& error) override {
    error = font_error;
    if (!chosen_font) return false;
    font = *chosen_font;
    return true;
  }
  TextMetrics text_metrics(Handle) override { return cell_metrics_; }
  std::optional<int> startup_show_state() override { return startup_show; }
  std::uint64_t device_clock_ms() override { return clock; }
  void set_cell(int width, int height) { cell_metrics_ = {height, width, width}; }
  void set_status_height(int h) { status_height_ = h; }
  void set_work_area(Rect r) { work_area_ = r; }
  void set_caption(int h) { metrics_.caption_height = h; }
  void set_last_error(SystemError e) { last_error_ = e; }
  void set_keys(std::uint32_t keys) { device_keys_ = keys; }

  std::vector<DrawnRun> runs;
  std::vector<ShownBox> boxes;
  std::deque<int> answers;
  std::set<std::string> taken;
  std::optional<LogicalFont> chosen_font;
  std::uint32_t font_error = 0;
  std::optional<int> startup_show;
  std::uint64_t clock = 1;
  int waits = 0;
};

// A fresh common area working on `d`, with the planes blank, 25 x 80 mode.
inline void reset_common(ScrCommon& c, Display& d) {
  c = ScrCommon{};
  c.display = &d;
  c.chars.fill(' ');
  c.attrs.fill(0x07);
  c.screen_rows = 25;
  c.screen_columns = 80;
}

}  // namespace kv::term::testing
