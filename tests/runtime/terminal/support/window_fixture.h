// A common area with its window created on the fake display, the whole
// window painted once, so that tests see only what they cause.
#pragma once

#include <gtest/gtest.h>

#include "runtime/terminal/window.h"
#include "tests/runtime/terminal/support/fake_display.h"

namespace kv::term::testing {

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override { reset_common(c, fake); }
  // Creates the window and settles it: pending messages handled, paints
  // done, records cleared.
  void create() {
    SCR_WC(c);
    ASSERT_NE(c.window, 0u);
    settle();
  }
  void settle() {
    Message m;
    while (fake.peek(m, 0, 0, 0xFFFFFFFFu, true)) fake.dispatch(m);
    fake.runs.clear();
    fake.boxes.clear();
  }
  // The invalid rectangle now (and validates it).
  Rect invalid() { return fake.begin_paint(c.window); }

  FakeDisplay fake;
  ScrCommon c;
};

}  // namespace kv::term::testing
