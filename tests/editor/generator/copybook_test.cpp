#include "editor/generator/copybook.h"

#include <gtest/gtest.h>

#include "editor/generator/panel_build.h"
#include "editor/generator/support/panel_fixture.h"

using namespace kv::editor;
using namespace kv::editor::gen;
using kv::editor::testing::FieldSpec;
using kv::editor::testing::PanelFixture;

TEST(Smoke, Builds) {
  PanelFixture p("ORDERS");
  p.text(2, 10, "Order entry");
  FieldSpec f;
  f.row = 5; f.column = 20; f.length = 10; f.name = "CUSTOMER"; f.picture = "X(10)"; f.value = "'ABC'";
  p.field(f);
  masklib::MaskLibrary masks;
  auto b = build_panel(p.records(), builtin_default_mask(), masks, {}, {});
  std::cout << copybook_text(b);
}
