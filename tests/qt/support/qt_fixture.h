// A main window on the Qt display (offscreen platform), driven through the
// same window logic as every display: cells written through SCR_VIO, input
// taken by SCR_AMP, and the window grabbed to an image for pixel checks.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QTimer>
#include <QWidget>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#include "runtime/terminal/backends/qt/qt_display.h"
#include "runtime/terminal/cell_screen.h"
#include "runtime/terminal/keys.h"
#include "runtime/terminal/pump.h"
#include "runtime/terminal/window.h"

namespace kv::term::qtd::testing {

class QtWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    d = std::make_unique<QtDisplay>();
    c = ScrCommon{};
    c.display = d.get();
    c.chars.fill(' ');
    c.attrs.fill(0x07);
    c.screen_rows = 25;
    c.screen_columns = 80;
    c.creation_font.height = -16;
    c.creation_font.face = "DejaVu Sans Mono";
  }
  void TearDown() override {
    if (!d) return;
    if (c.debug_window) d->destroy_window(c.debug_window);
    if (c.window) d->destroy_window(c.window);
    d->shutdown();
  }
  // Creates the window and handles everything pending.
  void create() {
    SCR_WC(c);
    ASSERT_NE(c.window, 0u);
    settle();
  }
  // Pump passes that handle whatever is queued (input included) until
  // the queue is quiet.
  void settle() {
    for (int i = 0; i < 20; ++i) {
      d->process_events();
      EventArea a;
      a.wait_mode = kWaitRead;
      SCR_AMP(c, a);
    }
  }
  // A key pressed and released with the text a keyboard layout gives it.
  void key(QWidget* w, Qt::Key k, Qt::KeyboardModifiers mods, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, k, mods, text);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, k, mods, text);
    QApplication::sendEvent(w, &release);
  }
  // One pump pass that takes an input event, if there is one.
  KeyEvent pass() {
    EventArea a;
    a.wait_mode = kWaitRead;
    SCR_AMP(c, a);
    return a.key;
  }
  // Passes until an event with status other than "N" arrives (at most n).
  KeyEvent next_event(int n = 40, EventArea* area = nullptr) {
    for (int i = 0; i < n; ++i) {
      EventArea a;
      a.wait_mode = kWaitRead;
      SCR_AMP(c, a);
      if (a.key.status != 'N') {
        if (area) *area = a;
        return a.key;
      }
    }
    return {};
  }
  void write(int row, int col, const std::string& text, std::uint8_t attr, bool now = false) {
    write_text(c, row, col, text, attr, now);
  }
  void caret(int row, int col) {
    VioRequest q;
    q.window = c.window;
    q.function = vio::kCaretOnOff;
    q.caret_on = 1;
    SCR_VIO(q, nullptr, c);
    move_caret(c, row, col);
  }
  // What the client area shows now (the cells and the caret).
  QImage view_image() {
    d->process_events();
    QImage img = d->cell_view(c.window)->grab().toImage();
    // KV_QT_TEST_IMAGES=<folder> keeps every grabbed image for a look.
    if (const char* dir = std::getenv("KV_QT_TEST_IMAGES"); dir && *dir) {
      const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
      img.save(QString("%1/%2-%3.png").arg(dir).arg(info->name()).arg(++grabs_));
    }
    return img;
  }
  // The colour at pixel (dx, dy) inside cell (row, col) of an image.
  QColor at_cell(const QImage& img, int row, int col, int dx, int dy) {
    int x = (col - 1) * c.metrics.avg_width + dx - c.hscroll;
    int y = (row - 1) * c.metrics.height + dy - c.vscroll;
    return img.pixelColor(x, y);
  }
  // Runs `answer` on the next modal widget (message box, font dialog) as
  // soon as it shows; the modal loop that shows it runs the timer.
  void on_next_modal(std::function<void(QWidget*)> answer) {
    auto* t = new QTimer;
    QObject::connect(t, &QTimer::timeout, [t, answer]() {
      if (QWidget* w = QApplication::activeModalWidget()) {
        t->stop();
        t->deleteLater();
        answer(w);
      }
    });
    t->start(5);
  }

  std::unique_ptr<QtDisplay> d;
  ScrCommon c;
  int grabs_ = 0;
};

inline ::testing::AssertionResult same_colour(QColor got, int r, int g, int b) {
  if (got.red() == r && got.green() == g && got.blue() == b) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "colour " << got.red() << "," << got.green() << ","
                                       << got.blue() << " instead of " << r << "," << g << "," << b;
}

}  // namespace kv::term::qtd::testing
