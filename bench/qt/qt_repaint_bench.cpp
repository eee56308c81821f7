// Full-screen repaint of the desktop window: the whole client area
// invalidated and repainted at once, through the window procedure's paint
// (runs of cells by attribute) onto the off-screen image and from there to
// the window.  The screen holds a typical panel: a title, boxed fields of
// several colours, a menu row.  Runs on the platform Qt is given
// (QT_QPA_PLATFORM, DISPLAY); offscreen when there is none.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QWidget>
#include <cstdlib>
#include <memory>
#include <string>

#include "runtime/terminal/backends/qt/qt_display.h"
#include "runtime/terminal/cell_screen.h"
#include "runtime/terminal/pump.h"
#include "runtime/terminal/window.h"

namespace {

using namespace kv::term;

struct Screen {
  std::unique_ptr<qtd::QtDisplay> d;
  ScrCommon c;

  explicit Screen(int rows) {
    d = std::make_unique<qtd::QtDisplay>();
    c.display = d.get();
    c.chars.fill(' ');
    c.attrs.fill(0x1F);
    c.screen_rows = static_cast<std::int16_t>(rows);
    c.screen_columns = 80;
    c.creation_font.height = -16;
    SCR_WC(c);
    auto put = [&](int row, int col, const std::string& text, std::uint8_t attr) {
      write_text(c, row, col, text, attr);
    };
    put(1, 30, "Order Entry", 0x1E);
    put(2, 1, "\xC9" + std::string(78, '\xCD') + "\xBB", 0x1B);
    for (int r = 3; r < rows - 1; ++r) {
      put(r, 1, "\xBA", 0x1B);
      put(r, 3, "Field " + std::to_string(r), 0x1F);
      put(r, 20, std::string(24, r % 3 ? 'x' : '_'), r % 2 ? 0x70 : 0x30);
      put(r, 50, "(12345.67)", 0x1A);
      put(r, 80, "\xBA", 0x1B);
    }
    put(rows - 1, 1, "\xC8" + std::string(78, '\xCD') + "\xBC", 0x1B);
    put(rows, 1, "F1=Help  F3=Exit  F10=Select", 0x30);
    for (int i = 0; i < 10; ++i) settle();
  }
  ~Screen() {
    d->destroy_window(c.window);
    d->shutdown();
  }
  void settle() {
    d->process_events();
    EventArea a;
    a.wait_mode = kWaitNone;
    SCR_AMP(c, a);
  }
};

void BM_FullScreenRepaint(benchmark::State& state) {
  Screen s(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    s.d->invalidate(s.c.window, nullptr);
    // The logic's paint onto the image and the immediate repaint of the
    // window from it.
    s.d->update_window(s.c.window);
  }
  state.counters["cells"] = static_cast<double>(state.range(0) * 80);
}
BENCHMARK(BM_FullScreenRepaint)->Arg(25)->Arg(50)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
