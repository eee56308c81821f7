// The editor's own screens compiled at build time: the C++ areas equal the
// bytes that cobc gives the COBOL copybook made from the same text source,
// and the named accessors reach the fields.
#include <gtest/gtest.h>

#include <string_view>

#include "BANNER32.h"
#include "EDIT0090.h"
#include "editor/generator/support/cobol_support.h"
#include "runtime/utilities/panel_areas.h"

using kv::editor::panels::BANNER32;
using kv::editor::panels::EDIT0090;
using namespace kv::editor::testing;

namespace {
std::string text(std::span<std::uint8_t> s) { return std::string(s.begin(), s.end()); }
}  // namespace

namespace {
// The C++ areas of panel P against what cobc makes of P's copybook.
template <class P>
void expect_areas_equal_copybook(const std::string& name) {
  std::string dir = scratch_dir("panel-" + name);
  write_text(dir + "/" + name + ".COB",
             read_text(std::string(KV_BUILD_DIR) + "/generated/panels/" + name + ".COB"));
  CobolResult r = compile_and_run(dir, area_dump_program(name + ".COB", name));
  ASSERT_TRUE(r.compiled) << r.compile_log;
  ASSERT_EQ(r.status, 0);
  P p;
  std::string want = hex_of({p.panel.begin(), p.panel.end()}) + " \n" +
                     hex_of({p.work_s.begin(), p.work_s.end()}) + " \n" +
                     hex_of({p.work_d.begin(), p.work_d.end()}) + " \n";
  EXPECT_EQ(r.out, want) << name;
}
}  // namespace

TEST(EditorPanelsTest, CppAreasEqualTheCompiledCopybooks) {
  expect_areas_equal_copybook<BANNER32>("BANNER32");
  expect_areas_equal_copybook<EDIT0090>("EDIT0090");
}

TEST(EditorPanelsTest, Banner32FieldsAndAccessors) {
  BANNER32 b;
  EXPECT_EQ(text(b.BANNER_PRODUCT()), "Korvexan 2.4");
  EXPECT_EQ(text(b.BANNER_BITS()), "32");
  EXPECT_EQ(text(b.BANNER_LIBRARY()), std::string(12, ' '));
  kv::PanelRecord rec(b.panel.data());
  EXPECT_EQ(rec.name(), "BANNER32");
  EXPECT_EQ(rec.numb_of_fields(), BANNER32::kFieldCount);
  EXPECT_EQ(rec.menu_line().substr(0, 56),
            "F1=Editor  F2=Copybooks  F3=Library_Manager  F4=Options ");
  kv::WorkD d(b.work_d.data(), b.work_d.size());
  auto lib = d.descriptor(BANNER32::BANNER_LIBRARY_number);
  EXPECT_EQ(lib.row, 21);
  EXPECT_EQ(lib.col, 43);
  EXPECT_EQ(lib.length, 12);
  EXPECT_EQ(rec.data_at(lib.data_offset), b.BANNER_LIBRARY().data());
  // The accessor writes where the runtime reads.
  std::copy_n("MYLIB.PNL   ", 12, b.BANNER_LIBRARY().begin());
  EXPECT_EQ(std::string_view(reinterpret_cast<char*>(rec.data_at(lib.data_offset)), 12),
            "MYLIB.PNL   ");
  b.reset();
  EXPECT_EQ(text(b.BANNER_LIBRARY()), std::string(12, ' '));
}

TEST(EditorPanelsTest, Edit0090FormFields) {
  EDIT0090 g;
  EXPECT_EQ(text(g.GEN_QUANTITY()), "S");
  EXPECT_EQ(text(g.GEN_NAMED()), "D");
  EXPECT_EQ(text(g.GEN_MSG_12()), std::string(60, ' '));
  kv::PanelRecord rec(g.panel.data());
  EXPECT_EQ(rec.menu_line(),
            "F1=List  Enter=Generate(Panel)  F3=Generate(EDITMASK.COB)               End=Done");
  kv::WorkD d(g.work_d.data(), g.work_d.size());
  auto q = d.descriptor(EDIT0090::GEN_QUANTITY_number);
  ASSERT_TRUE(q.has_validation());
  auto v = d.find_validation(q.row, q.col);
  ASSERT_TRUE(v);
  EXPECT_EQ(v->values, "S,R,A");
  EXPECT_EQ(d.tab_ring().size(), 17u);
}
